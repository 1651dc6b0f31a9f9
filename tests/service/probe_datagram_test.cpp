#include "service/probe_datagram.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(ProbeDatagram, RequestCarriesThePortLittleEndianAtOffsetFour) {
    SystemTime t{2026, 12, 0, 6, 9, 30, 15, 250};
    std::string request = EncodeProbeRequest(0x1C80, t);
    ASSERT_EQ(request.size(), 22u);
    EXPECT_EQ(request.substr(0, 6), std::string("\x80\x1C\x00\x00\x80\x1C", 6));
    uint16_t port = 0;
    SystemTime back;
    ASSERT_TRUE(DecodeProbeRequest(request, port, back));
    EXPECT_EQ(port, 0x1C80);
    EXPECT_EQ(back.millisecond, 250);
    EXPECT_FALSE(DecodeProbeRequest(request.substr(0, 21), port, back));
    EXPECT_FALSE(DecodeProbeRequest("x" + request.substr(1), port, back));
}

TEST(ProbeDatagram, OnlyAnswersOfExactlyTwentySixBytesCount) {
    SystemTime t{2026, 12, 0, 6, 9, 30, 15, 250};
    std::string answer = EncodeProbeAnswer(t, inet_addr("10.1.2.3"));
    ASSERT_EQ(answer.size(), 26u);
    EXPECT_EQ(answer.substr(20, 4), std::string("\x0A\x01\x02\x03", 4));
    SystemTime echoed;
    uint32_t seen = 0;
    ASSERT_TRUE(DecodeProbeAnswer(answer, echoed, seen));
    EXPECT_EQ(seen, inet_addr("10.1.2.3"));
    EXPECT_FALSE(DecodeProbeAnswer(answer.substr(0, 25), echoed, seen));
    EXPECT_FALSE(DecodeProbeAnswer(answer + "x", echoed, seen));
}

TEST(ProbeDatagram, RoundTripIgnoresHoursAndNeverGoesNegative) {
    SystemTime sent{2026, 12, 0, 6, 9, 59, 59, 900};
    SystemTime arrival{2026, 12, 0, 6, 10, 0, 0, 100};
    EXPECT_EQ(ProbeRoundTrip(sent, arrival), 0);  // the next hour: negative sum
    SystemTime later{2026, 12, 0, 6, 9, 59, 59, 950};
    EXPECT_EQ(ProbeRoundTrip(sent, later), 50);
    EXPECT_EQ(ProbeRoundTrip(sent, sent), 0);
    // The echoed fields come from the network and may hold anything.
    SystemTime hostile{65535, 65535, 65535, 65535, 65535, 65535, 65535, 65535};
    EXPECT_EQ(ProbeRoundTrip(hostile, arrival), 0);
    SystemTime zero{};
    EXPECT_EQ(ProbeRoundTrip(zero, SystemTime{0, 0, 0, 0, 0, 59, 59, 999}), 3599999);
}

}  // namespace
}  // namespace velorin
