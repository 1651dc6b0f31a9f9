#include "platform/activity_log.h"

#include <algorithm>

namespace velorin {

void CActivityLog::Add(const std::string& time, int kind, const std::string& label,
                       const std::string& text) {
    if (rows_.size() >= kMaxRows) {
        rows_.pop_front();
        observers_.Removed(0, 1);
    }
    rows_.push_back({next_++, time, kind, label, text});
    observers_.Inserted(rows_.size() - 1, 1);
}

void CActivityLog::Remove(std::vector<size_t> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the last, so the indexes still to go stay valid and each notice is exact.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it >= rows_.size()) continue;
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*it));
        observers_.Removed(*it, 1);
    }
}

void CActivityLog::Clear() {
    rows_.clear();
    observers_.Reset();
}

}  // namespace velorin
