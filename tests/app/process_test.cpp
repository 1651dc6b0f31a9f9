#include "app/process.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/sqlite_database.h"
#include "support/process_fixture.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProcessTest : public test::ProcessHome<> {
protected:
    ProfileLocation Profile(const std::string& name) { return ProfileLocation{dir / name, false}; }
};

std::vector<std::string> Columns(const fs::path& file, const char* table) {
    CSqliteDatabase db;
    if (!db.Open(file, CSqliteDatabase::Mode::kReadWriteExisting)) return {};
    return db.Columns(table);
}

TEST_F(ProcessTest, FirstStartProvisionsTheProfileAndLoadsDefaults) {
    CProcess process(Profile("new"), ui);
    ui.Follow(process.Queue());
    ASSERT_FALSE(process.Start(std::nullopt).has_value());
    fs::path p = dir / "new";
    EXPECT_EQ(Columns(p / "velorin.dat", "ShareFolder"),
              (std::vector<std::string>{"VirtualFolderName", "Path", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "FolderPermission"),
              (std::vector<std::string>{"VirtualFolderName", "UserID", "Permission", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "FriendList"),
              (std::vector<std::string>{"UserID", "Desc"}));
    EXPECT_EQ(Columns(p / "velorin.dat", "BlackList"),
              (std::vector<std::string>{"UserID", "Desc"}));
    EXPECT_EQ(Columns(p / "completelist.db", "completelist"),
              (std::vector<std::string>{"completetime", "op", "userid", "filename", "filesize"}));
    EXPECT_EQ(Columns(p / "badword.db", "badword"), (std::vector<std::string>{"oneword", "req"}));
    EXPECT_TRUE(fs::is_directory(p / "Log"));
    EXPECT_EQ(process.Options().MaxDownloadSessions.load(), 6u);
    EXPECT_TRUE(fs::exists(dir / "config/autostart/velorin.desktop"));
    EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(ProcessTest, AnExistingProfileWithoutShareDatabaseIsRefused) {
    fs::create_directories(dir / "old");
    test::WriteFile(dir / "old/registry.db", "");
    CProcess process(Profile("old"), ui);
    ui.Follow(process.Queue());
    EXPECT_EQ(process.Start(std::nullopt), kExitFatal);
    EXPECT_FALSE(fs::exists(dir / "old/velorin.dat"));
}

TEST_F(ProcessTest, LinksFromLaterStartsBecomePendingAndQuitEndsTheLoop) {
    CProcess process(Profile("p"), ui);
    ui.Follow(process.Queue());
    ASSERT_FALSE(process.Start(std::string("VEL://|server|kim|/")).has_value());
    EXPECT_EQ(process.PendingLink(), "VEL://|server|kim|/");

    std::thread later([&] {
        ControlAnswer answer;
        auto send = [&](ControlRequest::Kind kind, const char* arg) {
            CSingleInstance::Send(dir / "p", ControlRequest{kind, {arg}}, answer, 1000ms);
        };
        send(ControlRequest::kLink, "vel://x");
        send(ControlRequest::kFile, "a.txt");
        send(ControlRequest::kCommand, "nonsense");
        EXPECT_EQ(answer.status, ControlAnswer::kRefused);
        send(ControlRequest::kCommand, "quit");
        EXPECT_EQ(answer.json, "{\"ok\": true}");
    });
    EXPECT_EQ(process.Queue().Run(), kExitShutdown);
    later.join();
    EXPECT_EQ(process.PendingLink(), "vel://x");
    EXPECT_EQ(ui.Activations(), (std::vector<std::string>{"0 vel://x", "1 a.txt"}));
}

}  // namespace
}  // namespace velorin
