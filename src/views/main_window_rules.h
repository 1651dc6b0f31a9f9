#pragma once
// What the main window frame decides besides the controller: which page is
// shown, the tray icon's menu and tooltip, the status pop-up's lines. The
// desktop window draws these; they hold no widget.
#include <cstdint>
#include <string>

namespace velorin {

namespace tray_text {
inline constexpr const char* kFirstTooltip = "개인 서버 프로그램";
inline constexpr const char* kShow = "프로그램 보이기";
inline constexpr const char* kHide = "트레이에 숨기기";
inline constexpr const char* kStart = "서버연결";
inline constexpr const char* kStop = "서버중지";
inline constexpr const char* kOptions = "환경설정";
inline constexpr const char* kExit = "프로그램 종료";
inline constexpr const char* kOpenDownloads = "다운로드 폴더 열기";
inline constexpr size_t kTooltipCharacters = 63;
}  // namespace tray_text

// The six pages and the tooltips of their buttons; the seventh button opens the notes.
inline constexpr int kPageCount = 6;
inline constexpr const char* kPageTooltips[kPageCount + 1] = {
    "벨로린홈 - 벨로린의 웹페이지를 보실수 있으며 서버의 접속/접속종료 메뉴가 있습니다.",
    "서버리스트 - 벨로린 서버를 운영중인 유저의 리스트를 볼수있습니다.",
    "파일검색 - 찾고자하는 파일을 쉽게 검색하실수 있습니다.",
    "서버연결 - 벨로린 서버를 운영중인 유저가 공유한 파일들을 보실수 있습니다.",
    "파일전송 - 현재 내가 다운로드하고 있는 파일이나 업로드하고 있는 파일의 진행상태을 "
    "볼수있습니다.",
    "현재상태 - 내 서버에접속한 유저나 내 서버에서파일을 내려받는 유저의 상태를볼수있고 "
    "컨트롤할수 있습니다.",
    "쪽지을 주고 받아요",
};

// `SelectPage`: a valid page other than the current one becomes current.
class CPageSelector {
public:
    int Current() const { return current_; }
    // True when the page changed (the new page then gets one tick at once).
    bool Select(int index) {
        if (index < 0 || index >= kPageCount || index == current_) return false;
        current_ = index;
        return true;
    }

private:
    int current_ = 0;
};

// The tray menu's first two items as they read when it opens.
struct TrayMenuTexts {
    const char* showOrHide;
    const char* startOrStop;
    bool stops;  // the second item stops the server
};
TrayMenuTexts TrayMenuFor(bool windowVisible, bool online);

// The tooltip as the tray takes it: at most 63 characters.
std::string TrayTooltip(const std::string& text);

// The status pop-up's three lines: state, sending, receiving.
struct StatusPopupLines {
    std::string state;
    std::string sending;
    std::string receiving;
};
StatusPopupLines StatusPopupFor(bool online, uint32_t uploads, uint64_t uploadBytesPerSecond,
                                uint32_t downloads, uint64_t downloadBytesPerSecond);

}  // namespace velorin
