#include "fileserver/block_pacer.h"

namespace velorin {

void CBlockPacer::WaitForBlock(uint32_t limitSpeed) {
    using std::chrono::milliseconds;
    const milliseconds gap(1);
    const milliseconds extra(2 * static_cast<int64_t>(limitSpeed));
    IServerClock::TimePoint now = clock_.Monotonic();
    IServerClock::TimePoint next = now + extra;
    if (started_) {
        next = deadline_ + gap + extra;
        if (now > next + gap) next = now;
    }
    started_ = true;
    deadline_ = next;
    if (next > now) clock_.SleepUntil(next);
}

}  // namespace velorin
