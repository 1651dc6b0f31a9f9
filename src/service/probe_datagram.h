#pragma once
// The reachability probe's two datagrams.
//   request, 22 bytes: u32 7296, u16 port under test, calendar time at sending
//   answer, 26 bytes:  4 unread, calendar time (the request's own, echoed),
//                      u32 the client's IPv4 address as seen (network order), 2 unread
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace velorin {

inline constexpr uint16_t kProbeServerPort = 7296;
inline constexpr uint32_t kProbeMagic = 7296;
inline constexpr size_t kProbeRequestSize = 22;
inline constexpr size_t kProbeAnswerSize = 26;

std::string EncodeProbeRequest(uint16_t portUnderTest, const SystemTime& sent);
// Exactly 22 bytes beginning with 7296.
bool DecodeProbeRequest(std::string_view datagram, uint16_t& portUnderTest, SystemTime& sent);

std::string EncodeProbeAnswer(const SystemTime& echoed, uint32_t seenAddress);
// Exactly 26 bytes.
bool DecodeProbeAnswer(std::string_view datagram, SystemTime& echoed, uint32_t& seenAddress);

// Milliseconds between the echoed time and the arrival, from minutes, seconds and
// milliseconds only (hours are not looked at); below 1 it is 0.
int ProbeRoundTrip(const SystemTime& echoed, const SystemTime& arrival);

}  // namespace velorin
