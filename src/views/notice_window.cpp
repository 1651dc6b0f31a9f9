#include "views/notice_window.h"

#include "data/settings.h"
#include "platform/strings.h"

namespace velorin {

std::string NoticeHtml(std::string_view text) {
    std::string html = "<html>";
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            html += "<br>";
            ++i;
        } else {
            html += text[i];
        }
    }
    return html;
}

CNoticeWindow::CNoticeWindow(CSettings& settings, std::string_view text)
    : settings_(settings),
      html_(NoticeHtml(text)),
      autoClose_(settings.Read(setting::AutoCloseNote) != 0) {}

std::string CNoticeWindow::CountdownText() const {
    return Format(notice_text::kCountdown, kTicks - ticks_);
}

void CNoticeWindow::SetAutoClose(bool on) {
    autoClose_ = on;
    ticks_ = 0;
    settings_.Write(setting::AutoCloseNote, on ? 1 : 0);
}

bool CNoticeWindow::Tick() {
    if (!TimerRunning()) return false;
    if (++ticks_ >= kTicks) closed_ = true;
    return closed_;
}

}  // namespace velorin
