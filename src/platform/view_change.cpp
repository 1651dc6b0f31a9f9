#include "platform/view_change.h"

#include <algorithm>

namespace velorin {

int CViewObservers::Subscribe(Observer observer) {
    int token = nextToken_++;
    observers_.push_back({token, std::move(observer)});
    return token;
}

void CViewObservers::Unsubscribe(int token) {
    std::erase_if(observers_, [token](const Entry& entry) { return entry.token == token; });
}

void CViewObservers::Notify(const ViewChange& change) const {
    for (const Entry& entry : observers_) {
        if (entry.observer) entry.observer(change);
    }
}

void NotifyRowChanges(const CViewObservers& observers, size_t oldCount, size_t newCount,
                      const std::function<bool(size_t, size_t)>& same,
                      const std::function<bool(size_t, size_t)>& equal) {
    size_t prefix = 0;
    while (prefix < oldCount && prefix < newCount && same(prefix, prefix)) ++prefix;
    size_t suffix = 0;
    while (suffix < oldCount - prefix && suffix < newCount - prefix &&
           same(oldCount - 1 - suffix, newCount - 1 - suffix)) {
        ++suffix;
    }
    size_t removed = oldCount - prefix - suffix;
    size_t inserted = newCount - prefix - suffix;
    if (removed != 0 && inserted != 0) {
        observers.Reset();
        return;
    }
    if (removed != 0) observers.Removed(prefix, removed);
    if (inserted != 0) observers.Inserted(prefix, inserted);
    // Runs of changed rows, by their new positions.
    size_t runStart = 0;
    size_t runLength = 0;
    auto visit = [&](size_t oldIndex, size_t newIndex) {
        if (!equal(oldIndex, newIndex)) {
            if (runLength != 0 && runStart + runLength == newIndex) {
                ++runLength;
                return;
            }
            if (runLength != 0) observers.Changed(runStart, runLength);
            runStart = newIndex;
            runLength = 1;
        }
    };
    for (size_t i = 0; i < prefix; ++i) visit(i, i);
    for (size_t k = 0; k < suffix; ++k) visit(oldCount - suffix + k, newCount - suffix + k);
    if (runLength != 0) observers.Changed(runStart, runLength);
}

}  // namespace velorin
