// Failed sign-ins throttle the next verification, on every port that checks a
// password. Time is the test's clock: an answer that is due later cannot come
// before the clock gets there, however long the test waited.
#include "central/sign_in_throttle.h"
#include "central_fixture.h"
#include "service/cache_messages.h"
#include "service/ticket_messages.h"

namespace velorin::central::test {
namespace {

class SignInThrottle : public CentralTest {
protected:
    void SetUp() override {
        CentralTest::SetUp();
        AddMember("kim", "right-pw");
        AddMember("lee", "lee-pw");
        StartServer();
    }

    // A sign-in sent on a new link from `from`; its answer is read later.
    std::unique_ptr<CWireLink> Attempt(const std::string& id, const std::string& password,
                                       const std::string& from = "127.0.0.1") {
        auto link = std::make_unique<CWireLink>();
        EXPECT_TRUE(ConnectFrom(*link, from, address_, kSessionServerPort));
        EXPECT_TRUE(link->Send(kSessionSignIn, EncodeSignInRequest(Request(id, password))));
        return link;
    }
    // The sign-in result that has come by now (or within `wait`); 1 when none.
    static int32_t Answer(CWireLink& link, std::chrono::milliseconds wait = 5s) {
        int32_t code = 1;
        std::optional<Packet> p = link.ReceiveType(kSessionSignInResult, wait);
        if (p) DecodeSignInResult(p->payload, code);
        return code;
    }
    void FailFreely(const std::string& id, int times, const std::string& from = "127.0.0.1") {
        for (int i = 0; i < times; ++i) {
            EXPECT_EQ(Answer(*Attempt(id, "wrong", from)), kSignInBadCredentials) << i;
        }
    }
};

TEST_F(SignInThrottle, FailuresOfAnIdDelayItsNextVerificationMoreEachTime) {
    FailFreely("kim", kFreeFailuresPerId);
    // The delay doubles; a success ends it; the next typo costs nothing.
    for (auto delay : {1s, 2s, 4s}) {
        auto waiting = Attempt("kim", "wrong");
        EXPECT_EQ(Answer(*waiting, 200ms), 1) << delay.count();
        clock_.Advance(delay - 1ms);
        EXPECT_EQ(Answer(*waiting, 200ms), 1) << delay.count();
        clock_.Advance(1ms);
        EXPECT_EQ(Answer(*waiting), kSignInBadCredentials) << delay.count();
    }
    auto right = Attempt("kim", "right-pw");
    clock_.Advance(8s);
    EXPECT_EQ(Answer(*right), kSignInAccepted);
    FailFreely("kim", kFreeFailuresPerId);
}

TEST_F(SignInThrottle, ADelayedIdHoldsUpNeitherOtherIdsNorOtherAddresses) {
    FailFreely("kim", kFreeFailuresPerId);
    auto waiting = Attempt("kim", "right-pw");
    EXPECT_EQ(Answer(*Attempt("lee", "lee-pw", "127.3.0.1")), kSignInAccepted);
    EXPECT_EQ(Answer(*Attempt("lee", "lee-pw")), kSignInAccepted);
    EXPECT_EQ(Answer(*waiting, 200ms), 1);
    clock_.Advance(1s);
    EXPECT_EQ(Answer(*waiting), kSignInAccepted);
}

TEST_F(SignInThrottle, EveryPortThatChecksAPasswordWaitsItsTurn) {
    FailFreely("kim", kFreeFailuresPerId);
    CWireLink cache;
    ASSERT_TRUE(cache.Connect(address_, kCacheServerPort));
    ASSERT_TRUE(cache.Send(kCacheSignIn, EncodeCacheSignIn({"kim", MakePasswordField("x")})));
    CWireLink ticket;
    ASSERT_TRUE(ticket.Connect(address_, kTicketPort));
    ASSERT_TRUE(ticket.Send(kTicketRequest,
                            EncodeTicketRequest({"kim", MakePasswordField("y"), "lee", 0})));
    EXPECT_FALSE(cache.Receive(200ms));
    EXPECT_FALSE(ticket.Receive(10ms));
    // The second waits for the first: parallel guesses gain nothing.
    clock_.Advance(1s);
    std::optional<Packet> cacheAnswer = cache.Receive();
    ASSERT_TRUE(cacheAnswer && cacheAnswer->type == kCacheSignInResult);
    EXPECT_EQ(cacheAnswer->payload, EncodeSignInResult(kSignInBadCredentials));
    EXPECT_FALSE(ticket.Receive(200ms));
    clock_.Advance(2s);
    std::optional<Packet> ticketAnswer = ticket.Receive();
    ASSERT_TRUE(ticketAnswer && ticketAnswer->type == kTicketAnswer);
    EXPECT_EQ(static_cast<int8_t>(ticketAnswer->payload[0]), kTicketBadCredentials);
}

TEST_F(SignInThrottle, AttemptsBeyondTheQueueOfAnIdAreClosed) {
    FailFreely("kim", kFreeFailuresPerId);
    std::vector<std::unique_ptr<CWireLink>> queued;
    for (int i = 0; i < kMaxWaitingPerId; ++i) queued.push_back(Attempt("kim", "wrong"));
    EXPECT_EQ(Answer(*queued.back(), 200ms), 1);
    EXPECT_TRUE(Attempt("kim", "wrong")->WaitClosed());
    for (auto& link : queued) EXPECT_FALSE(link->WaitClosed(10ms));
}

TEST_F(SignInThrottle, AnAddressGetsALargerAllowanceThenWaitsToo) {
    const std::string from = "127.4.0.1";
    for (int i = 0; i < kFreeFailuresPerAddress; ++i) {
        ASSERT_EQ(Answer(*Attempt("guess" + std::to_string(i), "wrong", from)),
                  kSignInBadCredentials)
            << i;
    }
    auto waiting = Attempt("lee", "lee-pw", from);
    EXPECT_EQ(Answer(*Attempt("kim", "right-pw")), kSignInAccepted);
    EXPECT_EQ(Answer(*waiting, 200ms), 1);
    clock_.Advance(1s);
    EXPECT_EQ(Answer(*waiting), kSignInAccepted);
    // The success reset the address.
    EXPECT_EQ(Answer(*Attempt("nobody", "wrong", from)), kSignInBadCredentials);
}

// Sign-ins that succeed add nothing, however many arrive at once from one address.
TEST_F(SignInThrottle, ParallelSuccessesFromOneAddressAreNeverDelayed) {
    const int members = kFreeFailuresPerAddress + 10;
    std::vector<NewMember> added;
    for (int i = 0; i < members; ++i) added.push_back({"m" + std::to_string(i), "pw", 0, 0});
    std::string error;
    ASSERT_TRUE(Store().AddMembers(added, 0, error)) << error;
    std::vector<std::unique_ptr<CWireLink>> links;
    for (const NewMember& m : added) links.push_back(Attempt(m.id, m.password));
    // A client signs in on its session, cache and ticket links together.
    for (int i = 0; i < kParallelSignInsPerId; ++i) links.push_back(Attempt("kim", "right-pw"));
    for (auto& link : links) EXPECT_EQ(Answer(*link), kSignInAccepted);
}

}  // namespace
}  // namespace velorin::central::test
