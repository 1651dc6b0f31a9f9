// velorind signing in to a real velorin-central: both programs as processes,
// the central on a loopback address of its own.
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <regex>

#include "support/eventually.h"
#include "support/loopback.h"
#include "system_fixture.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::kOnline;

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SignInSystem : public test::SystemFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(AddMember("kim", "kim-pw", 321));
        ASSERT_TRUE(AddMember("lee", "lee-pw", 5));
        ASSERT_TRUE(StartCentral(true));
    }
};

TEST_F(SignInSystem, SignsInIsListedShowsItsPointsAndReconnectsAfterARestart) {
    // Free ports, never 7296: a wildcard bind there would block the central's.
    uint16_t kimPort = test::FreeUdpPort();
    uint16_t leePort = test::FreeUdpPort();
    auto kim = StartMember("kim", "kim-pw", kimPort);
    ASSERT_TRUE(kim->WaitForOutput(kOnline, 20s)) << kim->Output();
    auto lee = StartMember("lee", "lee-pw", leePort);
    ASSERT_TRUE(lee->WaitForOutput(test::kListed, 20s)) << lee->Output();

    auto servers = Send("lee", {"servers"});
    EXPECT_EQ(servers.exitCode, 0);
    std::regex kimListed(
        "\"id\": \"kim\", \"channel\": [01], \"category\": 5, \"description\": "
        "\"kim s\", .*\"tcpPort\": " +
        std::to_string(kimPort));
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
    ASSERT_TRUE(
        kim->WaitForOutput("\t주의\t세션서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다.", 10s))
        << kim->Output();
    EXPECT_EQ(Send("kim", {"status"}).output.find("\"state\": \"offline\""), 1u);
    // The one real wait of the reconnection's 40 seconds.
    auto twice = [&] { return Occurrences(kim->Output(), kOnline) == 2; };
    EXPECT_TRUE(test::Eventually(twice, 60s, 200ms)) << kim->Output();
    EXPECT_NE(Send("kim", {"status"}).output.find("\"online\": true"), std::string::npos);

    for (auto* member : {kim.get(), lee.get()}) member->Signal(SIGTERM);
    EXPECT_EQ(kim->Wait(10s), 1);
    EXPECT_EQ(lee->Wait(10s), 1);
    EXPECT_EQ(kim->Output().find("kim-pw"), std::string::npos);
}

}  // namespace
}  // namespace velorin
