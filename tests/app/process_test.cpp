#include "app/process.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/sqlite_database.h"
#include "support/loopback.h"
#include "support/probe_responder.h"
#include "support/recording_ui.h"
#include "support/seeded_profile.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProcessTest : public ::testing::Test {
protected:
    ~ProcessTest() override { fs::current_path(startFolder); }

    ProfileLocation Profile(const std::string& name) { return ProfileLocation{dir / name, false}; }

    fs::path startFolder = fs::current_path();
    test::CTempFolder dir;
    test::CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    test::CScopedEnv home{"HOME", dir.Path().string()};
    test::CRecordingUserInterface ui;
    // A new profile tests port 7296, which this responder holds: that probe
    // fails at once. Profiles with a free LISTENPORT get their answer.
    test::CProbeResponder responder;
    test::CScopedEnv central{"VELORIN_CENTRAL", responder.Address()};
};

std::vector<std::string> Columns(const fs::path& file, const char* table) {
    CSqliteDatabase db;
    if (!db.Open(file, CSqliteDatabase::Mode::kReadWriteExisting)) return {};
    return db.Columns(table);
}

TEST_F(ProcessTest, FirstStartProvisionsTheProfileAndLoadsDefaults) {
    CProcess process(Profile("new"), ui);
    ASSERT_FALSE(process.Start(std::nullopt).has_value());
    fs::path p = dir / "new";
    EXPECT_EQ(Columns(p / "velorin.dat", "ShareFolder"),
              (std::vector<std::string>{"VirtualFolderName", "Path", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "FolderPermission"),
              (std::vector<std::string>{"VirtualFolderName", "UserID", "Permission", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "FriendList"), (std::vector<std::string>{"UserID", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "BlackList"), (std::vector<std::string>{"UserID", "Desc"}));
    EXPECT_EQ(Columns(p / "completelist.db", "completelist"),
              (std::vector<std::string>{"completetime", "op", "userid", "filename", "filesize"}));
    EXPECT_EQ(Columns(p / "badword.db", "badword"), (std::vector<std::string>{"oneword", "req"}));
    EXPECT_TRUE(fs::is_directory(p / "Log"));

    std::vector<std::string> names = process.Registry().ValueNames(kAppKey);
    // The probe reads its port first, then start-up loads the options, then
    // the window opens.
    std::vector<std::string> expected = {"AUTOPORT", "LISTENPORT", "ContinueRecv",
                                         "ContinueServerRecv", "TempFile",
                                         "ExistFileTransReserve", "BringMessage", "WriteLog",
                                         "QUICKSEND", "AutoStart", "TransCompleteSave",
                                         "RecvMessage", "PopupMsg", "MAXDOWN", "MAXUP",
                                         "LimitSpeed", "AutoLogin"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(process.Options().MaxDownloadSessions.load(), 6u);
    EXPECT_TRUE(fs::exists(dir / "config/autostart/velorin.desktop"));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ProcessTest, AnUnreachableMachineIsWarnedOnceTheLoopRuns) {
    ASSERT_TRUE(responder.Ok());
    CProcess process(Profile("new"), ui);
    ASSERT_FALSE(process.Start(std::nullopt).has_value());
    EXPECT_EQ(process.Reachability().reachable, 0);
    EXPECT_EQ(process.Reachability().roundTrip, -1);
    EXPECT_TRUE(ui.Rows().empty());
    process.Queue().ProcessPending();
    std::vector<std::string> texts;
    for (const auto& row : ui.Rows()) {
        EXPECT_EQ(row.kind, kStatusCaution);
        texts.push_back(row.text);
    }
    EXPECT_EQ(texts, (std::vector<std::string>{kTextUnreachable, kTextServerMayFail}));
}

TEST_F(ProcessTest, AReachableMachineGetsNoWarning) {
    ASSERT_TRUE(responder.Ok());
    uint16_t port = test::FreeUdpPort();
    ASSERT_TRUE(test::SeedProfile(dir / "seeded", port));
    CProcess process(Profile("seeded"), ui);
    ASSERT_FALSE(process.Start(std::nullopt).has_value());
    EXPECT_EQ(process.Reachability().reachable, 1);
    EXPECT_GE(process.Reachability().roundTrip, 0);
    EXPECT_EQ(responder.LastPortUnderTest(), port);
    process.Queue().ProcessPending();
    EXPECT_TRUE(ui.Rows().empty());
}

TEST_F(ProcessTest, AnUnreadableShareDatabaseEndsTheStartAndStaysUnchanged) {
    fs::create_directories(dir / "old");
    test::WriteFile(dir / "old/velorin.dat", "garbage that is no database");
    CProcess process(Profile("old"), ui);
    EXPECT_EQ(process.Start(std::nullopt), kExitFatal);
    EXPECT_EQ(ui.Messages(), std::vector<std::string>{kTextDataUnreadable});
    EXPECT_EQ(test::ReadFile(dir / "old/velorin.dat"), "garbage that is no database");
}

TEST_F(ProcessTest, AnExistingProfileWithoutShareDatabaseIsRefused) {
    fs::create_directories(dir / "old");
    test::WriteFile(dir / "old/registry.db", "");
    CProcess process(Profile("old"), ui);
    EXPECT_EQ(process.Start(std::nullopt), kExitFatal);
    EXPECT_FALSE(fs::exists(dir / "old/velorin.dat"));
}

TEST_F(ProcessTest, LinksFromLaterStartsBecomePendingAndQuitEndsTheLoop) {
    CProcess process(Profile("p"), ui);
    ASSERT_FALSE(process.Start(std::string("VEL://|server|kim|/")).has_value());
    EXPECT_EQ(process.PendingLink(), "VEL://|server|kim|/");

    std::thread later([&] {
        ControlAnswer answer;
        CSingleInstance::Send(dir / "p", ControlRequest{ControlRequest::kLink, {"vel://x"}},
                              answer, 1000ms);
        CSingleInstance::Send(dir / "p", ControlRequest{ControlRequest::kFile, {"a.txt"}}, answer,
                              1000ms);
        CSingleInstance::Send(dir / "p", ControlRequest{ControlRequest::kCommand, {"nonsense"}},
                              answer, 1000ms);
        EXPECT_EQ(answer.status, ControlAnswer::kRefused);
        CSingleInstance::Send(dir / "p", ControlRequest{ControlRequest::kCommand, {"quit"}},
                              answer, 1000ms);
        EXPECT_EQ(answer.json, "{\"ok\": true}");
    });
    EXPECT_EQ(process.Queue().Run(), kExitShutdown);
    later.join();
    EXPECT_EQ(process.PendingLink(), "vel://x");
    EXPECT_EQ(ui.Activations(), (std::vector<std::string>{"0 vel://x", "1 a.txt"}));
}

}  // namespace
}  // namespace velorin
