#include "platform/text_format.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(FormatDuration, DaysAppearOnlyPastNinetyNineHours) {
    const struct {
        int64_t seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},
        {3661, "01:01:01"},
        {99 * 3600 + 61, "99:01:01"},
        {359999, "99:59:59"},
        {360000, "4일 04:00:00"},
        {100 * 3600 + 5, "4일 04:00:05"},
        {-5, "00:00:00"},
        {INT64_MAX, "106751991167300일 15:30:07"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.seconds), c.text) << c.seconds;
}

TEST(WithThousands, CommaBetweenGroupsOfThree) {
    const struct {
        uint64_t value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {999, "999"},
        {1000, "1,000"},
        {1234567, "1,234,567"},
        {UINT64_MAX, "18,446,744,073,709,551,615"},
    };
    for (const auto& c : cases) EXPECT_EQ(WithThousands(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace velorin
