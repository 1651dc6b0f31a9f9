#pragma once
// The headless client's face: everything a person would see becomes one line
// on a stream, "YYYY-MM-DD HH:MM:SS<TAB>label<TAB>text", flushed at once.
// Questions are answered by a fixed policy: yes, except to the offer of a new
// program version (an unattended client never replaces itself).
#include <cstdio>
#include <mutex>
#include <string>

#include "app/user_interface.h"

namespace velorin {

inline constexpr const char* kTextUpdateQuestion =
    "버젼이 업데이트 되었습니다. 최신 버젼으로 업데이트 하시겠습니까?";

class CConsoleUserInterface : public IUserInterface {
public:
    explicit CConsoleUserInterface(std::FILE* out = stdout);

    void ShowMessage(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;
    void ShowPopup(const std::string& text) override;
    void AddStatusRow(const std::string& time, int kind, const std::string& text) override;
    void Activate(int kind, const std::string& text) override;

    // The policy, for a reader of the documentation and for tests.
    static bool Answer(const std::string& question);

private:
    void Line(const std::string& time, const std::string& label, const std::string& text);
    void Line(const std::string& label, const std::string& text);

    std::FILE* out_;
    std::mutex mutex_;
};

// Line breaks inside a text are written as the two characters "\r" and "\n".
std::string EscapeLineBreaks(const std::string& text);

}  // namespace velorin
