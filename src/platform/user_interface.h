#pragma once
// Everything the program shows a person goes through this interface: the
// desktop window draws it, the headless client prints it, tests record it.
#include <cstdint>
#include <string>

namespace velorin {

// Caption of every message box.
inline constexpr const char* kAppName = "벨로린 2.01 (Build 501)";

// Event pop-up identifiers: session events, and anything else (a note).
inline constexpr int kPopupSession = 5;
inline constexpr int kPopupNote = 0;

enum class MemberState { kOffline, kConnecting, kOnline };

// Status bar panes.
enum StatusPane : int {
    kPaneService = 0,
    kPaneBrowsing = 1,
    kPaneUploads = 2,
    kPaneDownloads = 3,
    kPaneFreeSpace = 4,
};

// What the dialog "폴더 다운로드 - 폴더 설정" shows; the local name is editable.
struct FolderDownloadOffer {
    std::string remotePath;
    uint32_t files = 0;
    uint32_t folders = 0;
    std::string sizeText;  // "%.1f MB"
    std::string downloadFolder;
    std::string localName;
};

class IUserInterface {
public:
    virtual ~IUserInterface() = default;

    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& caption) = 0;
    // The sliding event pop-up; a click on it reports `identifier`.
    virtual void ShowPopup(const std::string& text, int identifier) = 0;
    // A row of the activity log: time "YYYY-MM-DD HH:MM:SS", kind 1/2/4/8, text.
    virtual void AddStatusRow(const std::string& time, int kind, const std::string& text) = 0;
    // Another start asked this instance to come forward. `kind` is the hand-over's
    // kind (0 a link, which also flashes the window; 1 a file name; 2 nothing).
    virtual void Activate(int kind, const std::string& text) = 0;

    // The home page, menus and tray follow the member's state.
    virtual void SetMemberState(MemberState state) = 0;
    virtual void SetStatusPane(int pane, const std::string& text) = 0;
    virtual void SetTrayTooltip(const std::string& text) = 0;
    // The connecting window: shown (or its text changed), and closed.
    virtual void ShowConnecting(const std::string& text) = 0;
    virtual void CloseConnecting() = 0;
    // A page in the main window's browser. An address that carries the
    // password must never be written to a log, a terminal or a command line.
    virtual void OpenUrl(const std::string& url, bool carriesPassword) = 0;
    virtual void OpenFolder(const std::string& path) = 0;
    // The options sheet; true when the person confirmed it.
    virtual bool OpenOptions() = 0;
    virtual void ShowSignInDialog() = 0;

    // A visited server's notice: HTML that is shown, never executed.
    virtual void ShowNotice(const std::string& html) { (void)html; }
    // Opens the folder-download dialog; its confirmation calls the explorer's
    // ConfirmFolderDownload.
    virtual void OfferFolderDownload(const FolderDownloadOffer& offer) { (void)offer; }
    // A file dialog for one file to read; empty when cancelled.
    virtual std::string PickFile(const std::string& title, const std::string& filter) {
        (void)title, (void)filter;
        return {};
    }
    virtual void ShowTransferPage() {}
    // A note was stored: an open note box lists it.
    virtual void NotesChanged() {}
    // The interface timer's tick reaches the page that is shown first.
    virtual void TickPage() {}
};

}  // namespace velorin
