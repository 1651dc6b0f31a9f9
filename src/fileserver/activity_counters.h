#pragma once
// The process-wide counters that the status bar and the tray tooltip show:
// browsing visitors, transfers sending data out of this member (visitors'
// downloads and the member's own uploads) and transfers bringing data in.
// Changed only by atomic increments and decrements.
#include <atomic>
#include <cstdint>

namespace velorin {

struct ActivityCounters {
    std::atomic<uint32_t> browse{0};
    std::atomic<uint32_t> uploads{0};
    std::atomic<uint32_t> downloads{0};
};

}  // namespace velorin
