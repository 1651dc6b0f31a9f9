#include "service/probe_datagram.h"

#include <limits>

#include "net/payload.h"
#include "service/wire_fields.h"

namespace velorin {
namespace {

void PutTime(CPayloadWriter& w, const SystemTime& t) {
    w.U16(t.year)
        .U16(t.month)
        .U16(t.dayOfWeek)
        .U16(t.day)
        .U16(t.hour)
        .U16(t.minute)
        .U16(t.second)
        .U16(t.millisecond);
}

bool GetTime(CPayloadReader& r, SystemTime& t) {
    return r.U16(t.year) && r.U16(t.month) && r.U16(t.dayOfWeek) && r.U16(t.day) && r.U16(t.hour) &&
           r.U16(t.minute) && r.U16(t.second) && r.U16(t.millisecond);
}

}  // namespace

std::string EncodeProbeRequest(uint16_t portUnderTest, const SystemTime& sent) {
    CPayloadWriter w;
    w.U32(kProbeMagic).U16(portUnderTest);
    PutTime(w, sent);
    return w.Take();
}

bool DecodeProbeRequest(std::string_view datagram, uint16_t& portUnderTest, SystemTime& sent) {
    if (datagram.size() != kProbeRequestSize) return false;
    CPayloadReader r(datagram);
    uint32_t magic = 0;
    return r.U32(magic) && magic == kProbeMagic && r.U16(portUnderTest) && GetTime(r, sent);
}

std::string EncodeProbeAnswer(const SystemTime& echoed, uint32_t seenAddress) {
    CPayloadWriter w;
    w.Zeros(4);
    PutTime(w, echoed);
    PutNetworkOrder(w, seenAddress);
    w.Zeros(2);
    return w.Take();
}

bool DecodeProbeAnswer(std::string_view datagram, SystemTime& echoed, uint32_t& seenAddress) {
    if (datagram.size() != kProbeAnswerSize) return false;
    CPayloadReader r(datagram);
    return r.Skip(4) && GetTime(r, echoed) && GetNetworkOrder(r, seenAddress);
}

int ProbeRoundTrip(const SystemTime& echoed, const SystemTime& arrival) {
    // The echoed fields come from the network: any u16 may arrive, so the sum is
    // taken wide and capped instead of overflowing.
    int64_t value = int64_t{arrival.millisecond} +
                    1000 * (int64_t{arrival.second} +
                            60 * (int64_t{arrival.minute} - echoed.minute) - echoed.second) -
                    echoed.millisecond;
    if (value < 1) return 0;
    return value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(value);
}

}  // namespace velorin
