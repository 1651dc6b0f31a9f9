#include "net/send_ring.h"

#include <gtest/gtest.h>

#include <string>

namespace velorin {
namespace {

const uint8_t* Bytes(const std::string& s) {
    return reinterpret_cast<const uint8_t*>(s.data());
}

std::string Text(std::span<const uint8_t> run) {
    return std::string(reinterpret_cast<const char*>(run.data()), run.size());
}

TEST(SendRing, WrappedContentComesOutInTwoRunsInOrder) {
    CSendRing ring;
    ASSERT_TRUE(ring.Allocate(10));
    ASSERT_TRUE(ring.Append(Bytes("abcdefgh"), 8));
    ring.Consume(6);  // a partial send moves the read position
    ASSERT_TRUE(ring.Append(Bytes("ijklmn"), 6));
    EXPECT_FALSE(ring.Append(Bytes("xyz"), 3));
    EXPECT_EQ(ring.Count(), 8u);
    EXPECT_EQ(Text(ring.FirstRun()), "ghij");
    ring.Consume(3);
    EXPECT_EQ(Text(ring.FirstRun()), "j");
    ring.Consume(1);
    EXPECT_EQ(Text(ring.FirstRun()), "klmn");
    ring.Consume(99);
    EXPECT_EQ(ring.Count(), 0u);
    // Emptied, it starts at the front again: a whole-capacity append fits unwrapped.
    ASSERT_TRUE(ring.Append(Bytes("0123456789"), 10));
    EXPECT_EQ(Text(ring.FirstRun()), "0123456789");
}

}  // namespace
}  // namespace velorin
