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

TEST_F(VisitorListTest, RemovingHaltsTheListedSessionAndDropsTheEntry) {
    visitors.Add("kim", &first);
    visitors.Add("kim", &second);
    visitors.Add("lee", &other);
    // The second connection ends: the first is halted as well.
    visitors.Remove("KIM");
    EXPECT_EQ(halted, std::vector<IVisitorSession*>{&first});
    EXPECT_EQ(visitors.Names(), std::vector<std::string>{"lee"});
}

TEST_F(VisitorListTest, KickHaltsButKeepsTheEntryUntilTheSessionIsReaped) {
    visitors.Add("kim", &first);
    visitors.Kick("kim");
    EXPECT_EQ(halted, std::vector<IVisitorSession*>{&first});
    EXPECT_EQ(visitors.Names(), std::vector<std::string>{"kim"});
    visitors.Remove("kim");
    EXPECT_TRUE(visitors.Names().empty());
    visitors.Kick("nobody");
    EXPECT_EQ(halted.size(), 2u);
}

}  // namespace
}  // namespace velorin
