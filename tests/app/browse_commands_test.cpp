#include "app/browse_commands.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "app/process.h"
#include "support/loopback.h"
#include "support/probe_responder.h"
#include "support/recording_ui.h"
#include "support/seeded_profile.h"
#include "support/temp_folder.h"
#include "transfer/browse_session.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

// The words against the process's own file server, browsed as a listed member.
class BrowseCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(responder.Ok());
        ASSERT_TRUE(test::SeedProfile(dir / "p", test::FreeUdpPort()));
        process = std::make_unique<CProcess>(ProfileLocation{dir / "p", false}, ui);
        ui.Follow(process->Queue());
        ASSERT_FALSE(process->Start(std::nullopt).has_value());
        process->SetCredentials({"kim", "password"});
        fs::create_directories(dir / "shared/Album");
        test::WriteFile(dir / "shared/Album/a.mp3", "aa");
        fs::create_directories(dir / "downloads");
        process->Options().SetDownloadPath((dir / "downloads").string());
        bool exists = false;
        ASSERT_TRUE(process->ShareDatabase().AddShareFolder(exists, "docs", (dir / "shared").string(), ""));
        uint16_t port = process->StartFileServer(0);
        ASSERT_NE(port, 0);
        process->ServerRunning() = true;
        ServerRecord record;
        record.userId = "kim";
        record.address = htonl(INADDR_LOOPBACK);
        record.tcpPort = htons(port);
        process->ServerList().AddRecord(record);
    }
    void TearDown() override {
        process.reset();
        fs::current_path(startFolder);
    }
    ControlAnswer Run(std::vector<std::string> args) { return process->Commands().Execute(args); }

    fs::path startFolder = fs::current_path();
    test::CTempFolder dir;
    test::CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    test::CRecordingUserInterface ui;
    test::CProbeResponder responder;
    test::CScopedEnv central{"VELORIN_CENTRAL", responder.Address()};
    std::unique_ptr<CProcess> process;
};

TEST_F(BrowseCommandsTest, WordsBrowseDownloadFoldersAndKeepTheHistory) {
    ControlAnswer answer = Run({"browse", "kim", "\\docs"});
    ASSERT_EQ(answer.status, ControlAnswer::kDone) << answer.json;
    EXPECT_NE(answer.json.find("\"path\": \"\\\\docs\""), std::string::npos) << answer.json;
    EXPECT_NE(answer.json.find("{\"kind\": \"folder\", \"name\": \"Album\", \"type\": \"파일폴더\"}"),
              std::string::npos)
        << answer.json;

    answer = Run({"download-folder", "kim", "\\docs\\Album", "Mine"});
    ASSERT_EQ(answer.status, ControlAnswer::kDone) << answer.json;
    EXPECT_NE(answer.json.find("\"files\": 1, \"folders\": 0, \"size\": \"0.0 MB\", \"reserved\": 1"),
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

}  // namespace
}  // namespace velorin
