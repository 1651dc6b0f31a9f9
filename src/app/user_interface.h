#pragma once
// Everything the program shows a person goes through this interface: the
// desktop window draws it, the headless client prints it, tests record it.
#include <string>

namespace velorin {

// Caption of every message box.
inline constexpr const char* kAppName = "벨로린 2.01 (Build 501)";

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    virtual void ShowPopup(const std::string& text) = 0;
    // A row of the activity log: time "YYYY-MM-DD HH:MM:SS", kind 1/2/4/8, text.
    virtual void AddStatusRow(const std::string& time, int kind, const std::string& text) = 0;
    // Another start asked this instance to come forward. `kind` is the hand-over's
    // kind (0 a link, which also flashes the window; 1 a file name; 2 nothing).
    virtual void Activate(int kind, const std::string& text) = 0;
};

}  // namespace velorin
