#pragma once
#include <cstdint>

namespace velorin {

// The three counters of the own file server's activity.
struct ActivityCounts {
    uint32_t browsing = 0;   // members browsing the own server
    uint32_t sending = 0;    // transfers sending data out
    uint32_t receiving = 0;  // transfers bringing data in
};

}  // namespace velorin
