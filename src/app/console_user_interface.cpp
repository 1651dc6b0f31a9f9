#include "app/console_user_interface.h"

#include "platform/local_time.h"
#include "platform/status_lines.h"

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

void CConsoleUserInterface::ShowPopup(const std::string& text, int) {
    Line("popup", text);
}

void CConsoleUserInterface::AddStatusRow(const std::string& time, int kind,
                                         const std::string& text) {
    Line(time, StatusLabel(kind), text);
}

void CConsoleUserInterface::Activate(int kind, const std::string& text) {
    Line("handover", std::to_string(kind) + (text.empty() ? "" : " " + text));
}

std::string AddressWithoutQuery(const std::string& url) {
    return url.substr(0, url.find('?'));
}

void CConsoleUserInterface::Changed(const std::string& label, const std::string& text) {
    {
        std::lock_guard lock(shownLock_);
        auto [it, added] = shown_.emplace(label, text);
        if (!added) {
            if (it->second == text) return;
            it->second = text;
        }
    }
    Line(label, text);
}

void CConsoleUserInterface::SetMemberState(MemberState state) {
    switch (state) {
        case MemberState::kOffline:
            Changed("state", "offline");
            break;
        case MemberState::kConnecting:
            Changed("state", "connecting");
            break;
        case MemberState::kOnline:
            Changed("state", "online");
            break;
    }
}

void CConsoleUserInterface::SetStatusPane(int pane, const std::string& text) {
    Changed("pane " + std::to_string(pane), text);
}

void CConsoleUserInterface::SetTrayTooltip(const std::string& text) {
    Changed("tray", text);
}

void CConsoleUserInterface::ShowConnecting(const std::string& text) {
    Line("connecting", text);
}

void CConsoleUserInterface::CloseConnecting() {}

void CConsoleUserInterface::OpenUrl(const std::string& url, bool carriesPassword) {
    Line("open",
         carriesPassword ? AddressWithoutQuery(url) + " (with the member's credentials)" : url);
}

void CConsoleUserInterface::OpenFolder(const std::string& path) {
    Line("open", path);
}

bool CConsoleUserInterface::OpenOptions() {
    Line("options", "no options sheet without a window");
    return false;
}

void CConsoleUserInterface::ShowSignInDialog() {
    Line("sign-in", "no sign-in dialog without a window: velorind --send signin ID PASSWORD");
}

}  // namespace velorin
