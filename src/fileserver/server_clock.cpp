#include "fileserver/server_clock.h"

#include <cerrno>
#include <ctime>

#include "platform/clock.h"

namespace velorin {
namespace {

class CSystemServerClock final : public IServerClock {
public:
    uint32_t UnixSeconds() override { return static_cast<uint32_t>(SystemClock().WallSeconds()); }
    TimePoint Monotonic() override { return std::chrono::steady_clock::now(); }
    void SleepUntil(TimePoint deadline) override {
        // An absolute deadline on the monotonic clock: a wake-up that comes late
        // is not added to the next pause, as a relative sleep would.
        auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline.time_since_epoch());
        timespec ts{};
        ts.tv_sec = static_cast<time_t>(ns.count() / 1000000000);
        ts.tv_nsec = static_cast<long>(ns.count() % 1000000000);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }
};

}  // namespace

IServerClock& SystemServerClock() {
    static CSystemServerClock clock;
    return clock;
}

}  // namespace velorin
