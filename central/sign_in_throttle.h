#pragma once
// Failed sign-ins slow down the next verification, per member ID and per
// address, so guessing a password costs hours while a member who mistyped it
// once is let in at once. Only failures count; a success resets both the ID's
// and the address's record. Lives on the event loop; no locks.
//
// Schedule for a key: its first `free` failures cost nothing; after that the
// next verification waits 1 s, then 2, 4 ... up to 60 s after the previous
// one. Attempts of one ID that are being verified beyond a few at once (a
// client signs in on several links together) count as failures until their
// verdict, so parallel guesses gain next to nothing. A record is forgotten an
// hour after its last failure; the tables are bounded, the oldest record
// gives way.
#include <cstdint>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>

namespace velorin::central {

inline constexpr int kFreeFailuresPerId = 3;
// A NAT puts many members behind one address.
inline constexpr int kFreeFailuresPerAddress = 30;
inline constexpr int64_t kFirstThrottleDelayMs = 1000;
inline constexpr int64_t kMaxThrottleDelayMs = 60 * 1000;
inline constexpr int64_t kThrottleMemoryMs = 3600 * 1000;
// Attempts that may wait for their turn; more are refused.
inline constexpr int kMaxWaitingPerId = 4;
inline constexpr int kMaxWaitingPerAddress = 64;
inline constexpr size_t kMaxThrottleRecords = 65536;
inline constexpr int kParallelSignInsPerId = 8;

enum class SignInOutcome { kFailed, kSucceeded, kUndecided };

class CSignInThrottle {
public:
    // When (steady milliseconds) the verification of a new attempt may start;
    // none when too many attempts of the ID or the address wait already.
    // Every admitted attempt is later passed to Started (if it had to wait)
    // and to Finished exactly once.
    std::optional<int64_t> Admit(const std::string& idKey, const std::string& address,
                                 int64_t nowMs);
    void Started(const std::string& idKey, const std::string& address);
    void Finished(const std::string& idKey, const std::string& address, SignInOutcome outcome,
                  int64_t nowMs);
    void Prune(int64_t nowMs);

private:
    struct Record {
        int failures = 0;
        int verifying = 0;  // admitted, no verdict yet
        int waiting = 0;    // admitted, not yet started
        int64_t nextSlot = 0;
        int64_t touched = 0;
        std::list<std::string>::iterator age;
    };
    class CTable {
    public:
        // `parallel`: attempts being verified at once that do not count as failures.
        CTable(int freeFailures, int maxWaiting, int parallel)
            : free_(freeFailures), maxWaiting_(maxWaiting), parallel_(parallel) {}
        // The earliest start for a new attempt; none when too many wait.
        std::optional<int64_t> Slot(const std::string& key, int64_t nowMs) const;
        void Admit(const std::string& key, int64_t slot, int64_t nowMs);
        void Started(const std::string& key);
        void Finished(const std::string& key, SignInOutcome outcome, int64_t nowMs);
        void Prune(int64_t nowMs);

    private:
        int Count(const Record& r, int failures) const;
        int64_t Delay(int count) const;
        Record& Touch(const std::string& key, int64_t nowMs);

        int free_;
        int maxWaiting_;
        int parallel_;
        std::unordered_map<std::string, Record> records_;
        std::list<std::string> ages_;  // least recently touched first
    };

    // Parallel sign-ins from one address are normal (a NAT, a restart of the
    // service); parallel ones for one ID are not.
    CTable ids_{kFreeFailuresPerId, kMaxWaitingPerId, kParallelSignInsPerId};
    CTable addresses_{kFreeFailuresPerAddress, kMaxWaitingPerAddress, 1 << 30};
};

}  // namespace velorin::central
