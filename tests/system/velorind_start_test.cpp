// velorind as a person starts it: real processes on temporary profiles.
#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CChildProcess;
using test::RunProgram;

class VelorindStart : public ::testing::Test {
protected:
    std::map<std::string, std::string> Env() const {
        return {{"HOME", dir.Path().string()},
                {"XDG_CONFIG_HOME", (dir / "config").string()},
                {"TZ", "UTC"}};
    }
    test::CTempFolder dir;
};

TEST_F(VelorindStart, ProvisionsANewProfileAndHandsLaterStartsOver) {
    fs::path profile = dir / "profile one";
    CChildProcess first;
    ASSERT_TRUE(first.Start(VELORIND_PATH, {"--home", profile.string()}, Env(), dir / "first.txt"));
    // The control socket appears once start-up is through.
    for (int i = 0; i < 500 && !fs::exists(profile / "velorin.sock"); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(fs::exists(profile / "velorin.sock"));

    struct stat st{};
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
    auto second = RunProgram(VELORIND_PATH, {"--home", profile.string(), "VEL://|server|kim|/"},
                             Env(), 10s);
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
    fs::create_directories(profile);
    test::WriteFile(profile / "velorin.dat", "definitely not a database file");
    auto run = RunProgram(VELORIND_PATH, {"--home", profile.string()}, Env(), 10s);
    EXPECT_EQ(run.exitCode, 255);
    EXPECT_NE(run.output.find("\tmessage\t환경 설정 파일을 읽을수 없습니다. 홈페이지를 통해 문의하세요\n"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(test::ReadFile(profile / "velorin.dat"), "definitely not a database file");
}

TEST_F(VelorindStart, TerminationEndsItCleanly) {
    fs::path profile = dir / "p";
    CChildProcess child;
    ASSERT_TRUE(child.Start(VELORIND_PATH, {"--home", profile.string()}, Env(), dir / "out.txt"));
    for (int i = 0; i < 500 && !fs::exists(profile / "velorin.sock"); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    child.Signal(SIGTERM);
    EXPECT_EQ(child.Wait(10s), 1);
    EXPECT_FALSE(fs::exists(profile / "velorin.sock"));
}

}  // namespace
}  // namespace velorin
