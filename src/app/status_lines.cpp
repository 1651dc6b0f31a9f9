#include "app/status_lines.h"

#include "app/log_writer.h"
#include "app/user_interface.h"

namespace velorin {

const char* StatusLabel(int kind) {
    switch (kind) {
        case kStatusOperation:
            return "운영";
        case kStatusInformation:
            return "안내";
        case kStatusCaution:
            return "주의";
        case kStatusPayment:
            return "결재";
        default:
            return "";
    }
}

CStatusLines::CStatusLines(IUserInterface& ui, CLogWriter& log) : ui_(ui), log_(log) {}

void CStatusLines::AddStatusLine(const std::string& text, int kind) {
    AddStatusLine(text, kind, NowLocal());
}

void CStatusLines::AddStatusLine(const std::string& text, int kind, const LocalTime& now) {
    std::string label = StatusLabel(kind);
    if (label.empty()) return;
    std::lock_guard lock(mutex_);
    ui_.AddStatusRow(FormatStatusTime(now), kind, text);
    if (writeLog_ && !text.empty()) log_.Write(label + "    " + text + "\n", now);
}

}  // namespace velorin
