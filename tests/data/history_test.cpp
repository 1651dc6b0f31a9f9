#include "data/history.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.Open(dir / "registry.db")); }
    test::CTempFolder dir;
    CRegistry registry;
};

TEST_F(HistoryTest, NewestFirstAndARevisitKeepsItsPlace) {
    AddToHistory(registry, "a");
    AddToHistory(registry, "김철수");
    AddToHistory(registry, "a");
    EXPECT_EQ(LoadHistory(registry), (std::vector<std::string>{"김철수", "a"}));
    std::string stored;
    ASSERT_TRUE(registry.ReadBinary(kHistoryKey, "history", stored));
    EXPECT_EQ(stored.size(), 40u);
}

TEST_F(HistoryTest, TheThirtyFirstVisitDropsTheOldest) {
    for (int i = 0; i < 31; ++i) AddToHistory(registry, "m" + std::to_string(i));
    auto ids = LoadHistory(registry);
    ASSERT_EQ(ids.size(), 30u);
    EXPECT_EQ(ids.front(), "m30");
    EXPECT_EQ(ids.back(), "m1");
}

TEST_F(HistoryTest, AValueOfTheWrongLengthIsIgnoredThenReset) {
    registry.WriteBinary(kHistoryKey, "history", std::string(25, 'x'));
    EXPECT_TRUE(LoadHistory(registry).empty());
    AddToHistory(registry, "b");
    EXPECT_EQ(LoadHistory(registry), std::vector<std::string>{"b"});
    ClearHistory(registry);
    EXPECT_TRUE(LoadHistory(registry).empty());
}

}  // namespace
}  // namespace velorin
