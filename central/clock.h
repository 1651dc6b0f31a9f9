#pragma once
// Time as the central service's rules read it, so tests move time instead of sleeping.
#include <chrono>
#include <cstdint>

namespace velorin::central {

class IClock {
public:
    virtual ~IClock() = default;
    // Monotonic milliseconds: keep-alive deadlines.
    virtual int64_t SteadyMs() = 0;
    // Seconds since 1970: opening times, ticket and note dates.
    virtual int64_t WallSeconds() = 0;
};

class CSystemClock : public IClock {
public:
    int64_t SteadyMs() override;
    int64_t WallSeconds() override;
};

}  // namespace velorin::central
