// velorind as a person starts it: real processes on temporary profiles.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "support/probe_responder.h"
#include "support/seeded_profile.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CChildProcess;
using test::RunProgram;

constexpr const char* kFirstWarning =
    "\t주의\t공유기(NAT), 방화벽이 세팅된 환경이거나 회선이 불량합니다.\n";
constexpr const char* kSecondWarning =
    "\t주의\t서버가 제대로 동작하지 않을수 있습니다. 자세한 내용은 홈페이지을 참고하세요\n";

bool WaitForFile(const fs::path& file) {
    return test::Eventually([&] { return fs::exists(file); });
}

// Every start runs the reachability probe against the responder. A profile that
// a test seeds gets a free LISTENPORT and its answer; a new profile tests port
// 7296, which the responder holds, so that probe fails at once.
class VelorindStart : public ::testing::Test {
protected:
    std::map<std::string, std::string> Env(const test::CProbeResponder& central) const {
        return {{"HOME", dir.Path().string()},
                {"XDG_CONFIG_HOME", (dir / "config").string()},
                {"TZ", "UTC"},
                {"VELORIN_CENTRAL", central.Address()}};
    }
    std::map<std::string, std::string> Env() const { return Env(responder); }

    void SetUp() override { ASSERT_TRUE(responder.Ok()); }

    test::CTempFolder dir;
    test::CProbeResponder responder;
};

TEST_F(VelorindStart, ProvisionsANewProfileAndHandsLaterStartsOver) {
    fs::path profile = dir / "profile one";
    CChildProcess first;
    ASSERT_TRUE(first.Start(VELORIND_PATH, {"--home", profile.string()}, Env(), dir / "first.txt"));
    // The control socket appears once start-up is through.
    ASSERT_TRUE(WaitForFile(profile / "velorin.sock"));

    struct stat st {};
    ASSERT_EQ(stat(profile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::string desktop = test::ReadFile(dir / "config/autostart/velorin.desktop");
    EXPECT_NE(desktop.find(std::string("Exec=") + VELORIND_PATH + " --home \"" + profile.string() +
                           "\"\n"),
              std::string::npos)
        << desktop;

    // A later start must not even open the data files; make them garbage to prove it.
    std::string saved = test::ReadFile(profile / "velorin.dat");
    test::WriteFile(profile / "velorin.dat", "garbage");
    auto second =
        RunProgram(VELORIND_PATH, {"--home", profile.string(), "VEL://|server|kim|/"}, Env(), 10s);
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(second.output, "");
    EXPECT_TRUE(first.WaitForOutput("\thandover\t0 VEL://|server|kim|/\n", 5s)) << first.Output();
    test::WriteFile(profile / "velorin.dat", saved);

    auto quit = RunProgram(VELORIND_PATH, {"--home", profile.string(), "--send", "quit"}, Env());
    EXPECT_EQ(quit.exitCode, 0);
    EXPECT_EQ(quit.output, "{\"ok\": true}\n");
    EXPECT_EQ(first.Wait(10s), 1);

    auto none = RunProgram(VELORIND_PATH, {"--home", profile.string(), "--send", "quit"}, Env());
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.output, "{\"error\": \"no running instance\"}\n");
}

TEST_F(VelorindStart, AGarbageShareDatabaseEndsTheStartWith255) {
    fs::path profile = dir / "old";
    ASSERT_TRUE(test::SeedProfile(profile, test::FreeUdpPort()));
    test::WriteFile(profile / "velorin.dat", "definitely not a database file");
    auto run = RunProgram(VELORIND_PATH, {"--home", profile.string()}, Env(), 10s);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.output.find(
                  "\tmessage\t환경 설정 파일을 읽을수 없습니다. 홈페이지를 통해 문의하세요\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(test::ReadFile(profile / "velorin.dat"), "definitely not a database file");
}

TEST_F(VelorindStart, AnAnsweredProbeLeavesNoWarningAndTerminationEndsItCleanly) {
    fs::path profile = dir / "reachable";
    uint16_t port = test::FreeUdpPort();
    ASSERT_TRUE(test::SeedProfile(profile, port));
    CChildProcess child;
    ASSERT_TRUE(child.Start(VELORIND_PATH, {"--home", profile.string()}, Env(), dir / "out.txt"));
    ASSERT_TRUE(WaitForFile(profile / "velorin.sock"));
    // The warnings would be written by the loop's first turn, before the answer.
    EXPECT_EQ(
        RunProgram(VELORIND_PATH, {"--home", profile.string(), "--send", "status"}, Env()).exitCode,
        0);
    child.Signal(SIGTERM);
    EXPECT_EQ(child.Wait(10s), 1);
    EXPECT_FALSE(fs::exists(profile / "velorin.sock"));
    EXPECT_EQ(child.Output().find("\t주의\t"), std::string::npos) << child.Output();
    EXPECT_EQ(responder.LastPortUnderTest(), port);
}

TEST_F(VelorindStart, ASilentCentralServiceGivesTwoWarningsAfterTheFullProbe) {
    test::CProbeResponder silent(test::CProbeResponder::Mode::kSilent);
    ASSERT_TRUE(silent.Ok());
    fs::path profile = dir / "unreachable";
    ASSERT_TRUE(test::SeedProfile(profile, test::FreeUdpPort()));
    CChildProcess child;
    ASSERT_TRUE(
        child.Start(VELORIND_PATH, {"--home", profile.string()}, Env(silent), dir / "out.txt"));
    ASSERT_TRUE(child.WaitForOutput(kSecondWarning, 20s)) << child.Output();
    std::string output = child.Output();
    EXPECT_LT(output.find(kFirstWarning), output.find(kSecondWarning)) << output;
    // Ten passes of two requests each, then the verdict.
    EXPECT_EQ(silent.Requests(), 20);
    child.Signal(SIGTERM);
    EXPECT_EQ(child.Wait(10s), 1);
}

}  // namespace
}  // namespace velorin
