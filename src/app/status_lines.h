#pragma once
// The activity log: every noteworthy event as a time-stamped line of a kind,
// shown in the view and, when WriteLog is on, appended to the daily log file.
#include <atomic>
#include <mutex>
#include <string>

#include "platform/local_time.h"

namespace velorin {

class CLogWriter;
class IUserInterface;

enum StatusKind : int {
    kStatusOperation = 1,
    kStatusInformation = 2,
    kStatusCaution = 4,
    kStatusPayment = 8,
};

// "운영", "안내", "주의", "결재"; empty for any other kind.
const char* StatusLabel(int kind);

class CStatusLines {
public:
    CStatusLines(IUserInterface& ui, CLogWriter& log);

    void SetWriteLog(bool on) { writeLog_ = on; }
    void AddStatusLine(const std::string& text, int kind);
    void AddStatusLine(const std::string& text, int kind, const LocalTime& now);

private:
    IUserInterface& ui_;
    CLogWriter& log_;
    std::atomic<bool> writeLog_{true};
    std::mutex mutex_;
};

}  // namespace velorin
