#include "platform/clock.h"

namespace velorin {

std::chrono::milliseconds CSystemClock::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

LocalTime CSystemClock::LocalNow() const {
    return NowLocal();
}

int64_t CSystemClock::WallSeconds() const {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

const IClock& SystemClock() {
    static const CSystemClock clock;
    return clock;
}

CManualClock::CManualClock(std::time_t wallSeconds, int millisecond) {
    SetWall(wallSeconds, millisecond);
}

std::chrono::milliseconds CManualClock::Now() const {
    return std::chrono::milliseconds(steadyMs_.load());
}

LocalTime CManualClock::LocalNow() const {
    int64_t ms = wallMs_.load();
    return ToLocalTime(static_cast<std::time_t>(ms / 1000), static_cast<int>(ms % 1000));
}

int64_t CManualClock::WallSeconds() const {
    return wallMs_.load() / 1000;
}

void CManualClock::Advance(std::chrono::milliseconds step) {
    steadyMs_ += step.count();
    wallMs_ += step.count();
}

void CManualClock::SetWall(std::time_t wallSeconds, int millisecond) {
    wallMs_ = static_cast<int64_t>(wallSeconds) * 1000 + millisecond;
}

}  // namespace velorin
