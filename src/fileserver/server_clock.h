#pragma once
// Time as the file server sees it: calendar seconds for the transfer records,
// a monotonic clock and sleeps for pacing. Tests move a manual clock instead
// of sleeping.
#include <chrono>
#include <cstdint>

namespace velorin {

class IServerClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~IServerClock() = default;
    // Seconds since 1970.
    virtual uint32_t UnixSeconds() = 0;
    virtual TimePoint Monotonic() = 0;
    // Returns at `deadline` or later, never earlier.
    virtual void SleepUntil(TimePoint deadline) = 0;

    void SleepFor(std::chrono::milliseconds span) { SleepUntil(Monotonic() + span); }
};

// The system's clocks; stateless, shared by every session thread.
IServerClock& SystemServerClock();

}  // namespace velorin
