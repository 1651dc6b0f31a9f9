// The cache server, its ticket port and the reachability responder over real
// loopback links and datagrams.
#include <arpa/inet.h>

#include "central_fixture.h"
#include "net/udp_socket.h"
#include "service/cache_messages.h"
#include "service/probe_datagram.h"
#include "service/ticket_messages.h"

namespace velorin::central::test {
namespace {

class CacheServer : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        AddMember("buyer", "buyer-pw", 100);
        AddMember("seller", "seller-pw", 5);
        StartServer();
    }

    // The cache link's sign-in result, -100 when none came.
    int32_t CacheSignIn(CWireLink& link, const std::string& id, const std::string& pw) {
        int32_t code = -100;
        EXPECT_TRUE(link.Connect(address_, kCacheServerPort));
        EXPECT_TRUE(link.Send(kCacheSignIn, EncodeCacheSignIn({id, MakePasswordField(pw)})));
        std::optional<Packet> answer = link.Receive();
        if (answer && answer->type == kCacheSignInResult) {
            EXPECT_TRUE(DecodeSignInResult(answer->payload, code));
        }
        return code;
    }

    // The raw answer of the ticket port; checks that the port closes after it.
    std::string BuyRaw(const TicketRequest& request) {
        CWireLink link;
        EXPECT_TRUE(link.Connect(address_, kTicketPort));
        EXPECT_TRUE(link.Send(kTicketRequest, EncodeTicketRequest(request)));
        std::optional<Packet> answer = link.Receive();
        EXPECT_TRUE(answer && answer->type == kTicketAnswer);
        EXPECT_TRUE(link.WaitClosed());
        return answer ? answer->payload : std::string();
    }

    TicketAnswer Buy(uint32_t points, const std::string& pw = "buyer-pw") {
        TicketAnswer answer{-100, 0, 0, 0};
        EXPECT_TRUE(
            DecodeTicketAnswer(BuyRaw({"buyer", MakePasswordField(pw), "seller", points}), answer));
        return answer;
    }

    std::optional<Packet> Ask(CWireLink& link, uint16_t type, const std::string& payload) {
        EXPECT_TRUE(link.Send(type, payload));
        return link.Receive();
    }

    int64_t Balance(CWireLink& link) {
        int64_t balance = -1;
        std::optional<Packet> answer = Ask(link, kBalanceRequest, "");
        EXPECT_TRUE(answer && answer->type == kCacheBalance);
        if (answer) {
            EXPECT_TRUE(DecodePointBalance(answer->payload, balance));
        }
        return balance;
    }
};

TEST_F(CacheServer, SignInVerdictsAndNothingBeforeAcceptance) {
    CWireLink wrong;
    EXPECT_EQ(CacheSignIn(wrong, "seller", "nope"), kSignInBadCredentials);
    EXPECT_TRUE(wrong.WaitClosed());
    CWireLink unknown;
    EXPECT_EQ(CacheSignIn(unknown, "ghost", "seller-pw"), kSignInBadCredentials);
    std::string error;
    ASSERT_TRUE(Store().SetDisabled("buyer", true, error));
    CWireLink disabled;
    EXPECT_EQ(CacheSignIn(disabled, "buyer", "buyer-pw"), kSignInDisabled);

    CWireLink early;
    ASSERT_TRUE(early.Connect(address_, kCacheServerPort));
    ASSERT_TRUE(early.Send(kBalanceRequest, ""));
    EXPECT_FALSE(early.Receive(200ms));
    CWireLink seller;
    ASSERT_EQ(CacheSignIn(seller, "seller", "seller-pw"), kSignInAccepted);
    EXPECT_EQ(Balance(seller), 5);
}

TEST_F(CacheServer, TicketPortAnswersOnceWithThirteenBytesThenCloses) {
    EXPECT_EQ(BuyRaw({"buyer", MakePasswordField("bad"), "seller", 10}),
              std::string("\xfe", 1) + std::string(12, '\0'));
    EXPECT_EQ(BuyRaw({"ghost", MakePasswordField("buyer-pw"), "seller", 10}),
              std::string("\xfe", 1) + std::string(12, '\0'));
    EXPECT_EQ(Buy(101).code, kTicketShortOfPoints);
    EXPECT_EQ(BuyRaw({"buyer", MakePasswordField("buyer-pw"), "ghost", 10})[0], '\xff');
    TicketAnswer t = Buy(100);
    EXPECT_EQ(t.code, kTicketIssued);
    EXPECT_NE(t.ticket1 | t.ticket2 | t.ticket3, 0u);
    EXPECT_EQ(Buy(1).code, kTicketShortOfPoints);  // everything is reserved

    CWireLink strange;
    ASSERT_TRUE(strange.Connect(address_, kTicketPort));
    ASSERT_TRUE(strange.Send(kTicketAnswer, std::string(56, 'x')));
    EXPECT_FALSE(strange.Receive(200ms));
    EXPECT_TRUE(strange.WaitClosed());
}

TEST_F(CacheServer, CheckPaymentAndBalanceSettleATicketOnce) {
    TicketAnswer t = Buy(80);
    ASSERT_EQ(t.code, kTicketIssued);
    CWireLink seller;
    ASSERT_EQ(CacheSignIn(seller, "seller", "seller-pw"), kSignInAccepted);
    CWireLink buyer;
    ASSERT_EQ(CacheSignIn(buyer, "buyer", "buyer-pw"), kSignInAccepted);
    EXPECT_EQ(Balance(buyer), 20);  // the reservation left at once

    PointRequest check{"buyer", t.ticket1, t.ticket2, t.ticket3, 80};
    std::optional<Packet> ok = Ask(seller, kPointCheck, EncodePointRequest(check));
    ASSERT_TRUE(ok && ok->type == kPointCheckAnswer);
    EXPECT_EQ(ok->payload, EncodePointCheckAnswer({0, t.ticket1, t.ticket2}));
    EXPECT_EQ(ok->payload.size(), 29u);
    check.second = 81;  // more than the ticket covers
    std::optional<Packet> refused = Ask(seller, kPointCheck, EncodePointRequest(check));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->payload[0], '\xff');
    // Only the seller named in the ticket may use it.
    check.second = 80;
    EXPECT_EQ(Ask(buyer, kPointCheck, EncodePointRequest(check))->payload[0], '\xff');

    PointRequest pay{"buyer", t.ticket1, t.ticket2, t.ticket3, 64};
    std::optional<Packet> paid = Ask(seller, kPayment, EncodePointRequest(pay));
    ASSERT_TRUE(paid && paid->type == kPaymentAnswer);
    ASSERT_EQ(paid->payload.size(), 41u);
    EXPECT_EQ(paid->payload, EncodePaymentAnswer({0, t.ticket1, t.ticket2, 64, 69}));
    EXPECT_EQ(Balance(buyer), 36);  // the unused 16 came back
    EXPECT_EQ(Balance(seller), 69);

    std::optional<Packet> again = Ask(seller, kPayment, EncodePointRequest(pay));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->payload, EncodePaymentAnswer({-1, t.ticket1, t.ticket2, 0, 0}));
    EXPECT_EQ(Balance(seller), 69);
    EXPECT_EQ(Balance(buyer), 36);

    // A malformed request ends only that link.
    EXPECT_TRUE(buyer.Send(kPayment, std::string(35, '\0')));
    EXPECT_TRUE(buyer.WaitClosed());
    EXPECT_EQ(Balance(seller), 69);
}

TEST_F(CacheServer, ATicketNoSellerCheckedReturnsAfterTenMinutes) {
    ASSERT_EQ(Buy(30).code, kTicketIssued);
    clock_.Advance(std::chrono::seconds(kUncheckedTicketLifetimeSeconds - 1));
    LetSweepRun();
    EXPECT_EQ(*Store().Balance("buyer"), 70);
    clock_.Advance(std::chrono::seconds(61));
    LetSweepRun();
    EXPECT_EQ(*Store().Balance("buyer"), 100);
}

TEST_F(CacheServer, TheSessionLinkShowsWhatAReservationLeaves) {
    ASSERT_EQ(Buy(30).code, kTicketIssued);
    int32_t code = 1;
    auto session = SignIn(Request("buyer", "buyer-pw"), code);
    ASSERT_EQ(code, kSignInAccepted);
    MemberInformation info;
    std::optional<Packet> p = session->Receive();
    ASSERT_TRUE(p && DecodeMemberInformation(p->payload, info));
    EXPECT_EQ(info.balance, 70);
    p = session->Receive();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->payload, EncodePointBalance(70));
}

class ProbeResponder : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        StartServer();
        // Answers go to the port under test, never back to the sender.
        ASSERT_TRUE(listener_.Open(0) && sender_.Open(0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kProbeServerPort);
        inet_pton(AF_INET, address_.c_str(), &to.sin_addr);
        sender_.SetPeer(to);
        portUnderTest_ = ntohs(listener_.LocalPort());
    }
    void SendToServer(const std::string& datagram) {
        sender_.SendTo(datagram.data(), datagram.size());
    }
    std::optional<std::string> ReceiveAnswer(std::chrono::milliseconds timeout) {
        char buffer[100];
        if (!listener_.WaitReadable(timeout)) return std::nullopt;
        int n = listener_.ReceiveFrom(buffer, sizeof buffer);
        return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    }

    CUdpSocket listener_;
    CUdpSocket sender_;
    uint16_t portUnderTest_ = 0;
};

TEST_F(ProbeResponder, AnswersToThePortUnderTestWithTheEchoedTimeAndSeenAddress) {
    SystemTime sent{2026, 3, 2, 10, 11, 12, 13, 456};
    SendToServer(EncodeProbeRequest(portUnderTest_, sent));
    std::optional<std::string> answer = ReceiveAnswer(5s);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->size(), 26u);
    EXPECT_EQ(answer->substr(0, 4), std::string(4, '\0'));
    EXPECT_EQ(answer->substr(4, 16), EncodeProbeRequest(0, sent).substr(6));
    EXPECT_EQ(answer->substr(20, 4), std::string("\x7f\x00\x00\x01", 4));
    EXPECT_EQ(answer->substr(24, 2), std::string(2, '\0'));
}

TEST_F(ProbeResponder, IgnoresEverythingButAnExactRequest) {
    std::string request = EncodeProbeRequest(portUnderTest_, SystemTime{});
    SendToServer(request.substr(0, 21));
    SendToServer(request + "x");
    std::string wrongMagic = request;
    wrongMagic[0] = 1;
    SendToServer(wrongMagic);
    EXPECT_FALSE(ReceiveAnswer(300ms));
    SendToServer(request);
    EXPECT_TRUE(ReceiveAnswer(5s));
}

}  // namespace
}  // namespace velorin::central::test
