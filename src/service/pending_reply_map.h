#pragma once
// Requests that wait for the cache server's answers, keyed by the 64-bit
// request key (ticket 1 the low word, ticket 2 the high word). The map's lock
// is held while an entry is inserted, answered or removed, never during a
// wait: a requester removes its entry under the lock, so the link's worker
// never writes into a waiter that has gone.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <unordered_map>

namespace velorin {

// What an answer carries back to its requester.
struct ReplyFields {
    int8_t code = 0;
    uint32_t credited = 0;
    int64_t balance = 0;
};

// One requester's wait, living on the requester's stack.
class CReplyWaiter {
public:
    enum class Outcome { kAnswered, kTimedOut, kStopped };

    Outcome Wait(std::chrono::milliseconds timeout, std::stop_token stop);
    ReplyFields Fields() const;

private:
    friend class PendingReplyMap;
    void Signal(const ReplyFields& fields);

    mutable std::mutex mutex_;
    std::condition_variable_any signal_;
    bool answered_ = false;
    ReplyFields fields_;
};

class PendingReplyMap {
public:
    static uint64_t Key(uint32_t low, uint32_t high);

    // False, changing nothing, when the key is already waiting.
    bool Insert(uint64_t key, CReplyWaiter* waiter);
    // Only the requester's own entry: after a Clear the key may belong to another.
    void Remove(uint64_t key, const CReplyWaiter* waiter);
    // Fills and wakes the key's waiter; false when none waits (a late answer).
    bool Answer(uint64_t key, const ReplyFields& fields);
    void Clear();
    size_t Size() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<uint64_t, CReplyWaiter*> waiters_;
};

}  // namespace velorin
