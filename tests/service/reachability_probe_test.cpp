#include "service/reachability_probe.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <atomic>

#include "support/loopback.h"
#include "support/probe_responder.h"
#include "support/recording_ui.h"

namespace velorin {
namespace {

using namespace std::chrono_literals;
using test::CProbeResponder;

struct Result {
    int reachable = -9, sameAddress = -9, roundTrip = -9;
    uint32_t seen = 0;
};

class ReachabilityProbeTest : public ::testing::Test {
protected:
    Result Probe(uint16_t port) {
        CReachabilityProbe probe(ui, clock, responder.Address());
        probe.Setup(port);
        EXPECT_EQ(probe.StartProbe(), 0);
        EXPECT_TRUE(probe.WaitDone(30s));
        Result r;
        probe.GetResult(r.reachable, r.sameAddress, r.roundTrip, r.seen);
        return r;
    }

    test::CRecordingUserInterface ui;
    CManualClock clock{1700000000};
    CProbeResponder responder;
};

TEST_F(ReachabilityProbeTest, AnAnswerMakesItReachableAndTheRoundTripComesFromTheClock) {
    ASSERT_TRUE(responder.Ok());
    // Each request is answered; only the first answer may move the clock.
    std::atomic<bool> moved{false};
    responder.BeforeAnswer([&] {
        if (!moved.exchange(true)) clock.Advance(137ms);
    });
    uint16_t port = test::FreeUdpPort();
    Result r = Probe(port);
    EXPECT_EQ(r.reachable, 1);
    EXPECT_EQ(r.roundTrip, 137);
    EXPECT_EQ(r.seen, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(r.sameAddress, 1);
    EXPECT_EQ(responder.LastPortUnderTest(), port);
    EXPECT_TRUE(ui.Messages().empty());
    // Closed with the probe, the port is free again.
    CUdpSocket again;
    EXPECT_TRUE(again.Open(port));
}

TEST_F(ReachabilityProbeTest, AnswersOf25Or27BytesAreNotTaken) {
    ASSERT_TRUE(responder.Ok());
    SystemTime t;
    std::string wrongAddress = EncodeProbeAnswer(t, inet_addr("10.9.9.9"));
    responder.SendFirst({wrongAddress.substr(0, 25), wrongAddress + "x"});
    Result r = Probe(test::FreeUdpPort());
    EXPECT_EQ(r.reachable, 1);
    EXPECT_EQ(r.seen, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(r.roundTrip, 0);
}

TEST_F(ReachabilityProbeTest, APortUnderTestInUseGivesANegativeVerdictWithoutAsking) {
    ASSERT_TRUE(responder.Ok());
    CUdpSocket holder;
    ASSERT_TRUE(holder.Open(0));
    Result r = Probe(ntohs(holder.LocalPort()));
    EXPECT_EQ(r.reachable, 0);
    EXPECT_EQ(r.roundTrip, -1);
    EXPECT_EQ(responder.Requests(), 0);
}

}  // namespace
}  // namespace velorin
