#include "views/search_view.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "data/badword_file.h"
#include "data/link.h"
#include "data/settings.h"
#include "fileserver/file_server.h"
#include "platform/sqlite_database.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
namespace text = search_view_text;
using namespace std::chrono_literals;

TEST(SearchRow, ColumnsOfAnAnswer) {
    struct Case {
        const char* name;
        uint32_t type;
        uint64_t size;
        int64_t responseMs;
        std::array<std::string, 7> texts;
        bool masked;
    } cases[] = {
        {"a song.mp3",
         0,
         1234567,
         500,
         {"a song.mp3", "", "MP3", ">docs>sub", "1,234,567", "kim", "480"},
         false},
        {"folder", 1, 0, 21, {"folder", "폴더", "MP3", ">docs>sub", "0", "kim", "1"}, false},
        {"x", 0, 5, 20, {"x", "", "MP3", ">docs>sub", "5", "kim", "0"}, false},
        // Pieces lie between "(). [],-_"; a listed one turns into one "*" per CP949 byte.
        {"야동-clip(야동).avi",
         0,
         1,
         0,
         {"****-clip(****).avi", "", "MP3", ">docs>sub", "1", "kim", "0"},
         true},
        {"야동클립.avi", 0, 1, 0, {"야동클립.avi", "", "MP3", ">docs>sub", "1", "kim", "0"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SearchAnswer answer{"kim", {}, c.size, c.name, "\\docs\\sub", "MP3", c.type};
        SearchRow row = MakeSearchRow(answer, c.responseMs,
                                      [](std::string_view piece) { return piece == "야동"; });
        EXPECT_EQ(row.texts, c.texts);
        EXPECT_EQ(row.masked, c.masked);
    }
}

// A signed-in process whose own robot answers its own searches: member "kim"
// shares "docs" and is the only one in the server list.
class SearchViewTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        fs::create_directories(dir / "shared/song folder");
        test::WriteFile(dir / "shared/alpha song.mp3", "123456789");
        test::WriteFile(dir / "shared/Beta song.MP3", "1234567890");
        test::WriteFile(dir / "shared/야동 song.avi", "1");
        test::WriteFile(dir / "shared/other.txt", "1");
        ASSERT_TRUE(test::SeedProfile(dir / "p", test::FreeUdpPort()));
        ASSERT_TRUE(CreateBadwordFile(dir / "p/badword.db"));
        CSqliteDatabase words;
        ASSERT_TRUE(words.Open(dir / "p/badword.db", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(words.Execute(
            "INSERT INTO badword VALUES ('warez', '저작권협회'), ('야동', '음란물')"));
        words.Close();
        StartProcess();
        process->SetCredentials({"kim", "password"});
        bool exists = false;
        ASSERT_TRUE(
            process->ShareDatabase().AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        uint16_t port = process->StartFileServer(0);
        uint16_t udp = process->OpenSearchPort(0);
        ASSERT_NE(udp, 0);
        process->StartSearchRobot();
        ASSERT_TRUE(test::Eventually([&] { return process->SearchRobot().Rebuilds() >= 1; }));
        process->ServerRunning() = port != 0;
        ServerRecord own;
        own.userId = "kim";
        own.address = htonl(INADDR_LOOPBACK);
        own.tcpPort = htons(port);
        own.udpPort = htons(udp);
        own.sharingFlag = 1;
        ASSERT_TRUE(process->ServerList().AddRecord(own));
    }
    CSearchView& View() { return *process->SearchView(); }
    // The test's thread runs the loop until the search has ended.
    void Search(const std::string& term, const std::string& ext = "") {
        ASSERT_EQ(View().StartSearch(term, !ext.empty(), ext), std::nullopt);
        EXPECT_TRUE(View().Searching());
        ASSERT_TRUE(test::Eventually([&] {
            process->Queue().ProcessPending();
            return !View().Searching();
        }));
    }
    size_t RowOf(const std::string& shownName) {
        for (size_t i = 0; i < View().Rows().size(); ++i) {
            if (View().Rows()[i].texts[0] == shownName) return i;
        }
        ADD_FAILURE() << shownName << " not listed";
        return 0;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const SearchRow& row : View().Rows()) names.push_back(row.texts[0]);
        return names;
    }
};

TEST_F(SearchViewTest, RefusesTermsInOrderWhereThePersonSeesThem) {
    struct Case {
        const char* term;
        bool signedIn;
        std::string shown;
        bool messageBox;
    } cases[] = {
        {"warez_song", false, text::kUnderscore, true},
        {"  song ", false, text::kNeedsServer, false},
        {"ab", true, "4byte 이상의 검색어를 입력하세요(영문 4자, 한글2자) - 'ab'", false},
        {" \\a\\b\\ ", true, "4byte 이상의 검색어를 입력하세요(영문 4자, 한글2자) - 'ab'", false},
        {"warez", true,
         "'warez'는(은) '저작권협회'에서 요청한 제한검색어 목록에서 발견되었습니다.\r\n검색을 "
         "진행할수 없습니다..",
         true},
        {"ab 야동", true, "'야동'는(은) 음란물을 찾기위한 검색으로 검색을 진행할수 없습니다.",
         true},
    };
    ui.answer = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term);
        process->ServerRunning() = c.signedIn;
        size_t messages = ui.Messages().size();
        EXPECT_EQ(View().StartSearch(c.term, false, ""), c.shown);
        EXPECT_FALSE(View().Searching());
        if (c.messageBox) {
            EXPECT_EQ(ui.Messages().back(), c.shown);
        } else {
            EXPECT_EQ(ui.RowTexts().back(), c.shown);
        }
        if (!c.signedIn && !c.messageBox) {
            EXPECT_EQ(ui.Messages().back(), "? 서버에 접속되어 있지 않습니다. 접속하시겠습니까?");
        } else if (!c.messageBox) {
            EXPECT_EQ(ui.Messages().size(), messages);
        }
    }
}

TEST_F(SearchViewTest, SearchesTheWordsThatPassAndMasksListedPieces) {
    Search("ab warez song");
    EXPECT_EQ(process->SearchRobot().CurrentTerm(), "song");
    EXPECT_EQ(ui.RowTexts().back(), "4byte 이상의 검색어를 입력하세요(영문 4자, 한글2자) - 'ab'");
    ASSERT_EQ(View().Rows().size(), 4u);
    const SearchRow& alpha = View().Rows()[RowOf("alpha song.mp3")];
    EXPECT_EQ(alpha.texts[2], "MP3");
    EXPECT_EQ(alpha.texts[3], ">docs");
    EXPECT_EQ(alpha.texts[4], "9");
    EXPECT_EQ(alpha.texts[5], "kim");
    EXPECT_EQ(View().Rows()[RowOf("song folder")].texts[1], "폴더");
    EXPECT_TRUE(View().Rows()[RowOf("**** song.avi")].masked);
    EXPECT_EQ(View().Progress(), 100);

    // The extension narrows the answers and is remembered first.
    Search("song", "mp3");
    EXPECT_EQ(View().Rows().size(), 2u);
    Search("song", "avi");
    EXPECT_EQ(View().ExtensionItems(),
              (std::vector<std::string>{"avi", "mp3", text::kClearHistory}));
    View().ChooseExtension(text::kClearHistory);
    EXPECT_EQ(View().ExtensionItems(), std::vector<std::string>{text::kClearHistory});
}

TEST_F(SearchViewTest, DownloadsFileRowsSkipsFoldersAndRefusesMaskedOnes) {
    Search("song");
    size_t masked = RowOf("**** song.avi");
    SearchDownloadResult refused = View().Download({masked, RowOf("alpha song.mp3")});
    EXPECT_EQ(refused.reserved, 0u) << "processing ends at the masked row";
    EXPECT_EQ(refused.refusals, std::vector<std::string>{text::kMasked});
    EXPECT_EQ(ui.RowTexts().back(), text::kMasked);

    SearchDownloadResult mixed = View().Download({RowOf("song folder"), RowOf("alpha song.mp3")});
    EXPECT_EQ(mixed.reserved, 1u);
    EXPECT_FALSE(mixed.connected);
    EXPECT_TRUE(mixed.refusals.empty());

    uint64_t sessions = process->Explorer()->Sessions();
    SearchDownloadResult folder = View().Download({RowOf("song folder")});
    EXPECT_TRUE(folder.connected);
    EXPECT_EQ(folder.reserved, 0u);
    ASSERT_TRUE(test::Eventually([&] {
        process->Queue().ProcessPending();
        return process->Explorer()->Sessions() > sessions && process->Explorer()->SignedOn();
    }));
    EXPECT_EQ(process->Explorer()->BrowsedId(), "kim");

    process->ServerRunning() = false;
    ui.answer = false;
    EXPECT_EQ(View().Download({RowOf("Beta song.MP3")}).refusals,
              std::vector<std::string>{text::kDownloadNeedsServer});
    EXPECT_EQ(View().ConnectPeer(0), std::string(text::kConnectNeedsServer));
}

TEST_F(SearchViewTest, ARowsLinksNameItsFileOrForFoldersAndMaskedNamesTheServer) {
    Search("song");
    const LinkTexts server = ServerLinkTexts("kim");
    EXPECT_EQ(View().LinkTextsOf(RowOf("alpha song.mp3")),
              FileLinkTexts("kim", "\\docs", "alpha song.mp3", 9));
    EXPECT_EQ(View().LinkTextsOf(RowOf("song folder")), server);
    EXPECT_EQ(View().LinkTextsOf(RowOf("**** song.avi")), server);
    EXPECT_EQ(View().LinkTextsOf(View().Rows().size()), std::nullopt);
}

TEST_F(SearchViewTest, SortsByColumnAlternatelyAndSizesAsNumbers) {
    process->Settings().Write(setting::FindedListSort, 1);
    process->Settings().Write(setting::SortPriority, 0);
    Search("song");
    std::vector<std::string> az = {"**** song.avi", "alpha song.mp3", "Beta song.MP3",
                                   "song folder"};
    EXPECT_EQ(Names(), az) << "sorted by name when the search ended";
    // The next search keeps the order instead of turning it round.
    Search("song");
    EXPECT_EQ(Names(), az);
    View().SortColumn(0);
    EXPECT_EQ(Names(), std::vector<std::string>(az.rbegin(), az.rend()));

    View().SortKey(3);  // "크기": 0, 1, 9, 10 bytes; as text "10" would come before "9"
    EXPECT_EQ(View().Rows()[2].texts[4], "9");
    EXPECT_EQ(View().Rows()[3].texts[4], "10");
    process->Queue().PostMessage(View().Handle(), WM_SEARCH_SORT, 3);
    process->Queue().ProcessPending();
    EXPECT_EQ(View().Rows()[0].texts[4], "10");

    View().DeleteAll();
    EXPECT_TRUE(View().Rows().empty());
    EXPECT_EQ(View().Progress(), 0);
}

TEST_F(SearchViewTest, CancelEndsTheSearchAndANewOneReplacesIt) {
    ASSERT_EQ(View().StartSearch("song", false, ""), std::nullopt);
    uint64_t ended = View().SearchesEnded();
    View().Cancel();
    EXPECT_FALSE(View().Searching());
    EXPECT_EQ(View().Progress(), 0);
    EXPECT_EQ(View().SearchesEnded(), ended + 1);
    process->Queue().ProcessPending();
    EXPECT_EQ(View().Progress(), 0) << "the stopped search's last progress is dropped";

    ASSERT_EQ(View().StartSearch("alpha", false, ""), std::nullopt);
    Search("beta");
    ASSERT_EQ(Names(), std::vector<std::string>{"Beta song.MP3"});
}

}  // namespace
}  // namespace velorin
