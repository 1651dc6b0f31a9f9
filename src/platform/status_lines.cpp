#include "platform/status_lines.h"

#include "platform/log_writer.h"
#include "platform/message_queue.h"
#include "platform/person_lock.h"
#include "platform/user_interface.h"

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

CStatusLines::CStatusLines(IUserInterface& ui, CLogWriter& log, CMessageQueue& queue)
    : ui_(ui), log_(log), queue_(queue) {}

void CStatusLines::AddStatusLine(const std::string& text, int kind) {
    AddStatusLine(text, kind, NowLocal());
}

void CStatusLines::AddStatusLine(const std::string& text, int kind, const LocalTime& now) {
    std::string label = StatusLabel(kind);
    if (label.empty()) return;
    if (writeLog_ && !text.empty()) log_.Write(label + "    " + text + "\n", now);
    std::string time = FormatStatusTime(now);
    // Under a person lock the row waits for the loop too, so a view that
    // answers it by reading the core cannot deadlock on that lock.
    if (queue_.OnLoopThread() && HeldPersonLocks() == 0) {
        Show(time, kind, label, text);
        return;
    }
    queue_.PostTask([this, time, kind, label, text] { Show(time, kind, label, text); });
}

void CStatusLines::Show(const std::string& time, int kind, const std::string& label,
                        const std::string& text) {
    activity_.Add(time, kind, label, text);
    ui_.AddStatusRow(time, kind, text);
}

}  // namespace velorin
