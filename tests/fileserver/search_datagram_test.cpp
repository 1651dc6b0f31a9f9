#include "fileserver/search_datagram.h"

#include <gtest/gtest.h>

#include "fileserver/search_query.h"

namespace velorin {
namespace {

TEST(SearchDatagram, EveryShortenedDatagramIsRefused) {
    SearchQuery query{std::string("0123456789abcdef"), "노래 abc", "mp3"};
    std::string q = EncodeSearchQuery(query);
    ASSERT_EQ(q.size(), 22u + 8 + 3);
    std::optional<SearchQuery> back = DecodeSearchQuery(q);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->term, query.term);
    EXPECT_EQ(back->ext, "mp3");
    EXPECT_EQ(back->sendTime, query.sendTime);

    SearchAnswer answer;
    answer.memberId = "twentycharactersid20";
    answer.sendTime = query.sendTime;
    answer.size = 5'000'000'000ULL;
    answer.name = "it's 노래.mp3";
    answer.path = "\\Music\\가요";
    answer.ext = "MP3";
    answer.type = 0;
    std::string a = EncodeSearchAnswer(answer);
    std::optional<SearchAnswer> decoded = DecodeSearchAnswer(a);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->memberId, answer.memberId);
    EXPECT_EQ(decoded->size, answer.size);
    EXPECT_EQ(decoded->name, answer.name);
    EXPECT_EQ(decoded->path, answer.path);
    EXPECT_EQ(decoded->ext, answer.ext);

    for (size_t n = 0; n < q.size(); ++n) EXPECT_FALSE(DecodeSearchQuery(q.substr(0, n))) << n;
    for (size_t n = 0; n < a.size(); ++n) EXPECT_FALSE(DecodeSearchAnswer(a.substr(0, n))) << n;
    EXPECT_FALSE(DecodeSearchQuery(q + "x"));
    EXPECT_FALSE(DecodeSearchAnswer(a + "x"));
}

TEST(SearchDatagram, WordsSplitAtBlanksAndBars) {
    struct Case {
        std::string term;
        std::vector<std::string> words;
    } cases[] = {
        {"abc|def ghi", {"abc", "def", "ghi"}}, {"  |a||b  ", {"a", "b"}}, {" | | ", {}},
        {"노래|가요", {"노래", "가요"}},        {"it's", {"it's"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitSearchWords(c.term), c.words) << c.term;
}

}  // namespace
}  // namespace velorin
