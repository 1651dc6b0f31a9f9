#pragma once
// Notes each member may send: a burst at once, then a steady rate. Notes
// beyond it are dropped and counted; the count is logged once the sender's
// flood has ended, not once per note. Lives on the event loop; no locks.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace velorin::central {

inline constexpr int64_t kNoteBurst = 20;
inline constexpr int64_t kNoteIntervalMs = 1000;  // one note per second after the burst

class CNoteRateLimit {
public:
    // True when `senderId` may send a note at `nowMs` (steady milliseconds).
    bool Take(std::string_view senderId, int64_t nowMs);
    // Forgets senders whose allowance has filled up again, logging what they lost.
    void Prune(int64_t nowMs);
    uint64_t Dropped() const { return dropped_; }

    // Test hook: the burst for senders not seen yet.
    void SetBurst(int64_t burst) { burst_ = burst; }

private:
    struct Sender {
        std::string id;
        // When the allowance is whole again; each note moves it one interval on.
        int64_t fullAt = 0;
        uint64_t dropped = 0;
    };
    std::unordered_map<std::string, Sender> senders_;  // by MemberKey
    int64_t burst_ = kNoteBurst;
    uint64_t dropped_ = 0;
};

}  // namespace velorin::central
