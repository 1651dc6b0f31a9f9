// The desktop client as a person's program: velorin on Qt's offscreen
// platform signs in to a real velorin-central by itself, sees a second member
// (velorind) on its server list, finds and downloads its file
// through the window's models, trades notes with it, and a second start hands
// the copied server link to the first.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <regex>

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

// The first match of `pattern`'s group in `text`.
std::string Capture(const std::string& text, const char* pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string();
}

class DesktopSystem : public test::SystemFixture {
protected:
    std::map<std::string, std::string> DesktopEnv() const {
        auto env = Env();
        env["QT_QPA_PLATFORM"] = "offscreen";
        env["XDG_RUNTIME_DIR"] = dir.Path().string();
        return env;
    }
};

TEST_F(DesktopSystem, SignsInFindsDownloadsTradesNotesAndTakesACopiedLinkFromASecondStart) {
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

    // The search page finds the song, and its row is downloaded.
    ASSERT_EQ(Send("alice", {"window-page", "2"}).exitCode, 0);
    auto found = Send("alice", {"search", "song"});
    ASSERT_TRUE(Has(found.output, "\"answers\": 1")) << found.output;
    auto reserved = Send("alice", {"search-download", "1"});
    ASSERT_TRUE(Has(reserved.output, "\"reserved\": 1")) << reserved.output;
    ASSERT_TRUE(test::Eventually(
        [&] {
            std::error_code ec;
            return fs::file_size(downloads / "song.mp3", ec) == song.size();
        },
        30s, 200ms))
        << alice.Output();
    EXPECT_EQ(test::ReadFile(downloads / "song.mp3"), song);

    // The figure for the README: how long the core's messages held the Qt thread at most.
    std::printf("longest turn on the Qt thread: %s\n",
                Capture(Send("alice", {"window"}).output, "\"longestTurnMs\": (\\d+)").c_str());

    // A note to bob, and bob's reply in the open note box.
    ASSERT_EQ(Send("alice", {"window-show", "note-box"}).exitCode, 0);
    ASSERT_EQ(Send("alice", {"note-send", "bob", "노래 잘 받았어요"}).exitCode, 0);
    std::string notes;
    ASSERT_TRUE(test::Eventually(
        [&] { return Has(notes = Send("bob", {"notes"}).output, "노래 잘 받았어요"); }, 20s, 200ms))
        << notes;
    EXPECT_TRUE(Has(notes, "\"sender\": \"alice\"")) << notes;
    std::string slot = Capture(notes, "\"slot\": (\\d+)");
    ASSERT_EQ(Send("bob", {"note-reply", slot, "천만에요"}).exitCode, 0);
    ASSERT_TRUE(test::Eventually(
        [&] { return Has(window = Send("alice", {"window"}).output, "\"noteBox\": [\"bob\"]"); },
        20s, 200ms))
        << window;

    // A second start hands the link over and ends; the first opens the explorer on bob.
    ASSERT_EQ(Send("alice", {"window-page", "0"}).exitCode, 0);
    std::string copied = Send("alice", {"link-copy", "search", "1"}).output;
    std::string link = Capture(copied, "\"server\": \"([^\"]+)\"");
    EXPECT_EQ(link, "vel://|server|bob|/") << copied;
    EXPECT_TRUE(Has(Send("alice", {"window"}).output, "\"explorer\": \"\""));
    auto second =
        test::RunProgram(VELORIN_PATH, {"--home", (dir / "alice").string(), link}, DesktopEnv());
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
