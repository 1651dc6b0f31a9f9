// The web host serving the web root that ships with the program, and holding
// out against clients that connect and stall.
#include <vector>

#include "central/web_host.h"
#include "central_fixture.h"
#include "support/eventually.h"

namespace velorin::central::test {
namespace {

class WebHost : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        CentralConfig config;
        config.webRoot = VELORIN_WEBROOT;
        StartServer(config);
        ASSERT_TRUE(server_->WebPort());
    }

    std::string Get(const std::string& path) {
        return HttpGet(address_, *server_->WebPort(), path);
    }
};

TEST_F(WebHost, ServesTheUpdateFilesAndTheWordList) {
    std::string ini = Get("/patchdata/update.ini");
    EXPECT_EQ(ini.rfind("HTTP/1.1 200", 0), 0u) << ini;
    EXPECT_EQ(HttpBody(ini), "[MAIN]\nVERSION=1\nBADWORD=2\nPATCHER_VERSION=1\n");
    std::string words = HttpBody(Get("/patchdata/badword.db"));
    EXPECT_EQ(words.substr(0, 16), std::string("SQLite format 3\0", 16));
    EXPECT_EQ(Get("/patchdata/update.exe").rfind("HTTP/1.1 200", 0), 0u);
}

TEST_F(WebHost, PagesAreHtmlWhateverTheirQuery) {
    for (const char* page : {"/loginProc.php?userid=demo&userpw=demo1234", "/logout.php",
                             "/help/menual1.php", "/help/menual7.php", "/adv/adv.html",
                             "/perboard/comm_list.php?ruid=kim", "/perboard_app.php"}) {
        std::string answer = Get(page);
        EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << page;
        EXPECT_NE(answer.find("Content-Type: text/html"), std::string::npos) << page;
        EXPECT_NE(HttpBody(answer).find("<html lang=\"ko\">"), std::string::npos) << page;
    }
    EXPECT_EQ(Get("/missing.php").rfind("HTTP/1.1 404", 0), 0u);
    // Nothing outside the web root, the member database least of all.
    EXPECT_EQ(Get("/../central.db").find("SQLite"), std::string::npos);
    EXPECT_EQ(Get("/patchdata/../../velorin-central").rfind("HTTP/1.1 200", 0), std::string::npos);
}

TEST_F(WebHost, HeadAnswersTheHeadersAlone) {
    CWireLink link;
    ASSERT_TRUE(link.Connect(address_, *server_->WebPort()));
    ASSERT_TRUE(
        link.SendRaw("HEAD /patchdata/update.ini HTTP/1.1\r\nHost: central\r\n"
                     "Connection: close\r\n\r\n"));
    std::string answer = link.ReadToEnd();
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_NE(answer.find("Content-Length: 45\r\n"), std::string::npos) << answer;
    EXPECT_EQ(HttpBody(answer), "");
}

// A web host of its own with chosen limits, spoken to from many source addresses.
class WebHostLimits : public ::testing::Test {
protected:
    void Start(uint32_t maxPerAddress,
               std::chrono::milliseconds headerDeadline = CWebHost::kHeaderDeadline) {
        host_ = std::make_unique<CWebHost>(headerDeadline);
        std::string error;
        ASSERT_TRUE(host_->Start(kHost, 0, VELORIN_WEBROOT, maxPerAddress, error)) << error;
    }

    std::unique_ptr<CWireLink> Connect(const std::string& from) {
        auto link = std::make_unique<CWireLink>();
        return ConnectFrom(*link, from, kHost, host_->Port()) ? std::move(link) : nullptr;
    }

    std::string GetFrom(const std::string& from, const std::string& path) {
        return HttpGet(kHost, host_->Port(), path, from);
    }

    static constexpr const char* kHost = "127.0.0.1";
    std::unique_ptr<CWebHost> host_;
};

TEST_F(WebHostLimits, TwoHundredSlowHeaderConnectionsDoNotStarveAGet) {
    constexpr int kAddresses = 10;
    constexpr int kPerAddress = 20;
    Start(kPerAddress);
    std::vector<std::unique_ptr<CWireLink>> slow;
    for (int a = 0; a < kAddresses; ++a) {
        for (int i = 0; i < kPerAddress; ++i) {
            slow.push_back(Connect("127.0.1." + std::to_string(1 + a)));
            ASSERT_TRUE(slow.back());
            ASSERT_TRUE(slow.back()->SendRaw("GET /patchdata/update.ini HTTP/1.1\r\nHo"));
        }
    }
    // The next byte of each, as the attack sends one every few seconds.
    for (auto& link : slow) ASSERT_TRUE(link->SendRaw("s"));

    auto begun = std::chrono::steady_clock::now();
    std::string answer = GetFrom("127.0.2.1", "/patchdata/update.ini");
    auto took = std::chrono::steady_clock::now() - begun;
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_EQ(HttpBody(answer), "[MAIN]\nVERSION=1\nBADWORD=2\nPATCHER_VERSION=1\n");
    // Not a speed figure: a starved request waits for the attack's whole length.
    EXPECT_LT(took, 3s);
    int open = 0;
    for (auto& link : slow) open += link->WaitClosed(0ms) ? 0 : 1;
    EXPECT_EQ(open, kAddresses * kPerAddress) << "the attack was still going on";
}

TEST_F(WebHostLimits, HeadersTrickledPastTheDeadlineEndTheConnection) {
    constexpr auto kDeadline = 1000ms;
    Start(512, kDeadline);
    struct Case {
        const char* name;
        const char* before;  // a whole request answered before the trickle begins
    } cases[] = {
        {"a new connection", ""},
        {"a kept-alive connection after an answer",
         "HEAD /patchdata/update.ini HTTP/1.1\r\nHost: central\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CWireLink> link = Connect("127.0.3.1");
        ASSERT_TRUE(link);
        if (*c.before) {
            ASSERT_TRUE(link->SendRaw(c.before));
            EXPECT_EQ(link->ReadToEnd(200ms).rfind("HTTP/1.1 200", 0), 0u);
        }
        // One byte each 100 ms resets any idle timer; only a deadline for the
        // whole header ends this.
        const std::string header = "GET /patchdata/update.ini HTTP/1.1\r\nHost: central\r\nX-Pad: ";
        auto begun = std::chrono::steady_clock::now();
        auto giveUp = begun + 10 * kDeadline;
        bool closed = false;
        for (size_t i = 0; !closed && std::chrono::steady_clock::now() < giveUp; ++i) {
            link->SendRaw(std::string(1, i < header.size() ? header[i] : 'x'));
            closed = link->WaitClosed(100ms);
        }
        EXPECT_TRUE(closed);
        EXPECT_GE(std::chrono::steady_clock::now() - begun, kDeadline / 2);
    }
    EXPECT_EQ(GetFrom("127.0.3.2", "/adv/adv.html").rfind("HTTP/1.1 200", 0), 0u);
}

TEST_F(WebHostLimits, OneAddressHoldsNoMoreThanItsLimit) {
    constexpr int kLimit = 4;
    Start(kLimit);
    std::vector<std::unique_ptr<CWireLink>> held;
    for (int i = 0; i < kLimit; ++i) {
        held.push_back(Connect("127.0.4.1"));
        ASSERT_TRUE(held.back());
    }
    std::unique_ptr<CWireLink> over = Connect("127.0.4.1");
    ASSERT_TRUE(over);
    over->SendRaw("GET /patchdata/update.ini HTTP/1.1\r\nHost: central\r\n\r\n");
    bool closed = false;
    EXPECT_EQ(over->ReadToEnd(5s, &closed), "");
    EXPECT_TRUE(closed);

    EXPECT_EQ(GetFrom("127.0.4.2", "/patchdata/update.ini").rfind("HTTP/1.1 200", 0), 0u);
    for (auto& link : held) EXPECT_FALSE(link->WaitClosed(0ms));
    // The limit counts open connections: one that ends makes room.
    held.pop_back();
    EXPECT_TRUE(velorin::test::Eventually([&] {
        return GetFrom("127.0.4.1", "/patchdata/update.ini").rfind("HTTP/1.1 200", 0) == 0;
    }));
}

}  // namespace
}  // namespace velorin::central::test
