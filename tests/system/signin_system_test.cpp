// velorind signing in to a real velorin-central: both programs as processes,
// the central on a loopback address of its own.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>

#include "support/child_process.h"
#include "support/loopback.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::CChildProcess;
using test::RunProgram;

constexpr const char* kOnline = "\tstate\tonline\n";

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

class SignInSystem : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [id, password, points] : {std::tuple{"kim", "kim-pw", "321"}, {"lee", "lee-pw", "5"}}) {
            ASSERT_EQ(RunProgram(VELORIN_CENTRAL_PATH,
                                 {"add-member", id, password, "--points", points, "--db", Db()}, {})
                          .exitCode,
                      0);
        }
        ASSERT_TRUE(StartCentral(true));
    }

    std::string Db() const { return (dir / "central.db").string(); }

    // The first time on the first free loopback address; later on the same one.
    bool StartCentral(bool pickAddress) {
        for (int i = 0; i < (pickAddress ? 40 : 1); ++i) {
            if (pickAddress) address = "127.0.0." + std::to_string(2 + (getpid() + 11 * i) % 250);
            central = std::make_unique<CChildProcess>();
            if (!central->Start(VELORIN_CENTRAL_PATH,
                                {"serve", "--listen", address, "--db", Db(), "--web-port", "0"}, {},
                                dir / "central.txt")) {
                return false;
            }
            if (central->WaitForOutput("velorin-central: serving", 10s)) return true;
            central->Wait(5s);
        }
        return false;
    }

    std::map<std::string, std::string> Env() const {
        return {{"HOME", dir.Path().string()},
                {"XDG_CONFIG_HOME", (dir / "config").string()},
                {"VELORIN_CENTRAL", address}};
    }

    // A profile made only by the seeding tool: registry.db and velorin.dat.
    std::unique_ptr<CChildProcess> StartMember(const std::string& id, const std::string& password,
                                               uint16_t port) {
        fs::path profile = dir / id;
        auto seed = RunProgram(VELORIN_SEED_PROFILE_PATH,
                               {"--home", profile.string(), "--user", id, "--password", password,
                                "--listen-port", std::to_string(port), "--server-name", id + "'s",
                                "--share", (dir / (id + "-shared")).string()},
                               {});
        EXPECT_EQ(seed.exitCode, 0) << seed.output;
        auto child = std::make_unique<CChildProcess>();
        EXPECT_TRUE(child->Start(VELORIND_PATH, {"--home", profile.string()}, Env(),
                                 dir / (id + ".txt")));
        return child;
    }

    test::RunResult Send(const std::string& id, std::vector<std::string> words) {
        words.insert(words.begin(), {"--home", (dir / id).string(), "--send"});
        return RunProgram(VELORIND_PATH, words, Env());
    }

    test::CTempFolder dir;
    std::string address;
    std::unique_ptr<CChildProcess> central;
};

TEST_F(SignInSystem, SignsInIsListedShowsItsPointsAndReconnectsAfterARestart) {
    // Free ports, never 7296: a wildcard bind there would block the central's.
    uint16_t kimPort = test::FreeUdpPort();
    uint16_t leePort = test::FreeUdpPort();
    auto kim = StartMember("kim", "kim-pw", kimPort);
    ASSERT_TRUE(kim->WaitForOutput(kOnline, 20s)) << kim->Output();
    auto lee = StartMember("lee", "lee-pw", leePort);
    ASSERT_TRUE(lee->WaitForOutput("\t안내\t모든 사용자 리스트를 받았습니다.\n", 20s)) << lee->Output();

    auto servers = Send("lee", {"servers"});
    EXPECT_EQ(servers.exitCode, 0);
    std::regex kimListed("\"id\": \"kim\", \"channel\": [01], \"category\": 5, \"description\": "
                         "\"kim s\", .*\"tcpPort\": " + std::to_string(kimPort));
    EXPECT_TRUE(std::regex_search(servers.output, kimListed)) << servers.output;

    auto status = Send("kim", {"status"});
    EXPECT_EQ(status.exitCode, 0);
    EXPECT_EQ(status.output,
              "{\"state\": \"online\", \"online\": true, \"member\": \"kim\", \"points\": 321, "
              "\"browsing\": 0, \"sending\": 0, \"receiving\": 0}\n");
    EXPECT_EQ(Send("kim", {"signin"}).output, "{\"error\": \"already signed in\"}\n");

    central->Signal(SIGTERM);
    ASSERT_EQ(central->Wait(10s), 0);
    ASSERT_TRUE(StartCentral(false));
    ASSERT_TRUE(kim->WaitForOutput("\t주의\t세션서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다.", 10s))
        << kim->Output();
    EXPECT_EQ(Send("kim", {"status"}).output.find("\"state\": \"offline\""), 1u);
    // The one real wait of the reconnection's 40 seconds.
    auto deadline = std::chrono::steady_clock::now() + 60s;
    while (Occurrences(kim->Output(), kOnline) < 2 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_EQ(Occurrences(kim->Output(), kOnline), 2u) << kim->Output();
    EXPECT_NE(Send("kim", {"status"}).output.find("\"online\": true"), std::string::npos);

    for (auto* member : {kim.get(), lee.get()}) member->Signal(SIGTERM);
    EXPECT_EQ(kim->Wait(10s), 1);
    EXPECT_EQ(lee->Wait(10s), 1);
    EXPECT_EQ(kim->Output().find("kim-pw"), std::string::npos);
}

}  // namespace
}  // namespace velorin
