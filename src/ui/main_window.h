#pragma once
// The main window: seven page buttons, the six pages, the menus, the status
// bar's five panes, the tray and the pop-ups. What it decides lives in the
// main controller and the frame's rules; this draws it and forwards input.
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QStackedWidget>
#include <QToolButton>
#include <array>
#include <functional>
#include <string>

#include "platform/user_interface.h"
#include "ui/note_windows.h"
#include "ui/share_check_dialog.h"
#include "ui/sign_in_window.h"
#include "views/friend_dialog.h"
#include "views/main_window_rules.h"

namespace velorin {

class CConnectingWindow;
class CDesktopSession;
class CServerExplorerPage;
class CEventPopup;
class CHomePage;
class CProcess;
class CStatePage;
class CStatusPopup;
class CTray;

class CMainWindow : public QMainWindow {
    Q_OBJECT
public:
    enum Page { kHomePage, kServerListPage, kSearchPage, kExplorerPage, kTransferPage, kStatePage };

    explicit CMainWindow(CProcess& process);
    ~CMainWindow() override;

    // `SelectPage`: a changed page is shown, focused and ticked at once.
    void SelectPage(int index);
    int CurrentPage() const { return selector_.Current(); }
    void TickPage();
    // A page widget in place of the stand-in, with its tick.
    void SetPage(int index, QWidget* page, std::function<void()> tick);
    QWidget* PageWidget(int index) const;
    QToolButton* PageButton(int index) const { return buttons_[static_cast<size_t>(index)]; }

    // What the interface forwards.
    void SetMemberState(MemberState state);
    MemberState MemberStateShown() const { return state_; }
    void SetStatusPane(int pane, const QString& text);
    QString StatusPane(int pane) const;
    void SetTrayTooltip(const std::string& text);
    void ShowPopup(const QString& text, int identifier);
    void ShowConnecting(const QString& text);
    void CloseConnecting();
    void ShowSignInDialog();
    bool OpenOptions();
    void OpenUrl(const QString& url);
    void ShowNotice(const std::string& html);
    void OfferFolderDownload(const FolderDownloadOffer& offer);
    std::string PickFile(const std::string& title, const std::string& filter);
    // Another start handed a link over (`flash`), or asked for the window.
    void ComeForward(bool flash);

    // The tray's menu as it opens, and the status pop-up's lines.
    void UpdateTrayMenu();
    QMenu* TrayMenu() const { return trayMenu_; }
    CTray& Tray() const { return *tray_; }
    CStatusPopup& StatusPopup() const { return *statusPopup_; }
    CEventPopup& EventPopup() const { return *eventPopup_; }
    CStatePage& StatePageWidget() const { return *statePage_; }
    CHomePage& HomePage() const { return *home_; }
    CSignInWindow* SignInWindow() const { return signIn_; }
    // Hands the interface's page-specific calls to the pages that own them.
    struct PageHooks {
        std::function<bool()> openOptions;
        std::function<void(const FolderDownloadOffer&)> offerFolderDownload;
        std::function<std::string(const std::string&, const std::string&)> pickFile;
    };
    void SetPageHooks(PageHooks hooks) { hooks_ = std::move(hooks); }

    // The explorer page on a member's server ("탐색", "서버에 접속", "접속").
    void BrowseMember(const std::string& id);
    // "쪽지 보내기" to a member (empty: the person types the ID), and the note box.
    void WriteNote(const std::string& id);
    void OpenNoteBox();
    // A new note: the open note box lists it.
    void ReloadNoteBox();
    // "친구 관리(&F)" and "블랙리스트 관리(&B)".
    void OpenMembers(MemberList tab);
    // "불법 공유 자료 체크": the check's window, one at a time.
    void OpenShareCheck();
    CShareCheckDialog* ShareCheck() const { return shareCheck_; }
    CNoteBoxWindow* NoteBoxWindow() const { return noteBox_; }
    // Hidden to the tray, or shown and brought forward.
    void ShowFromTray();
    void HideToTray();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Geometry, splitters and column widths, kept in the profile (window.ini).
    QString LayoutFile() const;
    void RestoreLayout();
    void SaveLayout();
    void CreateMenus();
    void CreateButtons(QWidget* bar);
    void CreateTray();
    void ShowStatusPopup();
    void StartOrStop(bool stop);
    void Exit();
    void OpenHelp();

    CProcess& process_;
    CPageSelector selector_;
    QStackedWidget* stack_;
    std::array<QToolButton*, kPageCount + 1> buttons_{};
    std::array<std::function<void()>, kPageCount> ticks_{};
    std::array<QLabel*, 5> panes_{};
    CHomePage* home_;
    CStatePage* statePage_;
    QMenu* trayMenu_;
    QAction* showHide_;
    QAction* startStop_;
    bool startStopStops_ = false;
    CTray* tray_;
    CStatusPopup* statusPopup_;
    CEventPopup* eventPopup_;
    CConnectingWindow* connecting_;
    CDesktopSession* session_;
    CServerExplorerPage* explorerPage_ = nullptr;
    QPointer<CSignInWindow> signIn_;
    QPointer<CNoteBoxWindow> noteBox_;
    QPointer<CShareCheckDialog> shareCheck_;
    MemberState state_ = MemberState::kOffline;
    PageHooks hooks_;
    bool exiting_ = false;
};

}  // namespace velorin
