#pragma once
// Time for rules that depend on it (keep-alive, reconnect, idle, probe round
// trips). Code takes an IClock so that tests move time instead of sleeping.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>

#include "platform/local_time.h"

namespace velorin {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic milliseconds from an arbitrary origin; never goes back.
    virtual std::chrono::milliseconds Now() const = 0;
    // The wall clock in the process's time zone.
    virtual LocalTime LocalNow() const = 0;
    // The wall clock as seconds since 1970 (UTC).
    virtual int64_t WallSeconds() const = 0;
};

class CSystemClock final : public IClock {
public:
    std::chrono::milliseconds Now() const override;
    LocalTime LocalNow() const override;
    int64_t WallSeconds() const override;
};

// The real clock; it holds no state.
const IClock& SystemClock();

// A clock that moves only when told to; safe to read from any thread.
class CManualClock final : public IClock {
public:
    // `wallSeconds`: seconds since 1970 shown by LocalNow at the start.
    explicit CManualClock(std::time_t wallSeconds = 0, int millisecond = 0);

    std::chrono::milliseconds Now() const override;
    LocalTime LocalNow() const override;
    int64_t WallSeconds() const override;

    // Moves the monotonic and the wall clock together.
    void Advance(std::chrono::milliseconds step);
    // Sets the wall clock alone (a change of the system time).
    void SetWall(std::time_t wallSeconds, int millisecond = 0);

private:
    std::atomic<int64_t> steadyMs_{0};
    std::atomic<int64_t> wallMs_{0};
};

}  // namespace velorin
