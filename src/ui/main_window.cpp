#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include "app/main_controller.h"
#include "app/process.h"
#include "app/sign_in_dialog.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "ui/desktop_session.h"
#include "ui/friend_dialog_window.h"
#include "ui/home_page.h"
#include "ui/icons.h"
#include "ui/options_dialog.h"
#include "ui/popups.h"
#include "ui/search_page.h"
#include "ui/server_explorer_page.h"
#include "ui/server_list_page.h"
#include "ui/server_state_part.h"
#include "ui/share_check_dialog.h"
#include "ui/sign_in_window.h"
#include "ui/state_page.h"
#include "ui/transfer_page.h"
#include "ui/tray.h"
#include "ui/web_view.h"
#include "views/search_view.h"
#include "views/server_explorer.h"
#include "views/transfer_view.h"

namespace velorin {

namespace {

struct ButtonLook {
    const char* text;
    const char* theme;
    const char* fallback;
};
constexpr ButtonLook kButtons[kPageCount + 1] = {
    {"벨로린홈", "go-home", "home"},
    {"서버리스트", "network-server", "servers"},
    {"파일검색", "system-search", "search"},
    {"서버연결", "folder-remote", "explorer"},
    {"파일전송", "folder-download", "transfer"},
    {"현재상태", "utilities-system-monitor", "state"},
    {"쪽지", "mail-message-new", "notes"},
};

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

CMainWindow::CMainWindow(CProcess& process) : process_(process) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(Utf8(kAppName));
    setWindowIcon(AppIcon());
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    auto* bar = new QWidget(central);
    CreateButtons(bar);
    layout->addWidget(bar);
    stack_ = new QStackedWidget(central);
    stack_->setObjectName(QStringLiteral("pages"));
    layout->addWidget(stack_, 1);
    setCentralWidget(central);

    home_ = new CHomePage(stack_);
    home_->onAppLink = [this](const std::string& keyword) {
        if (process_.Controller()) process_.Controller()->HomeLink(keyword);
    };
    stack_->addWidget(home_);
    home_->Open(QString::fromStdString(WebAddress() + "adv/adv.html"));
    for (int i = 1; i < kPageCount; ++i) {
        auto* standIn = new QLabel(Utf8(kButtons[i].text), stack_);
        standIn->setAlignment(Qt::AlignCenter);
        stack_->addWidget(standIn);
    }
    statePage_ = new CStatePage(process_.Status().Activity(), stack_);
    statePage_->onOpenLogFolder = [this] {
        process_.Ui().OpenFolder((process_.Profile().folder / "Log").string());
    };
    if (process_.ServerListView()) {
        auto* servers = new CServerListPage(process_, stack_);
        servers->SetNoteHandler([this](const std::string& id) { WriteNote(id); });
        servers->SetHelpHandler([this](const std::string& page) {
            OpenWebWindow(this, QStringLiteral("HELP"), QString::fromStdString(WebAddress() + page),
                          QSize(810, 550));
        });
        SetPage(kServerListPage, servers, [servers] { servers->Tick(); });
    }
    if (process_.TransferView()) {
        auto* transfers = new CTransferPage(process_, stack_);
        transfers->onBrowse = [this](const std::string& id) { BrowseMember(id); };
        transfers->onNote = [this](const std::string& id) { WriteNote(id); };
        SetPage(kTransferPage, transfers, [transfers] { transfers->Tick(); });
    }
    if (process_.Explorer()) {
        explorerPage_ = new CServerExplorerPage(process_, stack_);
        explorerPage_->SetNoteHandler([this](const std::string& id) { WriteNote(id); });
        explorerPage_->SetBoardHandler([this](const std::string& id) {
            OpenWebWindow(this, QStringLiteral("게시판"),
                          QString::fromStdString(WebAddress() + "perboard/comm_list.php?ruid=") +
                              QUrl::toPercentEncoding(QString::fromStdString(id)),
                          QSize(550, 500));
        });
        SetPage(kExplorerPage, explorerPage_, [this] { explorerPage_->Tick(); });
        hooks_.offerFolderDownload = [this](const FolderDownloadOffer& offer) {
            explorerPage_->OfferFolderDownload(offer);
        };
        hooks_.pickFile = [this](const std::string& title, const std::string& filter) {
            return explorerPage_->PickFile(title, filter);
        };
    }
    hooks_.openOptions = [this] {
        COptionsDialog options(process_, this);
        options.SetShareCheckHandler([this] { OpenShareCheck(); });
        return options.Run();
    };
    if (CSearchView* search = process_.SearchView()) {
        auto* page = new CSearchPage(process_, *search, stack_);
        page->onNote = [this](const std::string& id) { WriteNote(id); };
        SetPage(kSearchPage, page, [page] { page->Tick(); });
    }
    if (CServerView* view = process_.ServerView()) {
        auto* server = new CServerStatePart(process_, *view, statePage_);
        server->onBrowse = [this](const std::string& id) { BrowseMember(id); };
        server->onNote = [this](const std::string& id) { WriteNote(id); };
        statePage_->SetServerPart(server);
        SetPage(kStatePage, statePage_, [server] { server->Tick(); });
    } else {
        SetPage(kStatePage, statePage_, [this] { statePage_->Tick(); });
    }
    ticks_[kHomePage] = [this] { home_->Tick(); };

    for (QLabel*& pane : panes_) {
        pane = new QLabel(this);
        pane->setTextFormat(Qt::PlainText);
    }
    statusBar()->addWidget(panes_[kPaneService], 1);
    for (int pane = kPaneBrowsing; pane <= kPaneFreeSpace; ++pane) {
        statusBar()->addPermanentWidget(panes_[static_cast<size_t>(pane)]);
    }
    panes_[kPaneService]->setAccessibleName(QStringLiteral("서비스 상태"));

    statusPopup_ = new CStatusPopup(this);
    statusPopup_->onOpenDownloads = [this] {
        process_.Ui().OpenFolder(process_.Options().DownloadPath());
    };
    statusPopup_->onClicked = [this] { ShowFromTray(); };
    eventPopup_ = new CEventPopup(this);
    eventPopup_->onClicked = [this](int identifier) {
        ShowFromTray();
        if (identifier != kPopupSession) OpenNoteBox();
    };
    connecting_ = new CConnectingWindow(this);
    session_ = new CDesktopSession(this);
    CreateMenus();
    CreateTray();
    resize(980, 680);
    RestoreLayout();
    SetMemberState(MemberState::kOffline);
}

QString CMainWindow::LayoutFile() const {
    return QString::fromStdString((process_.Profile().folder / "window.ini").string());
}

void CMainWindow::RestoreLayout() {
    QSettings layout(LayoutFile(), QSettings::IniFormat);
    restoreGeometry(layout.value("main/geometry").toByteArray());
    for (auto* split : findChildren<QSplitter*>()) {
        split->restoreState(layout.value("splitters/" + split->objectName()).toByteArray());
    }
    for (auto* header : findChildren<QHeaderView*>()) {
        QString name = header->parent() ? header->parent()->objectName() : QString();
        if (!name.isEmpty()) header->restoreState(layout.value("columns/" + name).toByteArray());
    }
}

void CMainWindow::SaveLayout() {
    QSettings layout(LayoutFile(), QSettings::IniFormat);
    layout.setValue("main/geometry", saveGeometry());
    for (auto* split : findChildren<QSplitter*>()) {
        if (!split->objectName().isEmpty()) {
            layout.setValue("splitters/" + split->objectName(), split->saveState());
        }
    }
    for (auto* header : findChildren<QHeaderView*>()) {
        QString name = header->parent() ? header->parent()->objectName() : QString();
        if (!name.isEmpty() && header->orientation() == Qt::Horizontal) {
            layout.setValue("columns/" + name, header->saveState());
        }
    }
}

CMainWindow::~CMainWindow() {
    SaveLayout();
}

void CMainWindow::CreateButtons(QWidget* bar) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i <= kPageCount; ++i) {
        auto* button = new QToolButton(bar);
        button->setText(Utf8(kButtons[i].text));
        button->setIcon(ThemedIcon(kButtons[i].theme, kButtons[i].fallback));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setToolTip(Utf8(kPageTooltips[i]));
        button->setAccessibleName(Utf8(kButtons[i].text));
        button->setAutoRaise(true);
        button->setMinimumWidth(84);
        buttons_[static_cast<size_t>(i)] = button;
        row->addWidget(button);
        if (i == kPageCount) {
            connect(button, &QToolButton::clicked, this, &CMainWindow::OpenNoteBox);
            break;
        }
        button->setCheckable(true);
        group->addButton(button, i);
        connect(button, &QToolButton::clicked, this, [this, i] { SelectPage(i); });
    }
    buttons_[0]->setChecked(true);
    row->addStretch();
    auto* help = new QToolButton(bar);
    help->setText(QStringLiteral("도움말"));
    help->setIcon(ThemedIcon("help-contents", "log-info"));
    help->setIconSize(QSize(32, 32));
    help->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    help->setAccessibleName(QStringLiteral("도움말"));
    help->setAutoRaise(true);
    connect(help, &QToolButton::clicked, this, &CMainWindow::OpenHelp);
    row->addWidget(help);
}

void CMainWindow::CreateMenus() {
    QMenu* server = menuBar()->addMenu(QStringLiteral("파일서버(&F)"));
    server->addAction(QStringLiteral("서버 시작(&S)"), this, [this] { StartOrStop(false); });
    server->addAction(QStringLiteral("서버 중지(&P)"), this, [this] { StartOrStop(true); });
    server->addAction(QStringLiteral("트레이에 숨기기(T)"), this, &CMainWindow::HideToTray);
    server->addSeparator();
    server->addAction(QStringLiteral("종료(&X)"), this, &CMainWindow::Exit);
    QMenu* manage = menuBar()->addMenu(QStringLiteral("관리(&A)"));
    manage->addAction(QStringLiteral("환경 설정(&O)"), this, [this] { OpenOptions(); });
    manage->addAction(QStringLiteral("친구 관리(&F)"), this,
                      [this] { OpenMembers(MemberList::kFriends); });
    manage->addAction(QStringLiteral("블랙리스트 관리(&B)"), this,
                      [this] { OpenMembers(MemberList::kBlack); });
    QAction* awake = manage->addAction(QStringLiteral("전송 중에는 절전 모드 막기(&K)"));
    awake->setCheckable(true);
    awake->setChecked(
        QSettings(LayoutFile(), QSettings::IniFormat).value("session/keepAwake", true).toBool());
    session_->SetKeepAwakeAllowed(awake->isChecked());
    connect(awake, &QAction::toggled, this, [this](bool on) {
        session_->SetKeepAwakeAllowed(on);
        QSettings(LayoutFile(), QSettings::IniFormat).setValue("session/keepAwake", on);
    });
    QMenu* help = menuBar()->addMenu(QStringLiteral("도움말(&H)"));
    help->addAction(QStringLiteral("온라인 도움말(&O)"), this, &CMainWindow::OpenHelp);
    help->addAction(QStringLiteral("온라인 홈페이지(&H)"), this, [this] {
        SelectPage(kHomePage);
        home_->Open(QString::fromStdString(WebAddress() + "adv/adv.html"));
    });
    help->addAction(QStringLiteral("라이브 업데이트(&L)"), this, [this] {
        if (process_.Controller()) process_.Controller()->CheckForUpdateNow();
    });
}

void CMainWindow::CreateTray() {
    trayMenu_ = new QMenu(this);
    showHide_ = trayMenu_->addAction(Utf8(tray_text::kHide), this, [this] {
        if (isVisible()) {
            HideToTray();
        } else {
            ShowFromTray();
        }
    });
    startStop_ = trayMenu_->addAction(Utf8(tray_text::kStart), this,
                                      [this] { StartOrStop(startStopStops_); });
    trayMenu_->addAction(Utf8(tray_text::kOptions), this, [this] { OpenOptions(); });
    trayMenu_->addAction(Utf8(tray_text::kExit), this, &CMainWindow::Exit);
    connect(trayMenu_, &QMenu::aboutToShow, this, &CMainWindow::UpdateTrayMenu);
    auto* indicator = new QToolButton(this);
    indicator->setObjectName(QStringLiteral("trayIndicator"));
    indicator->setAccessibleName(QStringLiteral("상태 표시"));
    indicator->setAutoRaise(true);
    statusBar()->addPermanentWidget(indicator);
    tray_ = new CTray(trayMenu_, indicator, this);
    tray_->onClick = [this] { ShowStatusPopup(); };
    tray_->onDoubleClick = [this] {
        statusPopup_->hide();
        ShowFromTray();
    };
}

void CMainWindow::UpdateTrayMenu() {
    TrayMenuTexts texts = TrayMenuFor(isVisible(), state_ == MemberState::kOnline);
    showHide_->setText(Utf8(texts.showOrHide));
    startStop_->setText(Utf8(texts.startOrStop));
    startStopStops_ = texts.stops;
}

void CMainWindow::ShowStatusPopup() {
    bool online = state_ == MemberState::kOnline;
    ActivityCounts counts = process_.Activity();
    CTransferView* transfers = process_.TransferView();
    statusPopup_->Show(
        StatusPopupFor(online, counts.sending, transfers ? transfers->UploadBytesPerSecond() : 0,
                       counts.receiving, transfers ? transfers->DownloadBytesPerSecond() : 0));
}

void CMainWindow::StartOrStop(bool stop) {
    CMainController* controller = process_.Controller();
    if (!controller) return;
    if (stop) {
        controller->StopServer();
    } else {
        controller->StartServer();
    }
}

void CMainWindow::Exit() {
    if (process_.Controller() && process_.Controller()->Exit()) exiting_ = true;
}

void CMainWindow::OpenHelp() {
    QString url = QString::fromStdString(WebAddress() + "help/menual1.php");
    OpenWebWindow(this, QStringLiteral("HELP"), url, QSize(810, 550));
}

void CMainWindow::BrowseMember(const std::string& id) {
    CServerExplorer* explorer = process_.Explorer();
    if (!explorer) return;
    SelectPage(kExplorerPage);
    explorer->Connect(id);
}

void CMainWindow::SelectPage(int index) {
    if (!selector_.Select(index)) return;
    buttons_[static_cast<size_t>(index)]->setChecked(true);
    stack_->setCurrentIndex(index);
    stack_->currentWidget()->setFocus();
    TickPage();
}

void CMainWindow::TickPage() {
    tray_->Check();
    ActivityCounts counts = process_.Activity();
    session_->KeepAwake(counts.sending + counts.receiving > 0);
    auto& tick = ticks_[static_cast<size_t>(selector_.Current())];
    if (tick) tick();
}

void CMainWindow::SetPage(int index, QWidget* page, std::function<void()> tick) {
    QWidget* old = stack_->widget(index);
    if (old != page) {
        stack_->insertWidget(index, page);
        stack_->removeWidget(old);
        old->deleteLater();
    }
    ticks_[static_cast<size_t>(index)] = std::move(tick);
    stack_->setCurrentIndex(selector_.Current());
}

QWidget* CMainWindow::PageWidget(int index) const {
    return stack_->widget(index);
}

void CMainWindow::SetMemberState(MemberState state) {
    state_ = state;
    home_->SetState(state);
}

void CMainWindow::SetStatusPane(int pane, const QString& text) {
    if (pane >= 0 && pane < static_cast<int>(panes_.size())) {
        panes_[static_cast<size_t>(pane)]->setText(text);
    }
}

QString CMainWindow::StatusPane(int pane) const {
    return panes_[static_cast<size_t>(pane)]->text();
}

void CMainWindow::SetTrayTooltip(const std::string& text) {
    tray_->SetTooltip(text);
}

void CMainWindow::ShowPopup(const QString& text, int identifier) {
    eventPopup_->Show(text, identifier);
    // Hidden in the tray, the window may not be looked at for a while.
    if (!isVisible()) session_->Notify(Utf8(kAppName), text);
}

void CMainWindow::ShowConnecting(const QString& text) {
    connecting_->Show(text);
}

void CMainWindow::CloseConnecting() {
    connecting_->hide();
}

void CMainWindow::ShowSignInDialog() {
    if (signIn_) {
        signIn_->raise();
        signIn_->activateWindow();
        return;
    }
    CMainController* controller = process_.Controller();
    if (!controller) return;
    signIn_ = new CSignInWindow(
        CSignInDialog(process_.Settings(), process_.Ui(), process_.Queue(), controller->Handle()),
        this);
    signIn_->setAttribute(Qt::WA_DeleteOnClose);
    signIn_->open();
}

bool CMainWindow::OpenOptions() {
    return hooks_.openOptions && hooks_.openOptions();
}

void CMainWindow::OpenUrl(const QString& url) {
    home_->Open(url);
}

void CMainWindow::ShowNotice(const std::string& html) {
    if (explorerPage_) explorerPage_->ShowNotice(html);
    auto* notice = new CNoticeView(process_, html, this);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->show();
}

void CMainWindow::OpenShareCheck() {
    if (!shareCheck_) {
        shareCheck_ = new CShareCheckDialog(process_, this);
        shareCheck_->setAttribute(Qt::WA_DeleteOnClose);
    }
    shareCheck_->show();
    shareCheck_->raise();
}

void CMainWindow::OpenMembers(MemberList tab) {
    CFriendDialogWindow members(process_, tab, this);
    members.exec();
}

void CMainWindow::WriteNote(const std::string& id) {
    CNoteWindow::Open(process_,
                      CNoteDialog(NoteDialogParts{process_.Session(), process_.ServerRunning()},
                                  NoteMode::kNew, id),
                      this);
}

void CMainWindow::OpenNoteBox() {
    if (!noteBox_) {
        noteBox_ = new CNoteBoxWindow(process_, this);
        noteBox_->setAttribute(Qt::WA_DeleteOnClose);
    }
    noteBox_->Reload();
    noteBox_->show();
    noteBox_->raise();
    noteBox_->activateWindow();
}

void CMainWindow::ReloadNoteBox() {
    if (noteBox_) noteBox_->Reload();
}

void CMainWindow::OfferFolderDownload(const FolderDownloadOffer& offer) {
    if (hooks_.offerFolderDownload) hooks_.offerFolderDownload(offer);
}

std::string CMainWindow::PickFile(const std::string& title, const std::string& filter) {
    if (hooks_.pickFile) return hooks_.pickFile(title, filter);
    return QFileDialog::getOpenFileName(this, QString::fromStdString(title)).toStdString();
}

void CMainWindow::ComeForward(bool flash) {
    ShowFromTray();
    if (flash) QApplication::alert(this);
}

void CMainWindow::ShowFromTray() {
    show();
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    raise();
    activateWindow();
}

void CMainWindow::HideToTray() {
    SaveLayout();
    hide();
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // The close box hides the window; the program lives on in the tray.
    if (!exiting_) {
        event->ignore();
        HideToTray();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace velorin
