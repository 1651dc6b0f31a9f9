#include "service/server_list.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

ServerRecord Record(const std::string& id, uint8_t channel, int8_t category) {
    ServerRecord r;
    r.userId = id;
    r.channel = channel;
    r.category = category;
    return r;
}

TEST(ServerList, KeepsAtMost6000PerChannelAndEachMemberOnce) {
    CServerList list;
    for (int i = 0; i < 6001; ++i) list.AddRecord(Record("a" + std::to_string(i), 0, 1));
    EXPECT_EQ(list.Count(0), 6000u);
    EXPECT_EQ(list.CategoryCount(0, 1), 6000u);
    EXPECT_TRUE(list.AddRecord(Record("a6000", 1, 9)));  // the full channel dropped it
    EXPECT_FALSE(list.AddRecord(Record("A5", 1, 2)));
    EXPECT_EQ(list.CategoryCount(1, 2), 0u);

    list.ClearChannel(0);
    EXPECT_EQ(list.Count(0), 0u);
    ServerRecord found;
    EXPECT_FALSE(list.FindById("a5", found));
    ASSERT_TRUE(list.FindById("A6000", found));
    EXPECT_EQ(found.channel, 1);
    EXPECT_TRUE(list.AddRecord(Record("a5", 1, 2)));
    list.ClearAll();
    EXPECT_EQ(list.Count(1), 0u);
    EXPECT_FALSE(list.FindById("a6000", found));
}

}  // namespace
}  // namespace velorin
