#pragma once
// The activity log: every noteworthy event as a time-stamped line of a kind,
// shown in the view and, when WriteLog is on, appended to the daily log file.
#include <atomic>
#include <string>

#include "platform/activity_log.h"
#include "platform/local_time.h"

namespace velorin {

class CLogWriter;
class CMessageQueue;
class IUserInterface;

enum StatusKind : int {
    kStatusOperation = 1,
    kStatusInformation = 2,
    kStatusCaution = 4,
    kStatusPayment = 8,
};

// "운영", "안내", "주의", "결재"; empty for any other kind.
const char* StatusLabel(int kind);

// Any thread may add a line. The log file is written at once, in the order of
// the calls; the view's row is added at once on the loop's thread and posted
// to it from any other thread or under a person lock, so the person is only
// ever reached from the loop with no core lock held.
class CStatusLines {
public:
    CStatusLines(IUserInterface& ui, CLogWriter& log, CMessageQueue& queue);

    void SetWriteLog(bool on) { writeLog_ = on; }
    void AddStatusLine(const std::string& text, int kind);
    void AddStatusLine(const std::string& text, int kind, const LocalTime& now);

    // The rows of the view; the loop's thread only.
    CActivityLog& Activity() { return activity_; }

private:
    void Show(const std::string& time, int kind, const std::string& label, const std::string& text);

    IUserInterface& ui_;
    CLogWriter& log_;
    CMessageQueue& queue_;
    std::atomic<bool> writeLog_{true};
    CActivityLog activity_;
};

}  // namespace velorin
