#include "data/link.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

bool IsLink(const std::string& text) {
    return ParseLink(text).has_value();
}

TEST(Link, TextsReadBackTheSameWithBlanksAsStarsOnlyInsideTheLink) {
    EXPECT_EQ(ServerLinkHtml("kim"), "<A HREF=vel://|server|kim|/>kim의 서버</A> ");
    EXPECT_EQ(FileLinkHtml("kim", "\\my docs", "a b.mkv", 5000000000),
              "<A HREF=vel://|file|kim|\\my*docs|a*b.mkv|5000000000|/>a b.mkv</A>");
    CFileLink file{"김철수", "\\내 음악\\2024 여름", "노래 하나 (live).mp3", 4294967296ull + 17};
    EXPECT_EQ(ParseLink(FileLink(file.userId, file.path, file.name, file.size)), CLink(file));
    EXPECT_EQ(ParseLink(ServerLink("lee")), CLink(CServerLink{"lee"}));
    EXPECT_EQ(ParseLink("VEL://|FILE|kim|\\d|a|1|/"), CLink(CFileLink{"kim", "\\d", "a", 1}));
    EXPECT_EQ(ParseLink("Vel://|Server|kim|"), CLink(CServerLink{"kim"}));
}

TEST(Link, OnlyTheExactFieldsOfAKindMakeALink) {
    for (const char* text : {"vel://|file|kim|\\d|a|/", "vel://|file|kim|\\d|a|1|extra|/",
                             "vel://|server|kim|more|/", "vel://|server||/", "vel://||kim|/",
                             "vil://|server|kim|/", "vel://|folder|kim|/", "", "|||||||||"}) {
        EXPECT_FALSE(IsLink(text)) << text;
    }
}

TEST(Link, BarsThatABrowserEscapedAreReadInEitherCaseOfHex) {
    std::string expected = "vel://|file|kim|\\my*docs|a b|3|/";
    EXPECT_EQ(UnescapeLink("vel://%7Cfile%7Ckim%7C%5Cmy*docs%7Ca%20b%7C3%7C/"), expected);
    EXPECT_EQ(UnescapeLink("vel://%7cfile%7ckim%7c%5cmy*docs%7ca%20b%7c3%7c/"), expected);
    EXPECT_EQ(UnescapeLink("vel://%257cserver%257ckim%257c/"), "vel://|server|kim|/");
    EXPECT_EQ(UnescapeLink("vel://%257Cserver%257Ckim%257C/"), "vel://|server|kim|/");
}

TEST(Link, CopiedTextsOfAFileReadBackOrAreLeftOut) {
    const std::string kim = ServerLink("kim");
    const std::string kimHtml = ServerLinkHtml("kim");
    struct Case {
        std::string path;
        std::string name;
        uint64_t size;
        bool file;  // the file texts are given
    } cases[] = {
        {"\\my docs\\2024 여름", "노래 하나 (live).mp3", 4294967296ull * 3 + 5, true},
        {"\\d", "a", 0, true},
        // Would read back as "a b" or as no link at all.
        {"\\d", "a*b", 1, false},
        {"\\d", "a|b", 1, false},
        {"\\d", "sub\\a", 1, false},
        {"\\d", std::string(300, 'n'), 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkTexts texts = FileLinkTexts("kim", c.path, c.name, c.size);
        EXPECT_EQ(texts.server, kim);
        EXPECT_EQ(texts.serverHtml, kimHtml);
        if (!c.file) {
            EXPECT_TRUE(texts.file.empty() && texts.fileHtml.empty());
            continue;
        }
        EXPECT_EQ(texts.file, FileLink("kim", c.path, c.name, c.size));
        EXPECT_EQ(texts.fileHtml, FileLinkHtml("kim", c.path, c.name, c.size));
        EXPECT_EQ(ParseLink(texts.file), CLink(CFileLink{"kim", c.path, c.name, c.size}));
    }
    EXPECT_EQ(ServerLinkTexts("kim"), (LinkTexts{kim, kimHtml, "", "", "kim"}));
}

TEST(Link, ASizeThatIsNoPlainNumberOrAFieldTheWireWouldChangeMakesNoLink) {
    EXPECT_TRUE(IsLink("vel://|file|kim|\\d|a|9223372036854775807|/"));
    for (const char* size :
         {"", "12a", "-1", "+1", " 1", "0x10", "9223372036854775808", "18446744073709551616"}) {
        EXPECT_FALSE(IsLink("vel://|file|kim|\\d|a|" + std::string(size) + "|/")) << size;
    }
    std::string ten = "가나다라마바사아자차";  // 20 CP949 bytes
    EXPECT_TRUE(IsLink(ServerLink(ten)));
    EXPECT_FALSE(IsLink(ServerLink(ten + "a")));
    // Path, "\" and name share the 260 bytes of a request, counted in CP949.
    EXPECT_TRUE(IsLink(FileLink("kim", "\\d", std::string(255, 'n') + "가", 1)));
    EXPECT_FALSE(IsLink(FileLink("kim", "\\d", std::string(256, 'n') + "가", 1)));
    EXPECT_FALSE(IsLink(FileLink("kim", "\\" + std::string(300, 'p'), "a", 1)));
    EXPECT_FALSE(IsLink(FileLink("kim", "\\d", "smile😀.png", 1)));
    EXPECT_FALSE(IsLink(FileLink("kim", "\\d", "bad\xff.png", 1)));
    EXPECT_FALSE(IsLink(std::string("vel://|file|kim|\\d|a\0b|1|/", 26)));
}

}  // namespace
}  // namespace velorin
