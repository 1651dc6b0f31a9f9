#include "data/complete_list.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(CompleteList, RecordsListsAndClearsWithQuotesIntact) {
    test::CTempFolder dir;
    CCompleteList list;
    ASSERT_TRUE(list.Open(dir / "completelist.db"));
    LocalTime t{2026, 12, 6, 23, 59, 58};
    list.Add("UP", "o'kim", "it's a \"file\".avi", 5000000000LL, t);
    list.Add("UP", "lee", "b.txt", 0, t);
    auto rows = list.List();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].completeTime, "2026-12-06 23:59:58");
    EXPECT_EQ(rows[0].op, "UP");
    EXPECT_EQ(rows[0].userId, "o'kim");
    EXPECT_EQ(rows[0].fileName, "it's a \"file\".avi");
    EXPECT_EQ(rows[0].fileSize, "5000000000");
    ASSERT_TRUE(list.Clear());
    EXPECT_TRUE(list.List().empty());
}

TEST(CompleteList, AnUnusableFileFailsSilently) {
    test::CTempFolder dir;
    test::WriteFile(dir / "completelist.db", "not a database, just some text here.");
    CCompleteList list;
    EXPECT_FALSE(list.Open(dir / "completelist.db"));
    list.Add("UP", "a", "b", 1);
    EXPECT_TRUE(list.List().empty());
    EXPECT_FALSE(list.Clear());
    EXPECT_EQ(test::ReadFile(dir / "completelist.db"), "not a database, just some text here.");
}

}  // namespace
}  // namespace velorin
