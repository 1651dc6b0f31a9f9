// The desktop client as a person's program: velorin on Qt's offscreen
// platform signs in to a real velorin-central by itself, sees a second member
// (velorind) on its server list, browses and downloads from it through the
// window's models, and a second start hands a server link to the first.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>

#include "support/eventually.h"
#include "support/loopback.h"
#include "support/temp_folder.h"
#include "system_fixture.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::Has;
using test::kListed;
using test::kOnline;
namespace fs = std::filesystem;

class DesktopSystem : public test::SystemFixture {
protected:
    std::map<std::string, std::string> DesktopEnv() const {
        auto env = Env();
        env["QT_QPA_PLATFORM"] = "offscreen";
        env["XDG_RUNTIME_DIR"] = dir.Path().string();
        return env;
    }
};

TEST_F(DesktopSystem, SignsInListsBrowsesDownloadsAndTakesALinkFromASecondStart) {
    ASSERT_TRUE(AddMember("alice", "alice-pw", 1000));
    ASSERT_TRUE(AddMember("bob", "bob-pw", 1000));
    ASSERT_TRUE(StartCentral(true));
    SeedMember("bob", "bob-pw", test::FreeUdpPort());
    std::string song(300 * 1024, 's');
    for (size_t i = 0; i < song.size(); i += 97) song[i] = static_cast<char>('a' + i % 26);
    test::WriteFile(dir / "bob-shared" / "song.mp3", song);
    auto bob = RunMember("bob");
    ASSERT_TRUE(bob->WaitForOutput(kOnline, 20s)) << bob->Output();

    SeedMember("alice", "alice-pw", test::FreeUdpPort());
    fs::path downloads = dir / "alice-downloads";
    SetDownloadPath("alice", downloads);
    test::CChildProcess alice;
    ASSERT_TRUE(alice.Start(VELORIN_PATH, {"--home", (dir / "alice").string()}, DesktopEnv(),
                            dir / "alice.txt"));
    std::string window;
    ASSERT_TRUE(test::Eventually(
        [&] { return Has(window = Send("alice", {"window"}).output, "\"state\": \"online\""); },
        30s, 200ms))
        << window << alice.Output();
    EXPECT_TRUE(Has(window, "서비스 중(alice)")) << window;
    ASSERT_TRUE(test::Eventually([&] { return Has(Send("alice", {"servers"}).output, "\"bob\""); },
                                 20s, 200ms));

    ASSERT_EQ(Send("alice", {"window-page", "3"}).exitCode, 0);
    auto listing = Send("alice", {"browse", "bob", "\\bob-shared"});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_TRUE(Has(listing.output, "\"song.mp3\"")) << listing.output;
    auto reserved =
        Send("alice", {"download", "bob", "\\bob-shared", "song.mp3", std::to_string(song.size())});
    ASSERT_EQ(reserved.exitCode, 0) << reserved.output;
    ASSERT_TRUE(test::Eventually(
        [&] {
            std::error_code ec;
            return fs::file_size(downloads / "song.mp3", ec) == song.size();
        },
        30s, 200ms))
        << alice.Output();
    EXPECT_EQ(test::ReadFile(downloads / "song.mp3"), song);

    // The figure for the README: how long the core's messages held the Qt thread at most.
    std::printf("longest turn on the Qt thread: %s\n", Send("alice", {"window"}).output.c_str());

    // A second start hands the link over and ends; the first opens the explorer on bob.
    ASSERT_EQ(Send("alice", {"window-page", "0"}).exitCode, 0);
    auto second = test::RunProgram(
        VELORIN_PATH, {"--home", (dir / "alice").string(), "vel://|server|bob|/"}, DesktopEnv());
    EXPECT_EQ(second.exitCode, 1) << second.output;
    ASSERT_TRUE(test::Eventually(
        [&] { return Has(window = Send("alice", {"window"}).output, "\"explorer\": \"bob\""); },
        20s, 200ms))
        << window;
    EXPECT_TRUE(Has(window, "\"visible\": true")) << window;

    // "종료" would ask the person; the desktop's session end is a SIGTERM.
    alice.Signal(SIGTERM);
    EXPECT_EQ(alice.Wait(20s), std::optional<int>(1));
}

}  // namespace
}  // namespace velorin
