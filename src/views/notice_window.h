#pragma once
// The notice window's model ("알림"): an HTML notice of a visited server (or
// the notice page's preview) and the "자동 닫힘" box with its ten-second
// countdown. The desktop client draws the HTML in a QTextBrowser, which runs no
// script and loads nothing, so a hostile notice can only be looked at; no
// temporary file or browser control is involved.
#include <string>
#include <string_view>

namespace velorin {

class CSettings;

namespace notice_text {
inline constexpr const char* kTitle = "알림";
inline constexpr const char* kClose = "닫음";
inline constexpr const char* kAutoClose = "자동 닫힘";
inline constexpr const char* kCountdown = "%d초 후 자동으로 닫힙니다.";
inline constexpr const char* kPreviewNeedsOption =
    "[접속자에게 공지내용 보여주기] 옵션을 체크하세요";
}  // namespace notice_text

// The notice as the window shows it: "\r\n" as "<br>", after "<html>".
std::string NoticeHtml(std::string_view text);

class CNoticeWindow {
public:
    static constexpr int kTickMs = 1000;
    static constexpr int kTicks = 10;

    // The box starts from AutoCloseNote.
    CNoticeWindow(CSettings& settings, std::string_view text);

    const std::string& Html() const { return html_; }
    bool AutoClose() const { return autoClose_; }
    // Whether the front-end's 1000 ms timer should run.
    bool TimerRunning() const { return autoClose_ && !closed_; }
    bool CountdownVisible() const { return autoClose_; }
    std::string CountdownText() const;
    bool Closed() const { return closed_; }

    // The box ticked or cleared by the person; stored at once.
    void SetAutoClose(bool on);
    // One timer tick: true when the window closes now, at the tenth.
    bool Tick();
    // "닫음".
    void Close() { closed_ = true; }

private:
    CSettings& settings_;
    std::string html_;
    bool autoClose_ = false;
    int ticks_ = 0;
    bool closed_ = false;
};

}  // namespace velorin
