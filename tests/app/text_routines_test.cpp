#include "app/text_routines.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(FormatDuration, DaysAppearOnlyPastNinetyNineHours) {
    EXPECT_EQ(FormatDuration(0), "00:00:00");
    EXPECT_EQ(FormatDuration(3661), "01:01:01");
    EXPECT_EQ(FormatDuration(359999), "99:59:59");
    EXPECT_EQ(FormatDuration(360000), "4일 04:00:00");
    EXPECT_EQ(FormatDuration(-5), "00:00:00");
}

TEST(UrlDecode, DecodesOnlyCompleteHexEscapes) {
    EXPECT_EQ(UrlDecode("a%20b%2fc%2F"), "a b/c/");
    EXPECT_EQ(UrlDecode("%EB%B2%A8"), "벨");
    EXPECT_EQ(UrlDecode("100%"), "100%");
    EXPECT_EQ(UrlDecode("%4"), "%4");
    EXPECT_EQ(UrlDecode("%zz%41"), "%zzA");
}

}  // namespace
}  // namespace velorin
