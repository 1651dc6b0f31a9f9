#include "service/cache_client.h"

#include <gtest/gtest.h>

#include <future>

#include "fileserver/point_balance.h"
#include "platform/log_writer.h"
#include "platform/status_lines.h"
#include "platform/window_messages.h"
#include "service/session_messages.h"
#include "support/eventually.h"
#include "support/message_log.h"
#include "support/recording_ui.h"
#include "support/scripted_server.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;

PointsRequest Request(uint32_t ticket1, uint32_t ticket2, uint32_t price) {
    return PointsRequest{"lee", DownloadTickets{ticket1, ticket2, 33}, price};
}

class CacheClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        status.SetWriteLog(false);
        ASSERT_TRUE(server.Listen("127.0.0.1", 0));
    }

    // The cache address refuses (nothing listens on 127.0.0.2 at that port);
    // the fallback is the scripted server.
    void Start(const std::string& fallback = "127.0.0.1") {
        ASSERT_EQ(link.Prepare(&queue, log.Handle(), "127.0.0.2", fallback, server.Port()), 0);
        ASSERT_EQ(link.Start("kim", "secret"), 0);
    }

    void SignIn() {
        ASSERT_TRUE(server.Accept());
        auto signIn = server.ReceiveType(kCacheSignIn);
        ASSERT_TRUE(signIn);
        CacheSignIn fields;
        ASSERT_TRUE(DecodeCacheSignIn(signIn->payload, fields));
        EXPECT_EQ(fields.userId, "kim");
        EXPECT_EQ(PasswordBytes(fields.password), "secret");
        ASSERT_TRUE(server.Send(kCacheSignInResult, EncodeSignInResult(0)));
        ASSERT_TRUE(test::Eventually([&] { return link.SignedIn(); }));
    }

    PointRequest Received(uint16_t type) {
        auto packet = server.ReceiveType(type);
        PointRequest request;
        EXPECT_TRUE(packet && DecodePointRequest(packet->payload, request));
        return request;
    }

    CMessageQueue queue;
    test::CRecordingUserInterface ui;
    CLogWriter logWriter;
    CStatusLines status{ui, logWriter, queue};
    CManualClock clock;
    CPointBalance balance;
    std::atomic<bool> serverRunning{false};
    test::CMessageLog log{queue};
    test::CScriptedServer server;
    CCacheClient link{clock, balance, status, serverRunning};
};

// Every case signs in through the fallback: the cache address refuses.
TEST_F(CacheClientTest, OnlineEachDropGetsOneReconnectionAndStep4ComesOnce) {
    serverRunning = true;
    Start();
    SignIn();
    auto step = log.WaitFor(WM_SESSION_STEP);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->wParam, 4u);
    server.Drop();
    SignIn();
    server.Drop();
    // The reconnection's sign-in was accepted, so a later drop gets its own.
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(server.ReceiveType(kCacheSignIn));
    server.Drop();
    auto lost = log.WaitFor(WM_LINK_LOST);
    ASSERT_TRUE(lost);
    EXPECT_EQ(lost->lParam, kCacheLink);
    EXPECT_FALSE(server.Accept(300ms));
    EXPECT_EQ(log.Count(WM_SESSION_STEP), 1u);
}

TEST_F(CacheClientTest, NotOnlineADropIsNotRetried) {
    Start();
    SignIn();
    server.Drop();
    EXPECT_TRUE(log.WaitFor(WM_LINK_LOST));
    EXPECT_FALSE(server.Accept(300ms));
}

TEST_F(CacheClientTest, AnswersReachTheirWaitersByKey) {
    Start();
    SignIn();
    auto check =
        std::async(std::launch::async, [&] { return link.CheckPoints(Request(1, 2, 80), 5s, {}); });
    PointRequest sentCheck = Received(kPointCheck);
    auto payment = std::async(std::launch::async,
                              [&] { return link.CollectPayment(Request(5, 6, 24), 5s, {}); });
    PointRequest sentPayment = Received(kPayment);
    EXPECT_EQ(sentCheck.memberId, "lee");
    EXPECT_EQ(sentCheck.keyLow, 1u);
    EXPECT_EQ(sentCheck.keyHigh, 2u);
    EXPECT_EQ(sentCheck.first, 33u);
    EXPECT_EQ(sentCheck.second, 80u);
    EXPECT_EQ(sentPayment.second, 24u);

    // Answers arrive in the other order; a stranger's key is dropped.
    ASSERT_TRUE(server.Send(kPaymentAnswer, EncodePaymentAnswer({0, 9, 9, 1, 2})));
    ASSERT_TRUE(server.Send(kPaymentAnswer, EncodePaymentAnswer({0, 5, 6, 16, 1000})));
    ASSERT_TRUE(server.Send(kPointCheckAnswer, EncodePointCheckAnswer({-1, 1, 2})));
    PaymentResult paid = payment.get();
    EXPECT_EQ(paid.exchange, PointsExchange::kAnswered);
    EXPECT_EQ(paid.code, 0);
    EXPECT_EQ(paid.credited, 16u);
    EXPECT_EQ(paid.newBalance, 1000);
    PointCheckResult checked = check.get();
    EXPECT_EQ(checked.exchange, PointsExchange::kAnswered);
    EXPECT_EQ(checked.code, -1);
    // Added on the link's thread, the row reaches the person through the loop.
    EXPECT_TRUE(ui.Rows().empty());
    queue.ProcessPending();
    ASSERT_EQ(ui.Rows().size(), 1u);
    EXPECT_EQ(ui.Rows()[0].kind, kStatusCaution);
    EXPECT_EQ(ui.Rows()[0].text, points_text::kCheckUnauthorised);
}

TEST_F(CacheClientTest, ExchangesThatCannotCompleteSaySo) {
    EXPECT_EQ(link.CheckPoints(Request(1, 2, 8), 5s, {}).exchange, PointsExchange::kNotSent);
    Start();
    SignIn();
    EXPECT_EQ(link.CheckPoints(Request(1, 2, 8), 50ms, {}).exchange, PointsExchange::kNoAnswer);
    ASSERT_TRUE(Received(kPointCheck).keyLow == 1);

    std::stop_source stop;
    auto waiting = std::async(std::launch::async, [&] {
        return link.CollectPayment(Request(7, 8, 8), 20s, stop.get_token());
    });
    Received(kPayment);
    EXPECT_EQ(link.CollectPayment(Request(7, 8, 16), 5s, {}).exchange,
              PointsExchange::kAlreadyWaiting);
    stop.request_stop();
    EXPECT_EQ(waiting.get().exchange, PointsExchange::kCancelled);
    // Late answers find nobody waiting.
    ASSERT_TRUE(server.Send(kPointCheckAnswer, EncodePointCheckAnswer({0, 1, 2})));
    ASSERT_TRUE(server.Send(kPaymentAnswer, EncodePaymentAnswer({0, 7, 8, 16, 5})));
    ASSERT_TRUE(server.Send(kCacheBalance, EncodePointBalance(77)));
    EXPECT_TRUE(test::Eventually([&] { return balance.Balance() == 77; }));
}

}  // namespace
}  // namespace velorin
