#include "views/main_window_rules.h"

#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin {

TrayMenuTexts TrayMenuFor(bool windowVisible, bool online) {
    return TrayMenuTexts{windowVisible ? tray_text::kHide : tray_text::kShow,
                         online ? tray_text::kStop : tray_text::kStart, online};
}

std::string TrayTooltip(const std::string& text) {
    return CutToCharacters(text, tray_text::kTooltipCharacters);
}

StatusPopupLines StatusPopupFor(bool online, uint32_t uploads, uint64_t uploadBytesPerSecond,
                                uint32_t downloads, uint64_t downloadBytesPerSecond) {
    if (!online) return {"연결 되지 않았음", "0개 보내는중(0kb/s)", "0개 받는중(0kb/s)"};
    return {"서버와 연결 되었음",
            Format("%u개 보내는중(%ukb/s)", uploads,
                   static_cast<unsigned>(uploadBytesPerSecond / 1024)),
            Format("%u개 받는중(%ukb/s)", downloads,
                   static_cast<unsigned>(downloadBytesPerSecond / 1024))};
}

}  // namespace velorin
