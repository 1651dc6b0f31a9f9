#include "fileserver/block_pacer.h"

#include <gtest/gtest.h>

#include "fileserver_fixture.h"

namespace velorin {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class BlockPacerTest : public ::testing::Test {
protected:
    // Sends `count` blocks that each take `sendTime`; the start time of each.
    std::vector<IServerClock::TimePoint> Run(int count, microseconds sendTime, uint32_t limit = 0) {
        std::vector<IServerClock::TimePoint> starts;
        for (int i = 0; i < count; ++i) {
            pacer.WaitForBlock(limit);
            starts.push_back(clock.now);
            clock.now += sendTime;
        }
        return starts;
    }

    test::CManualServerClock clock;
    CBlockPacer pacer{clock};
};

TEST_F(BlockPacerTest, FirstBlockGoesAtOnceThenOneMillisecondApart) {
    auto t0 = clock.now;
    auto starts = Run(5, microseconds(200));
    for (int k = 0; k < 5; ++k) EXPECT_EQ(starts[k], t0 + milliseconds(k));
}

TEST_F(BlockPacerTest, LateWakeUpsAreCaughtUpWithoutEverRunningAhead) {
    // A 1 ms sleep that lasts 1.09 ms would lose 9 % on every block.
    clock.lateWakeUp = microseconds(90);
    auto t0 = clock.now;
    auto starts = Run(1000, microseconds(50));
    for (int k = 0; k < 1000; ++k) {
        ASSERT_GE(starts[k], t0 + milliseconds(k)) << k;
        ASSERT_LE(starts[k], t0 + milliseconds(k) + microseconds(90)) << k;
    }
}

TEST_F(BlockPacerTest, NoBurstFollowsAStall) {
    Run(3, microseconds(100));
    clock.now += milliseconds(50);
    auto after = Run(4, microseconds(100));
    EXPECT_EQ(after[1] - after[0], milliseconds(1));
    EXPECT_EQ(after[2] - after[1], milliseconds(1));
    EXPECT_EQ(after[3] - after[2], milliseconds(1));
}

TEST_F(BlockPacerTest, LimitSpeedAddsTwiceItsValueBeforeEveryBlock) {
    auto t0 = clock.now;
    auto starts = Run(3, microseconds(100), 3);
    EXPECT_EQ(starts[0], t0 + milliseconds(6));
    EXPECT_EQ(starts[1], t0 + milliseconds(13));
    EXPECT_EQ(starts[2], t0 + milliseconds(20));
    // The slider takes effect at the next block.
    pacer.WaitForBlock(0);
    EXPECT_EQ(clock.now, t0 + milliseconds(21));
}

}  // namespace
}  // namespace velorin
