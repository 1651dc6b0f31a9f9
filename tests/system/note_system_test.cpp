// Two members exchange notes through a real velorin-central: a note, its
// reading and a reply, all by velorind words.
#include <gtest/gtest.h>

#include "support/eventually.h"
#include "support/loopback.h"
#include "system_fixture.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::Has;
using test::kOnline;

class NoteSystem : public test::SystemFixture {};

TEST_F(NoteSystem, ANoteArrivesUnreadIsReadAndItsReplyReachesTheSender) {
    ASSERT_TRUE(AddMember("alice", "alice-pw", 100));
    ASSERT_TRUE(AddMember("bob", "bob-pw", 100));
    ASSERT_TRUE(StartCentral(true));
    auto alice = StartMember("alice", "alice-pw", test::FreeUdpPort());
    auto bob = StartMember("bob", "bob-pw", test::FreeUdpPort());
    ASSERT_TRUE(alice->WaitForOutput(kOnline, 20s)) << alice->Output();
    ASSERT_TRUE(bob->WaitForOutput(kOnline, 20s)) << bob->Output();

    auto sent = Send("alice", {"note-send", "bob", "점심", "같이 | 먹자"});
    ASSERT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_TRUE(Has(sent.output, "\"to\": \"bob\"")) << sent.output;

    test::RunResult listed;
    ASSERT_TRUE(test::Eventually(
        [&] {
            listed = Send("bob", {"notes"});
            return Has(listed.output, "\"sender\": \"alice\"");
        },
        20s, 100ms))
        << listed.output << bob->Output();
    EXPECT_TRUE(Has(listed.output, "\"slot\": 0, \"sender\": \"alice\"")) << listed.output;
    EXPECT_TRUE(Has(listed.output, "\"read\": false, \"text\": \"점심 같이 | 먹자\""))
        << listed.output;

    auto viewed = Send("bob", {"note-view", "0"});
    ASSERT_EQ(viewed.exitCode, 0) << viewed.output;
    EXPECT_TRUE(Has(viewed.output, "\"text\": \"점심 같이 | 먹자\"")) << viewed.output;
    EXPECT_TRUE(Has(Send("bob", {"notes"}).output, "\"read\": true"));

    auto replied = Send("bob", {"note-reply", "0", "좋아"});
    ASSERT_EQ(replied.exitCode, 0) << replied.output;
    EXPECT_TRUE(Has(replied.output, "\"to\": \"alice\"")) << replied.output;
    ASSERT_TRUE(test::Eventually(
        [&] {
            listed = Send("alice", {"notes"});
            return Has(listed.output, "\"sender\": \"bob\"");
        },
        20s, 100ms))
        << listed.output << alice->Output();
    EXPECT_TRUE(Has(listed.output, "\"read\": false, \"text\": \"좋아\"")) << listed.output;

    auto tooLong = Send("alice", {"note-send", "bob", std::string(201, 'x')});
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_TRUE(Has(tooLong.output, "잘못된 값의 입력")) << tooLong.output;
}

}  // namespace
}  // namespace velorin
