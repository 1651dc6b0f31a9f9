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

// A word list as the service would ship it.
void WriteList(const fs::path& file, const char* rows) {
    ASSERT_TRUE(CreateBadwordFile(file));
    CSqliteDatabase db;
    ASSERT_TRUE(db.Open(file, CSqliteDatabase::Mode::kReadWriteExisting));
    ASSERT_TRUE(db.Execute(std::string("INSERT INTO badword VALUES ") + rows));
}

class BadWordFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteList(file,
                  "('warez', '저작권협회'), ('crack', 'it''s ours'), ('sex', '음란물'), "
                  "('야동', '음란물'), ('불법', '경찰청')");
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

TEST_F(BadWordFilterTest, FileNamesAreTestedByWholePiecesAdultWordsNeverRefuseATransfer) {
    struct Case {
        const char* name;
        bool masked;   // adult words count
        bool refused;  // the test before a transfer
    };
    const Case cases[] = {
        {"[warez] movie.avi", true, true}, {"movie(crack).zip", true, true},
        {"a,불법-b.txt", true, true},      {"sex_tape.avi", true, false},
        {"야동 모음.mp4", true, false},    {"warezmovie.avi", false, false},
        {"sexy.mp3", false, false},        {"WAREZ.avi", false, false},
        {"it's.mp3", false, false},        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Restricted(c.name, false), c.masked);
        EXPECT_EQ(Restricted(c.name, true), c.refused);
    }
}

TEST_F(BadWordFilterTest, SearchWordsArePatternsAndGetTheirMessage) {
    const std::string adult = "'sex'는(은) 음란물을 찾기위한 검색으로 검색을 진행할수 없습니다.";
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"sex", adult},
        {"s_x", adult},
        {"WaReZ",
         "'warez'는(은) '저작권협회'에서 요청한 제한검색어 목록에서 발견되었습니다."
         "\r\n검색을 진행할수 없습니다.."},
        {"cr%",
         "'crack'는(은) 'it's ours'에서 요청한 제한검색어 목록에서 발견되었습니다."
         "\r\n검색을 진행할수 없습니다.."},
        {"war", std::nullopt},
        {"s_", std::nullopt},
        {"it's", std::nullopt},
    };
    for (const auto& [word, expected] : cases) {
        SCOPED_TRACE(word);
        std::string message;
        EXPECT_EQ(filter.CheckSearchWord(word, &message), expected.has_value());
        EXPECT_EQ(message, expected.value_or(""));
    }
    EXPECT_TRUE(filter.CheckSearchWord("%"));
}

TEST_F(BadWordFilterTest, TheFileIsNeverChangedWhileThreadsUseIt) {
    std::string before = test::ReadFile(file);
    std::vector<BadWordHit> list;
    std::thread other([&] {
        for (int i = 0; i < 200; ++i) EXPECT_TRUE(filter.IsRestrictedName("warez", true));
    });
    for (int i = 0; i < 200; ++i) EXPECT_TRUE(filter.ScanWord("SEX", "a", "b", list));
    other.join();
    filter.Close();
    EXPECT_EQ(test::ReadFile(file), before);
    // No journal, WAL or lock file beside it either.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(BadWordFilter, AnUnusableListRestrictsNothing) {
    test::CTempFolder dir;
    const std::pair<const char*, std::function<void(const fs::path&)>> cases[] = {
        {"missing", [](const fs::path&) {}},
        {"zero bytes", [](const fs::path& f) { test::WriteFile(f, ""); }},
        {"garbage", [](const fs::path& f) { test::WriteFile(f, std::string(4096, 'x')); }},
        {"a folder", [](const fs::path& f) { fs::create_directory(f); }},
        {"no table",
         [](const fs::path& f) {
             CSqliteDatabase db;
             ASSERT_TRUE(db.Open(f, CSqliteDatabase::Mode::kReadWriteCreate));
             ASSERT_TRUE(db.Execute("CREATE TABLE words (w TEXT); INSERT INTO words VALUES('x')"));
         }},
        {"NULLs",
         [](const fs::path& f) { WriteList(f, "(NULL, '음란물'), ('x', NULL), (NULL, NULL)"); }},
    };
    for (const auto& [name, make] : cases) {
        SCOPED_TRACE(name);
        fs::path file = dir / name;
        make(file);
        std::string before = fs::is_regular_file(file) ? test::ReadFile(file) : "";
        CBadWordFilter filter(file);
        std::vector<BadWordHit> list;
        for (const char* word : {"x", "%", ""}) {
            EXPECT_FALSE(filter.CheckSearchWord(word));
            EXPECT_FALSE(filter.IsRestrictedName(word, false));
            EXPECT_FALSE(filter.IsRestrictedName(word, true));
            EXPECT_FALSE(filter.ScanWord(word, "f", "d", list));
        }
        filter.Close();
        if (fs::is_regular_file(file)) {
            EXPECT_EQ(test::ReadFile(file), before);
        }
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

}  // namespace
}  // namespace velorin
