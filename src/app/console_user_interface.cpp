#include "app/console_user_interface.h"

#include "app/status_lines.h"
#include "platform/local_time.h"

namespace velorin {

CConsoleUserInterface::CConsoleUserInterface(std::FILE* out) : out_(out) {}

std::string EscapeLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

void CConsoleUserInterface::Line(const std::string& time, const std::string& label,
                                 const std::string& text) {
    std::string line = time + "\t" + label + "\t" + EscapeLineBreaks(text) + "\n";
    std::lock_guard lock(mutex_);
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

void CConsoleUserInterface::Line(const std::string& label, const std::string& text) {
    Line(FormatStatusTime(NowLocal()), label, text);
}

void CConsoleUserInterface::ShowMessage(const std::string& text, const std::string&) {
    Line("message", text);
}

bool CConsoleUserInterface::Answer(const std::string& question) {
    return question != kTextUpdateQuestion;
}

bool CConsoleUserInterface::AskYesNo(const std::string& text, const std::string&) {
    bool yes = Answer(text);
    Line("question", text + (yes ? " -> yes" : " -> no"));
    return yes;
}

void CConsoleUserInterface::ShowPopup(const std::string& text) { Line("popup", text); }

void CConsoleUserInterface::AddStatusRow(const std::string& time, int kind,
                                         const std::string& text) {
    Line(time, StatusLabel(kind), text);
}

void CConsoleUserInterface::Activate(int kind, const std::string& text) {
    Line("handover", std::to_string(kind) + (text.empty() ? "" : " " + text));
}

}  // namespace velorin
