#pragma once
// The pauses of a download: 1 ms between blocks, and with LimitSpeed = L a
// further 2 × L ms before every block. The pauses are kept against a schedule
// on the monotonic clock rather than slept one by one: a sleep of 1 ms lasts
// longer than 1 ms, and the overshoot would cost several per cent of the rate.
// Block k of a schedule never starts before the schedule's start plus k
// periods, so the rate approaches 16384 bytes per (2 × L + 1) ms and never
// exceeds it; a block that runs more than a period late starts a new schedule,
// so no burst follows a stall.
#include <cstdint>

#include "fileserver/server_clock.h"

namespace velorin {

class CBlockPacer {
public:
    explicit CBlockPacer(IServerClock& clock) : clock_(clock) {}

    // Waits until the next block may be sent. `limitSpeed` is read per block:
    // the slider of the server view takes effect at the next block.
    void WaitForBlock(uint32_t limitSpeed);

private:
    IServerClock& clock_;
    bool started_ = false;
    IServerClock::TimePoint deadline_{};
};

}  // namespace velorin
