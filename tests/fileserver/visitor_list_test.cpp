#include "fileserver/visitor_list.h"

#include <gtest/gtest.h>

#include "fileserver_fixture.h"
#include "support/message_log.h"

namespace velorin {
namespace {

class VisitorListTest : public ::testing::Test {
protected:
    void SetUp() override { visitors.SetOwner({&queue, view.Handle()}); }

    std::vector<IVisitorSession*> halted;
    CVisitorList visitors{[this](IVisitorSession* s) { halted.push_back(s); }};
    CMessageQueue queue;
    test::CMessageLog view{queue};
    test::CRecordingSession first, second, other;
};

TEST_F(VisitorListTest, OneEntryPerIdWhateverTheLetterCase) {
    EXPECT_TRUE(visitors.Add("Kim", &first));
    EXPECT_FALSE(visitors.Add("KIM", &second));
    EXPECT_TRUE(visitors.Add("lee", &other));
    EXPECT_EQ(visitors.Names(), (std::vector<std::string>{"Kim", "lee"}));
    queue.ProcessPending();
    EXPECT_EQ(view.Count(WM_VISITORS_CHANGED), 2u);
}

TEST_F(VisitorListTest, AnEndedSessionDropsOnlyItsOwnEntryAndKickHaltsTheMember) {
    visitors.Add("kim", &first);
    visitors.Add("lee", &other);
    // A second connection claiming the ID was never listed: its end halts nobody.
    visitors.Remove(&second);
    EXPECT_TRUE(halted.empty());
    EXPECT_EQ(visitors.Names(), (std::vector<std::string>{"kim", "lee"}));
    // A kick halts but keeps the entry until the session is reaped.
    visitors.Kick("KIM");
    EXPECT_EQ(halted, std::vector<IVisitorSession*>{&first});
    EXPECT_EQ(visitors.Names(), (std::vector<std::string>{"kim", "lee"}));
    visitors.Remove(&first);
    EXPECT_EQ(visitors.Names(), std::vector<std::string>{"lee"});
    visitors.Kick("nobody");
    EXPECT_EQ(halted.size(), 1u);
}

}  // namespace
}  // namespace velorin
