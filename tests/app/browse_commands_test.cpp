#include "app/browse_commands.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "app/process.h"
#include "data/share_rules.h"
#include "platform/json.h"
#include "platform/sqlite_database.h"
#include "support/process_fixture.h"
#include "support/run_word.h"
#include "support/scripted_server.h"
#include "transfer/browse_session.h"
#include "transfer/transfer_manager.h"
#include "transfer/transfer_texts.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

// The words against the process's own file server, browsed as a listed member.
class BrowseCommandsTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::SeedProfile(dir / "p", test::FreeUdpPort()));
        // The word list the service ships, as start-up finds it.
        CSqliteDatabase words;
        ASSERT_TRUE(words.Open(dir / "p/badword.db", CSqliteDatabase::Mode::kReadWriteCreate));
        ASSERT_TRUE(
            words.Execute("CREATE TABLE badword (oneword TEXT, req TEXT);"
                          "INSERT INTO badword VALUES ('warez', '저작권협회'), ('sex', '음란물')"));
        words.Close();
        wordList = test::ReadFile(dir / "p/badword.db");
        StartProcess();
        process->SetCredentials({"kim", "password"});
        fs::create_directories(dir / "shared/Album");
        test::WriteFile(dir / "shared/Album/a.mp3", "aa");
        fs::create_directories(dir / "downloads");
        process->Options().SetDownloadPath((dir / "downloads").string());
        bool exists = false;
        CShareDatabase& shares = process->ShareDatabase();
        ASSERT_TRUE(shares.AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        fs::create_directories(dir / "look");
        test::WriteFile(dir / "look/b.txt", "bb");
        ASSERT_TRUE(shares.AddShareFolder(exists, "look", (dir / "look").string(), ""));
        ASSERT_TRUE(shares.UpdatePermission("look", "[all]", "[all]", "", kPermissionBrowse));
        uint16_t port = process->StartFileServer(0);
        ASSERT_NE(port, 0);
        process->ServerRunning() = true;
        ServerRecord record;
        record.userId = "kim";
        record.address = htonl(INADDR_LOOPBACK);
        record.tcpPort = htons(port);
        process->ServerList().AddRecord(record);
    }
    ControlAnswer Run(std::vector<std::string> args) {
        return test::RunWord(process->Commands(), process->Queue(), std::move(args));
    }

    std::string wordList;
};

TEST_F(BrowseCommandsTest, WordsBrowseDownloadFoldersAndKeepTheHistory) {
    ControlAnswer answer = Run({"browse", "kim", "\\docs"});
    ASSERT_EQ(answer.status, ControlAnswer::kDone) << answer.json;
    EXPECT_NE(answer.json.find("\"path\": \"\\\\docs\""), std::string::npos) << answer.json;
    EXPECT_NE(
        answer.json.find("{\"kind\": \"folder\", \"name\": \"Album\", \"type\": \"파일폴더\"}"),
        std::string::npos)
        << answer.json;

    answer = Run({"download-folder", "kim", "\\docs\\Album", "Mine"});
    ASSERT_EQ(answer.status, ControlAnswer::kDone) << answer.json;
    EXPECT_NE(
        answer.json.find("\"files\": 1, \"folders\": 0, \"size\": \"0.0 MB\", \"reserved\": 1"),
        std::string::npos)
        << answer.json;
    EXPECT_EQ(Run({"download-folder", "kim", "\\docs", "x"}).json,
              "{\"error\": \"이 경로는 폴더 다운로드가 불가능 합니다.\"}");

    EXPECT_EQ(Run({"history"}).json, "{\"history\": [\"kim\"]}");
    Run({"history-clear"});
    EXPECT_EQ(Run({"history"}).json, "{\"history\": []}");
    EXPECT_EQ(Run({"browse", "nobody"}).status, ControlAnswer::kRefused);

    // Shutdown stops the browse link before the file server.
    process->Shutdown();
    EXPECT_FALSE(process->Browse()->IsRunning());
}

// The page and the words share one door: what one refuses, the other refuses
// with the same text (and writes the same line).
TEST_F(BrowseCommandsTest, WordsRefuseWhatThePageRefuses) {
    test::WriteFile(dir / "up.txt", "up");
    test::WriteFile(dir / "empty.txt", "");
    ui.pickedFile = (dir / "up.txt").string();
    CServerExplorer& explorer = *process->Explorer();
    auto at = [&](const std::string& path) {
        return [&, path] { ASSERT_EQ(Run({"browse", "kim", path}).status, ControlAnswer::kDone); };
    };
    auto row = [&](const std::string& name) {
        for (size_t i = 0; i < explorer.Rows().size(); ++i) {
            if (explorer.Rows()[i].name == name) return explorer.OpenRow(i);
        }
        return ExplorerResult("no row " + name);
    };
    struct Case {
        std::string path;
        std::function<ExplorerResult()> page;
        std::vector<std::string> word;
        std::string text;
    };
    std::string up = (dir / "up.txt").string();
    std::vector<Case> cases = {
        {"\\",
         [&] { return explorer.Upload(); },
         {"upload", "kim", "\\", up},
         explorer_text::kRootTransfer},
        {"\\docs",
         [&] { return explorer.Upload(); },
         {"upload", "kim", "\\docs", up},
         explorer_text::kNoUploadRight},
        {"\\look",
         [&] { return row("b.txt"); },
         {"download", "kim", "\\look", "b.txt", "2"},
         explorer_text::kNoDownloadRight},
        {"\\docs",
         [&] { return explorer.Connect("lee"); },
         {"download", "lee", "\\docs", "a.mp3", "2"},
         transfer_text::kNotListed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word[0] + " " + c.word[2]);
        at(c.path)();
        EXPECT_EQ(c.page(), c.text);
        size_t lines = ui.RowTexts().size();
        EXPECT_EQ(Run(c.word).json, CJsonObject().Add("error", c.text).Text());
        ASSERT_EQ(ui.RowTexts().size(), lines + 1);
        EXPECT_EQ(ui.RowTexts().back(), c.text);
    }
    // What only a word can name is refused by the same door.
    EXPECT_EQ(Run({"download", "kim", "\\docs", "..", "2"}).json,
              CJsonObject().Add("error", transfer_text::kBadPath).Text());
    EXPECT_EQ(Run({"upload", "kim", "\\Album", (dir / "empty.txt").string()}).status,
              ControlAnswer::kRefused);
    EXPECT_EQ(Run({"download", "kim", "\\docs\\Album", "a.mp3", "2"}).json,
              "{\"ok\": true, \"reserved\": true}");
}

// A listed word in a name refuses the transfer before anything is reserved or
// asked for; a word of the adult category alone refuses nothing.
TEST_F(BrowseCommandsTest, ANameWithAListedWordIsNotTransferred) {
    ASSERT_TRUE(process->ShareDatabase().UpdatePermission("docs", "[all]", "[all]", "", 7));
    test::WriteFile(dir / "shared/Album/[warez] b.mp3", "bb");
    test::WriteFile(dir / "shared/Album/sex.mp3", "cc");
    test::WriteFile(dir / "up-warez.txt", "up");
    struct Case {
        std::vector<std::string> word;
        std::string text;
    };
    const Case cases[] = {
        {{"download", "kim", "\\docs\\Album", "[warez] b.mp3", "2"},
         "'[warez] b.mp3' 은 유해 파일로 추측됩니다. (불법공유, 음란물)"},
        {{"upload", "kim", "\\docs", (dir / "up-warez.txt").string()},
         "'up-warez.txt' 은 유해 파일로 추측됩니다. (불법공유, 음란물)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word[0]);
        EXPECT_EQ(Run(c.word).json, CJsonObject().Add("error", c.text).Text());
        ASSERT_FALSE(ui.RowTexts().empty());
        EXPECT_EQ(ui.RowTexts().back(), c.text);
    }
    EXPECT_TRUE(process->Transfers().Members().empty());
    EXPECT_EQ(Run({"download", "kim", "\\docs\\Album", "sex.mp3", "2"}).json,
              "{\"ok\": true, \"reserved\": true}");
    process.reset();
    EXPECT_EQ(test::ReadFile(dir / "p/badword.db"), wordList);
}

// The shared-file check answers once its walk has ended; a second one meanwhile is refused.
TEST_F(BrowseCommandsTest, TheSharedFileCheckAnswersWithTheListedNames) {
    test::WriteFile(dir / "shared/Album/[warez] b.mp3", "bb");
    auto answer = std::make_shared<std::optional<ControlAnswer>>();
    process->Commands().Execute({"check-shares"}, CControlReply([answer](ControlAnswer given) {
                                    *answer = std::move(given);
                                }));
    ControlAnswer second = Run({"check-shares"});
    // Other words are served while the walk runs.
    ControlAnswer meanwhile = test::RunWord(process->Commands(), process->Queue(), {"history"});
    for (int i = 0; i < 500 && !*answer; ++i) {
        process->Queue().DispatchOne(0, std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(answer->has_value());
    EXPECT_EQ((*answer)->status, ControlAnswer::kDone);
    EXPECT_NE((*answer)->json.find("{\"name\": \"[warez] b.mp3\", \"folder\": "), std::string::npos)
        << (*answer)->json;
    EXPECT_NE((*answer)->json.find("\"word\": \"warez\", \"req\": \"저작권협회\"}"),
              std::string::npos);
    // The walk may already have ended when the second one came.
    if (second.status == ControlAnswer::kRefused) {
        EXPECT_EQ(second.json, "{\"error\": \"a check of the shared files is running\"}");
    }
    EXPECT_EQ(meanwhile.status, ControlAnswer::kDone);
    EXPECT_EQ(Run({"reindex"}).json, "{\"ok\": true, \"text\": \"목록의 갱신합니다.\"}");
    process->ServerRunning() = false;
    EXPECT_EQ(Run({"reindex"}).json,
              "{\"ok\": true, \"text\": \"[서버연결]과 함께 목록이 갱신될것입니다.\"}");
    EXPECT_EQ(Run({"search-terms", "pause"}).json,
              "{\"ok\": true, \"paused\": true, \"lines\": []}");
}

// A dialog lets the loop run: an upload picked after its session ended is not reserved.
TEST_F(BrowseCommandsTest, AnUploadPickedAfterTheSessionEndedIsDropped) {
    ASSERT_TRUE(process->ShareDatabase().UpdatePermission("docs", "[all]", "[all]", "", 7));
    ASSERT_EQ(Run({"browse", "kim", "\\docs"}).status, ControlAnswer::kDone);
    CServerExplorer& explorer = *process->Explorer();
    test::WriteFile(dir / "up.txt", "up");
    ui.pickedFile = (dir / "up.txt").string();
    ui.onPick = [&] {
        explorer.Disconnect();
        while (explorer.Connected()) process->Queue().DispatchOne(0, std::chrono::milliseconds(20));
    };
    EXPECT_EQ(explorer.Upload(), explorer_text::kNotBrowsing);
    EXPECT_TRUE(process->Transfers().Members().empty());
}

// A word waiting for a silent server answers later; the loop serves everything else meanwhile.
TEST_F(BrowseCommandsTest, AWaitingWordLeavesTheLoopFree) {
    test::CScriptedServer silent;
    ASSERT_TRUE(silent.Listen("127.0.0.1", 0));
    ServerRecord record;
    record.userId = "lee";
    record.address = htonl(INADDR_LOOPBACK);
    record.tcpPort = htons(silent.Port());
    process->ServerList().AddRecord(record);

    auto answer = std::make_shared<std::optional<ControlAnswer>>();
    process->Commands().Execute({"browse", "lee"}, CControlReply([answer](ControlAnswer given) {
                                    *answer = std::move(given);
                                }));
    ASSERT_TRUE(silent.Accept());
    bool taskRan = false;
    process->Queue().PostTask([&] { taskRan = true; });
    for (int i = 0; i < 100 && !taskRan; ++i)
        process->Queue().DispatchOne(0, std::chrono::milliseconds(20));
    EXPECT_TRUE(taskRan);
    EXPECT_EQ(Run({"history"}).status, ControlAnswer::kDone);
    EXPECT_FALSE(answer->has_value());

    silent.Drop();
    for (int i = 0; i < 500 && !*answer; ++i)
        process->Queue().DispatchOne(0, std::chrono::milliseconds(20));
    ASSERT_TRUE(answer->has_value());
    EXPECT_EQ((*answer)->status, ControlAnswer::kRefused);

    // A word still waiting when the program ends is refused, not lost.
    auto last = std::make_shared<std::optional<ControlAnswer>>();
    ASSERT_TRUE(silent.Listen("127.0.0.1", silent.Port()));
    process->Commands().Execute({"browse", "lee"}, CControlReply([last](ControlAnswer given) {
                                    *last = std::move(given);
                                }));
    process->Shutdown();
    ASSERT_TRUE(last->has_value());
    EXPECT_EQ((*last)->json, "{\"error\": \"the word was abandoned\"}");
}

}  // namespace
}  // namespace velorin
