#include "data/badword_filter.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include "data/badword_file.h"
#include "data/name_filter.h"
#include "platform/sqlite_database.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

// A word list as the service would ship it: (word, requester) rows.
void WriteList(const fs::path& file, const std::vector<std::pair<std::string, std::string>>& rows,
               const char* extraSql = nullptr) {
    ASSERT_TRUE(CreateBadwordFile(file));
    CSqliteDatabase db;
    ASSERT_TRUE(db.Open(file, CSqliteDatabase::Mode::kReadWriteExisting));
    for (const auto& [word, req] : rows) {
        CSqlStatement insert(db.Handle(), "INSERT INTO badword (oneword, req) VALUES (?, ?)");
        ASSERT_TRUE(insert.Bind(word).Bind(req).Run());
    }
    if (extraSql) {
        ASSERT_TRUE(db.Execute(extraSql));
    }
}

class BadWordFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteList(file, {{"warez", "저작권협회"},
                         {"crack", "it's ours"},
                         {"sex", "음란물"},
                         {"야동", "음란물"},
                         {"불법", "경찰청"}});
        ASSERT_TRUE(filter.Open(file));
    }
    bool Restricted(std::string_view name, bool excludeAdult) {
        return HasRestrictedPiece(name, [&](std::string_view piece) {
            return filter.IsRestrictedName(piece, excludeAdult);
        });
    }

    test::CTempFolder dir;
    fs::path file = dir / "badword.db";
    CBadWordFilter filter;
};

TEST_F(BadWordFilterTest, FileNamesAreTestedPieceByPiece) {
    struct Case {
        const char* name;
        bool masked;   // adult words count
        bool refused;  // the test before a transfer
    };
    const Case cases[] = {
        {"[warez] movie.avi", true, true},
        {"movie(crack).zip", true, true},
        {"a,불법-b.txt", true, true},
        {"sex_tape.avi", true, false},
        {"야동 모음.mp4", true, false},
        // Whole pieces only: the word inside a longer piece is not caught.
        {"warezmovie.avi", false, false},
        {"sexy.mp3", false, false},
        // Equality is exact, case included.
        {"WAREZ.avi", false, false},
        {"plain song.mp3", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Restricted(c.name, false), c.masked);
        EXPECT_EQ(Restricted(c.name, true), c.refused);
    }
}

TEST_F(BadWordFilterTest, SearchWordsArePatternsAndGetTheirMessage) {
    struct Case {
        const char* word;
        std::optional<std::string> message;
    };
    const Case cases[] = {
        {"sex", "'sex'는(은) 음란물을 찾기위한 검색으로 검색을 진행할수 없습니다."},
        {"WaReZ",
         "'warez'는(은) '저작권협회'에서 요청한 제한검색어 목록에서 발견되었습니다.\r\n검색을 "
         "진행할수 없습니다.."},
        {"cr%",
         "'crack'는(은) 'it's ours'에서 요청한 제한검색어 목록에서 발견되었습니다.\r\n검색을 "
         "진행할수 없습니다.."},
        {"s_x", "'sex'는(은) 음란물을 찾기위한 검색으로 검색을 진행할수 없습니다."},
        {"%", std::string()},  // matches some word; which one is the list's order
        {"war", std::nullopt},
        {"warez movie", std::nullopt},
        {"s_", std::nullopt},
        {"it's", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        std::string message;
        EXPECT_EQ(filter.CheckSearchWord(c.word, &message), c.message.has_value());
        if (c.message && !c.message->empty()) {
            EXPECT_EQ(message, *c.message);
        }
    }
}

TEST_F(BadWordFilterTest, TheSharedFileCheckNamesFileFolderWordAndRequester) {
    std::vector<BadWordHit> list;
    for (const char* piece : {"song", "CRACK", "100%", "%", "야동"})
        filter.ScanWord(piece, "file.zip", "/music", list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].fileName, "file.zip");
    EXPECT_EQ(list[0].folder, "/music");
    EXPECT_EQ(list[0].word, "crack");
    EXPECT_EQ(list[0].req, "it's ours");
    EXPECT_EQ(list[1].word, "야동");
    EXPECT_EQ(list[1].req, "음란물");
}

TEST_F(BadWordFilterTest, TheFileIsNeverChanged) {
    std::string before = test::ReadFile(file);
    std::vector<BadWordHit> list;
    std::thread other([&] {
        for (int i = 0; i < 200; ++i) filter.IsRestrictedName("warez", true);
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_TRUE(filter.CheckSearchWord("warez"));
        EXPECT_TRUE(filter.ScanWord("sex", "a", "b", list));
    }
    other.join();
    filter.Close();
    EXPECT_EQ(test::ReadFile(file), before);
    // No journal, WAL or lock file beside it either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(BadWordFilter, AnUnusableListRestrictsNothing) {
    test::CTempFolder dir;
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        bool opens;
    };
    const Case cases[] = {
        {"missing", [](const fs::path&) {}, false},
        {"zero bytes", [](const fs::path& f) { test::WriteFile(f, ""); }, true},
        {"garbage",
         [](const fs::path& f) { test::WriteFile(f, std::string(4096, 'x') + "not sqlite"); },
         false},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }, false},
        {"empty table", [](const fs::path& f) { WriteList(f, {}); }, true},
        {"other table",
         [](const fs::path& f) {
             CSqliteDatabase db;
             ASSERT_TRUE(db.Open(f, CSqliteDatabase::Mode::kReadWriteCreate));
             ASSERT_TRUE(db.Execute("CREATE TABLE words (w TEXT); INSERT INTO words VALUES('x')"));
         },
         true},
        {"NULLs",
         [](const fs::path& f) {
             WriteList(f, {},
                       "INSERT INTO badword VALUES (NULL, '음란물'), ('x', NULL), (NULL, NULL)");
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path file = dir / (std::string(c.name) + ".db");
        c.make(file);
        bool existed = fs::exists(file);
        std::string before = fs::is_regular_file(file) ? test::ReadFile(file) : "";
        CBadWordFilter filter(file);
        EXPECT_EQ(filter.IsOpen(), c.opens) << filter.LastError();
        std::vector<BadWordHit> list;
        std::string message;
        for (const char* word : {"x", "%", "_", ""}) {
            EXPECT_FALSE(filter.CheckSearchWord(word, &message));
            EXPECT_FALSE(filter.IsRestrictedName(word, false));
            EXPECT_FALSE(filter.IsRestrictedName(word, true));
            EXPECT_FALSE(filter.ScanWord(word, "f", "d", list));
        }
        EXPECT_TRUE(list.empty());
        EXPECT_TRUE(message.empty());
        filter.Close();
        EXPECT_EQ(fs::exists(file), existed);
        if (fs::is_regular_file(file)) {
            EXPECT_EQ(test::ReadFile(file), before);
        }
    }
}

}  // namespace
}  // namespace velorin
