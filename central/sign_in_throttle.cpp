#include "central/sign_in_throttle.h"

#include <algorithm>

namespace velorin::central {

int64_t CSignInThrottle::CTable::Delay(int count) const {
    if (count < free_) return 0;
    int doublings = std::min(count - free_, 6);
    return std::min(kFirstThrottleDelayMs << doublings, kMaxThrottleDelayMs);
}

// Failures as they stand, plus the attempts being verified beyond the parallel allowance.
int CSignInThrottle::CTable::Count(const Record& r, int failures) const {
    return failures + std::max(0, r.verifying - parallel_);
}

std::optional<int64_t> CSignInThrottle::CTable::Slot(const std::string& key, int64_t nowMs) const {
    auto it = records_.find(key);
    if (it == records_.end() || Count(it->second, it->second.failures) < free_) return nowMs;
    int64_t slot = std::max(nowMs, it->second.nextSlot);
    if (slot > nowMs && it->second.waiting >= maxWaiting_) return std::nullopt;
    return slot;
}

CSignInThrottle::Record& CSignInThrottle::CTable::Touch(const std::string& key, int64_t nowMs) {
    auto [it, added] = records_.try_emplace(key);
    Record& r = it->second;
    if (added) {
        if (records_.size() > kMaxThrottleRecords) {
            records_.erase(ages_.front());
            ages_.pop_front();
        }
        r.age = ages_.insert(ages_.end(), key);
    } else {
        ages_.splice(ages_.end(), ages_, r.age);
    }
    r.touched = nowMs;
    return r;
}

void CSignInThrottle::CTable::Admit(const std::string& key, int64_t slot, int64_t nowMs) {
    Record& r = Touch(key, nowMs);
    if (slot > nowMs) ++r.waiting;
    // Should this attempt fail too, the next one waits its delay after this one starts.
    int64_t delay = Delay(Count(r, r.failures + 1));
    ++r.verifying;
    if (delay > 0) r.nextSlot = std::max(r.nextSlot, slot + delay);
}

void CSignInThrottle::CTable::Started(const std::string& key) {
    auto it = records_.find(key);
    if (it != records_.end() && it->second.waiting > 0) --it->second.waiting;
}

void CSignInThrottle::CTable::Finished(const std::string& key, SignInOutcome outcome,
                                       int64_t nowMs) {
    auto it = records_.find(key);
    if (outcome == SignInOutcome::kSucceeded) {
        if (it != records_.end()) {
            ages_.erase(it->second.age);
            records_.erase(it);
        }
        return;
    }
    if (it != records_.end() && it->second.verifying > 0) --it->second.verifying;
    if (outcome == SignInOutcome::kUndecided) return;
    Record& r = Touch(key, nowMs);
    ++r.failures;
    r.nextSlot = std::max(r.nextSlot, nowMs + Delay(Count(r, r.failures)));
}

void CSignInThrottle::CTable::Prune(int64_t nowMs) {
    while (!ages_.empty()) {
        auto it = records_.find(ages_.front());
        Record& r = it->second;
        if (nowMs - r.touched < kThrottleMemoryMs) break;
        if (r.verifying > 0 || r.waiting > 0) {
            Touch(it->first, nowMs);
            continue;
        }
        records_.erase(it);
        ages_.pop_front();
    }
}

std::optional<int64_t> CSignInThrottle::Admit(const std::string& idKey, const std::string& address,
                                              int64_t nowMs) {
    std::optional<int64_t> byId = ids_.Slot(idKey, nowMs);
    std::optional<int64_t> byAddress = addresses_.Slot(address, nowMs);
    if (!byId || !byAddress) return std::nullopt;
    int64_t slot = std::max(*byId, *byAddress);
    ids_.Admit(idKey, slot, nowMs);
    addresses_.Admit(address, slot, nowMs);
    return slot;
}

void CSignInThrottle::Started(const std::string& idKey, const std::string& address) {
    ids_.Started(idKey);
    addresses_.Started(address);
}

void CSignInThrottle::Finished(const std::string& idKey, const std::string& address,
                               SignInOutcome outcome, int64_t nowMs) {
    ids_.Finished(idKey, outcome, nowMs);
    addresses_.Finished(address, outcome, nowMs);
}

void CSignInThrottle::Prune(int64_t nowMs) {
    ids_.Prune(nowMs);
    addresses_.Prune(nowMs);
}

}  // namespace velorin::central
