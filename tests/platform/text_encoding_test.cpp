#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velorin {
namespace {

TEST(TextEncoding, KoreanRoundTripsThroughCp949) {
    std::string text = "벨로린 서버 'a%b'";
    std::string wire = Utf8ToCp949(text);
    EXPECT_EQ(wire.size(), 6u + 1 + 4 + 1 + 5);
    EXPECT_EQ(Cp949ToUtf8(wire), text);
    EXPECT_EQ(Cp949Length("가a"), 3u);
}

TEST(TextEncoding, UnrepresentableAndMalformedInputBecomesQuestionMarks) {
    EXPECT_EQ(Utf8ToCp949("a😀b"), "a?b");
    EXPECT_EQ(Utf8ToCp949("a\xFF"
                          "b"),
              "a?b");
    // A lead byte with nothing after it at the end of a CP949 string.
    EXPECT_EQ(Cp949ToUtf8("ab\xB0"), "ab?");
    // A bad pair the converter takes whole before it complains.
    EXPECT_EQ(Cp949ToUtf8("\xA2\xE8"), "?");
}

TEST(TextEncoding, CuttingNeverSplitsACharacter) {
    // Each Hangul syllable is two CP949 bytes and three UTF-8 bytes.
    EXPECT_EQ(CutToCp949Bytes("가나다", 5), "가나");
    EXPECT_EQ(CutToCp949Bytes("a가나", 4), "a가");
    EXPECT_EQ(CutToCp949Bytes("abc", 10), "abc");
    EXPECT_EQ(CutToUtf8Bytes("가나", 5), "가");
    EXPECT_EQ(CutToCharacters("가나다", 2), "가나");
    std::string wire = Utf8ToCp949("가나");
    EXPECT_EQ(CutCp949(wire, 3).size(), 2u);
}

TEST(TextEncoding, FixedFieldsAreZeroPaddedAndMayBeFull) {
    char field[4];
    Utf8ToFixedField("가나다", field, sizeof field);
    EXPECT_EQ(FixedFieldToUtf8(field, sizeof field), "가나");
    Utf8ToFixedField("a", field, sizeof field);
    EXPECT_EQ(field[1], 0);
    EXPECT_EQ(field[3], 0);
    // A full field has no terminator and must not be read past.
    std::memcpy(field, "abcd", 4);
    EXPECT_EQ(FixedFieldToUtf8(field, sizeof field), "abcd");
}

}  // namespace
}  // namespace velorin
