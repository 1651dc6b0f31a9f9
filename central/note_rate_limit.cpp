#include "central/note_rate_limit.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "central/member_store.h"

namespace velorin::central {

bool CNoteRateLimit::Take(std::string_view senderId, int64_t nowMs) {
    auto [it, added] = senders_.try_emplace(MemberKey(senderId));
    Sender& sender = it->second;
    if (added) sender.id = senderId;
    int64_t fullAt = std::max(sender.fullAt, nowMs);
    if (fullAt - nowMs > (burst_ - 1) * kNoteIntervalMs) {
        if (sender.dropped++ == 0) {
            std::fprintf(stderr,
                         "velorin-central: %s sends more than %" PRId64
                         " notes at once or 1 per second; the excess is dropped\n",
                         sender.id.c_str(), burst_);
        }
        ++dropped_;
        return false;
    }
    sender.fullAt = fullAt + kNoteIntervalMs;
    return true;
}

void CNoteRateLimit::Prune(int64_t nowMs) {
    for (auto it = senders_.begin(); it != senders_.end();) {
        if (it->second.fullAt > nowMs) {
            ++it;
            continue;
        }
        if (it->second.dropped > 0) {
            std::fprintf(stderr, "velorin-central: %" PRIu64 " notes of %s dropped\n",
                         it->second.dropped, it->second.id.c_str());
        }
        it = senders_.erase(it);
    }
}

}  // namespace velorin::central
