#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "app/main_controller.h"
#include "app/process.h"
#include "data/link.h"
#include "platform/window_messages.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "transfer/transfer_manager.h"
#include "views/server_explorer.h"
#include "views/server_list_view.h"
#include "views/server_view.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A process whose own file server runs, shares "docs" and is listed as member "kim".
class ProcessLinks : public test::ProcessFixture<> {
protected:
    void StartWith(const std::optional<std::string>& argument) {
        fs::create_directories(dir / "shared");
        fs::create_directories(dir / "downloads");
        test::WriteFile(dir / "shared/a b.mp3", "aa");
        StartProcess(argument);
        process->SetCredentials({"kim", "password"});
        process->Options().SetDownloadPath((dir / "downloads").string());
        bool exists = false;
        ASSERT_TRUE(
            process->ShareDatabase().AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        uint16_t port = process->StartFileServer(0);
        process->ServerRunning() = port != 0;
        ServerRecord own;
        own.userId = "kim";
        own.address = htonl(INADDR_LOOPBACK);
        own.tcpPort = htons(port);
        ASSERT_TRUE(process->ServerList().AddRecord(own));
    }
    void TearDown() override {
        if (loop.joinable()) {
            process->Queue().Quit(kExitShutdown);
            loop.join();
        }
    }
    // Runs `read` on the loop's thread, where the process's state lives.
    template <typename Read>
    auto OnLoop(Read read) {
        auto result = std::make_shared<std::promise<decltype(read())>>();
        process->Queue().PostTask([result, read] { result->set_value(read()); });
        return result->get_future().get();
    }
    // Asks the loop until `read` holds; a link that is never acted on fails instead of hanging.
    template <typename Read>
    bool HoldsOnLoop(Read read) {
        return test::Eventually([&] { return OnLoop(read); }, 10s, 10ms);
    }
    // With the loop not running: the test's thread is the loop's. The last line written.
    std::string Handle(const std::string& link) {
        process->SetPendingLink(link);
        process->HandlePendingLink();
        EXPECT_FALSE(process->PendingLink()) << link;
        std::vector<test::CRecordingUserInterface::Row> rows = ui.Rows();
        return rows.empty() || rows.back().kind != kStatusCaution ? "" : rows.back().text;
    }

    std::thread loop;
};

TEST_F(ProcessLinks, ACommandLineLinkWaitsForTheListAndALaterStartsLinkActsAtOnce) {
    StartWith(ServerLink("kim"));
    loop = std::thread([this] { process->Queue().Run(); });
    EXPECT_EQ(OnLoop([&] { return process->PendingLink(); }), ServerLink("kim"));
    process->Queue().PostMessage(process->Controller()->Handle(), WM_SERVER_LIST_DONE, 0, 0);
    EXPECT_TRUE(HoldsOnLoop([&] {
        CServerExplorer& explorer = *process->Explorer();
        return explorer.SignedOn() && explorer.BrowsedId() == "kim" &&
               explorer.CurrentPath() == "\\";
    }));

    // Escaped as a browser passes it on; downloaded from the address and port the list gives.
    std::string link = FileLink("kim", "\\docs", "a b.mp3", 2);
    for (size_t at; (at = link.find('|')) != std::string::npos;) link.replace(at, 1, "%7C");
    ControlAnswer answer;
    ASSERT_EQ(CSingleInstance::Send(dir / "p", {ControlRequest::kLink, {link}}, answer, 5s),
              CSingleInstance::SendResult::kDelivered);
    EXPECT_TRUE(HoldsOnLoop([&] { return test::ReadFile(dir / "downloads/a b.mp3") == "aa"; }));
    EXPECT_EQ(ui.Opened().back(), "transfer page");
    EXPECT_FALSE(OnLoop([&] { return process->PendingLink(); }));
}

TEST_F(ProcessLinks, RefusedLinksLeaveTheirLineAndGoWithoutAReservation) {
    StartWith(std::nullopt);
    const std::string notListed =
        "요청하신 서버정보가 리스트에 없습니다. 서버리스트를 갱신해보시면 서버정보를 받으실수도 "
        "있습니다.";
    EXPECT_EQ(Handle(FileLink("lee", "\\docs", "a b.mp3", 2)), notListed);
    EXPECT_EQ(Handle(ServerLink("lee")), notListed);
    // A name from a web page must stay one file of the download folder.
    for (const char* name : {"..", "../../escaped", "/tmp/escaped", "..\\escaped", "sub\\a.mp3"}) {
        EXPECT_EQ(Handle(FileLink("kim", "\\docs", name, 2)), "잘못된 경로입니다.") << name;
    }
    EXPECT_TRUE(process->Transfers().Snapshot("").empty());
    size_t lines = ui.Rows().size();
    Handle("vel://|file|kim|\\docs|a*b.mp3|2x|/");
    EXPECT_EQ(ui.Rows().size(), lines);

    process->StopFileServer();
    ui.answer = false;
    EXPECT_EQ(Handle(FileLink("kim", "\\docs", "a b.mp3", 2)),
              "서버를 시작하지 않으면 다운로드요청이 불가능합니다.");
    EXPECT_EQ(ui.Messages().back(), "? 서버에 접속되어 있지 않습니다. 접속하시겠습니까?");
    EXPECT_TRUE(process->Transfers().Snapshot("").empty());

    process->ServerRunning() = false;
    process->SetPendingLink(ServerLink("kim"));
    process->HandlePendingLink();
    EXPECT_EQ(process->PendingLink(), ServerLink("kim"));
}

TEST_F(ProcessLinks, TheLinkWordAnswersBothFormsOrRefusesWhatWouldNotReadBack) {
    StartWith(std::nullopt);
    EXPECT_EQ(process->Commands().Execute({"link", "kim", "\\my docs", "a b.mkv", "5"}).json,
              "{\"ok\": true, \"link\": \"vel://|file|kim|\\\\my*docs|a*b.mkv|5|/\", "
              "\"html\": \"<A HREF=vel://|file|kim|\\\\my*docs|a*b.mkv|5|/>a b.mkv</A>\"}");
    EXPECT_EQ(process->Commands().Execute({"link", "kim", "\\d", "a*b", "1"}).status,
              ControlAnswer::kRefused);
}

TEST_F(ProcessLinks, TheCopyWordAnswersARowsTextsOfEachList) {
    StartWith(std::nullopt);
    auto copy = [&](const std::string& list, const std::string& row) {
        return process->Commands().Execute({"link-copy", list, row});
    };
    auto pending = [&](auto done) {
        return test::Eventually([&] {
            process->Queue().ProcessPending();
            return done();
        });
    };
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"link-copy"},
                                               {"link-copy", "friends", "1"},
                                               {"link-copy", "servers", "0"},
                                               {"link-copy", "servers", "1x"},
                                               {"link-copy", "servers", "2"},
                                               {"link-copy", "servers", "1", "kim"},
                                               {"link-copy", "search", "1"}}) {
        EXPECT_EQ(process->Commands().Execute(args).status, ControlAnswer::kRefused) << args.size();
    }

    // The member browses and downloads from the own server: it is its own visitor.
    CServerExplorer& explorer = *process->Explorer();
    ASSERT_EQ(explorer.Connect("kim", "\\docs"), std::nullopt);
    ASSERT_TRUE(
        pending([&] { return explorer.CurrentPath() == "\\docs" && !explorer.Rows().empty(); }));
    ASSERT_EQ(explorer.ReserveRemoteFile("kim", "\\docs", "a b.mp3", 2), std::nullopt);
    ASSERT_TRUE(pending([&] {
        return process->TransferView()->Rows().size() == 1 &&
               !process->ServerView()->Transfers().empty();
    }));
    process->ServerListView()->SetShareFilter(false);

    const std::string server =
        "\"server\": \"vel://|server|kim|/\", \"server_html\": "
        "\"<A HREF=vel://|server|kim|/>kim의 서버</A> \"";
    const std::string file =
        "\"file\": \"vel://|file|kim|\\\\docs|a*b.mp3|2|/\", \"file_html\": "
        "\"<A HREF=vel://|file|kim|\\\\docs|a*b.mp3|2|/>a b.mp3</A>\"";
    const std::string none = "\"file\": \"\", \"file_html\": \"\"";
    size_t song = 0;
    while (song < explorer.Rows().size() && explorer.Rows()[song].name != "a b.mp3") ++song;
    struct Case {
        std::string list;
        std::string row;
        std::string texts;
    };
    for (const Case& c : std::vector<Case>{{"servers", "1", none},
                                           {"explorer", std::to_string(song + 1), file},
                                           {"transfers", "1", file},
                                           {"visitors", "1", none},
                                           {"served", "1", none}}) {
        ControlAnswer answer = copy(c.list, c.row);
        EXPECT_EQ(answer.json, "{\"ok\": true, " + server + ", " + c.texts + "}") << c.list;
    }
    EXPECT_EQ(process->Commands().Execute({"link-copy", "transfers", "1", "lee"}).status,
              ControlAnswer::kRefused);
}

}  // namespace
}  // namespace velorin
