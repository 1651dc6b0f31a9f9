#pragma once
// The file server's pacing clock. It differs from IClock (platform/clock.h)
// because it sleeps: the session threads wait through it, so a test clock
// moves time instead. Its monotonic time is finer than IClock's milliseconds,
// since a block's 1 ms pause is kept against a deadline that a millisecond
// clock would round away. UnixSeconds stamps the transfer records; the system
// clock reads it from IClock's wall time.
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
