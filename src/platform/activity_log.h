#pragma once
// The activity log's rows as its view shows them: time, kind, label and text,
// oldest first, at most kMaxRows, and the view's commands "삭제" and "모두
// 삭제". The status lines add to it on the loop's thread; views observe it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/view_change.h"

namespace velorin {

struct ActivityRow {
    uint64_t number = 0;  // in order of arrival, for a view that sorts
    std::string time;     // "시간": "YYYY-MM-DD HH:MM:SS"
    int kind = 0;         // 1, 2, 4 or 8
    std::string label;    // "상태"
    std::string text;     // "설명"
};

class CActivityLog {
public:
    static constexpr size_t kMaxRows = 101;

    // Drops the oldest row first when the log is full.
    void Add(const std::string& time, int kind, const std::string& label, const std::string& text);
    // "삭제" on the selected rows (indexes into Rows(); others are ignored).
    void Remove(std::vector<size_t> rows);
    // "모두 삭제".
    void Clear();

    const std::deque<ActivityRow>& Rows() const { return rows_; }
    CViewObservers& Observers() { return observers_; }

private:
    std::deque<ActivityRow> rows_;
    uint64_t next_ = 1;
    CViewObservers observers_;
};

}  // namespace velorin
