#include "platform/text_routines.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(UrlDecode, DecodesOnlyCompleteHexEscapes) {
    EXPECT_EQ(UrlDecode("a%20b%2fc%2F"), "a b/c/");
    EXPECT_EQ(UrlDecode("%EB%B2%A8"), "벨");
    EXPECT_EQ(UrlDecode("100%"), "100%");
    EXPECT_EQ(UrlDecode("%4"), "%4");
    EXPECT_EQ(UrlDecode("%zz%41"), "%zzA");
}

}  // namespace
}  // namespace velorin
