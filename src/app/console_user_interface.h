#pragma once
// The headless client's face: everything a person would see becomes one line
// on a stream, "YYYY-MM-DD HH:MM:SS<TAB>label<TAB>text", flushed at once.
// Questions are answered by a fixed policy: yes, except to the offer of a new
// program version (an unattended client never replaces itself). Status bar
// panes, the tray tooltip and the member's state are written when they change.
// There are no dialogs: the options sheet is never confirmed.
#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "platform/user_interface.h"
#include "service/live_update.h"

namespace velorin {

// Answered no: velorind starts no updater.
inline constexpr const char* kTextUpdateQuestion = live_update_text::kAskUpdate;

class CConsoleUserInterface : public IUserInterface {
public:
    explicit CConsoleUserInterface(std::FILE* out = stdout);

    void ShowMessage(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowPopup(const std::string& text, int identifier) override;
    void AddStatusRow(const std::string& time, int kind, const std::string& text) override;
    void Activate(int kind, const std::string& text) override;
    void SetMemberState(MemberState state) override;
    void SetStatusPane(int pane, const std::string& text) override;
    void SetTrayTooltip(const std::string& text) override;
    void ShowConnecting(const std::string& text) override;
    void CloseConnecting() override;
    void OpenUrl(const std::string& url, bool carriesPassword) override;
    void OpenFolder(const std::string& path) override;
    bool OpenOptions() override;
    void ShowSignInDialog() override;

    // The policy, for a reader of the documentation and for tests.
    static bool Answer(const std::string& question);

private:
    void Line(const std::string& time, const std::string& label, const std::string& text);
    void Line(const std::string& label, const std::string& text);
    // Writes the line only when `text` differs from the last one under `label`.
    void Changed(const std::string& label, const std::string& text);

    std::FILE* out_;
    std::mutex mutex_;
    std::mutex shownLock_;
    std::map<std::string, std::string> shown_;
};

// The address up to its query, for an address that must not be shown whole.
std::string AddressWithoutQuery(const std::string& url);

// Line breaks inside a text are written as the two characters "\r" and "\n".
std::string EscapeLineBreaks(const std::string& text);

}  // namespace velorin
