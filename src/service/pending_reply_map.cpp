#include "service/pending_reply_map.h"

namespace velorin {

CReplyWaiter::Outcome CReplyWaiter::Wait(std::chrono::milliseconds timeout, std::stop_token stop) {
    std::unique_lock lock(mutex_);
    if (signal_.wait_for(lock, stop, timeout, [this] { return answered_; })) {
        return Outcome::kAnswered;
    }
    return stop.stop_requested() ? Outcome::kStopped : Outcome::kTimedOut;
}

ReplyFields CReplyWaiter::Fields() const {
    std::lock_guard lock(mutex_);
    return fields_;
}

void CReplyWaiter::Signal(const ReplyFields& fields) {
    {
        std::lock_guard lock(mutex_);
        fields_ = fields;
        answered_ = true;
    }
    signal_.notify_all();
}

uint64_t PendingReplyMap::Key(uint32_t low, uint32_t high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

bool PendingReplyMap::Insert(uint64_t key, CReplyWaiter* waiter) {
    std::lock_guard lock(mutex_);
    return waiters_.emplace(key, waiter).second;
}

void PendingReplyMap::Remove(uint64_t key, const CReplyWaiter* waiter) {
    std::lock_guard lock(mutex_);
    auto it = waiters_.find(key);
    if (it != waiters_.end() && it->second == waiter) waiters_.erase(it);
}

bool PendingReplyMap::Answer(uint64_t key, const ReplyFields& fields) {
    std::lock_guard lock(mutex_);
    auto it = waiters_.find(key);
    if (it == waiters_.end()) return false;
    it->second->Signal(fields);
    return true;
}

void PendingReplyMap::Clear() {
    std::lock_guard lock(mutex_);
    waiters_.clear();
}

size_t PendingReplyMap::Size() const {
    std::lock_guard lock(mutex_);
    return waiters_.size();
}

}  // namespace velorin
