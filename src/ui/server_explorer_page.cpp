#include "ui/server_explorer_page.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "app/process.h"
#include "fileserver/file_server.h"
#include "ui/folder_download_dialog.h"
#include "ui/history_dialog.h"
#include "ui/icons.h"
#include "ui/list_menu.h"
#include "ui/row_table_model.h"
#include "views/friend_dialog.h"
#include "views/server_explorer.h"

namespace velorin {

namespace {

namespace text {
constexpr const char* kId = "아이디 :";
constexpr const char* kConnect = "접속(&C)";
constexpr const char* kDisconnect = "접속 끊기(&X)";
constexpr const char* kOwnServer = "내 서버 접속";
constexpr const char* kBoard = "BBS";
constexpr const char* kUp = "위로(&U)";
constexpr const char* kRefresh = "새로고침(&R)";
constexpr const char* kDownload = "다운로드(&D)";
constexpr const char* kUpload = "업로드(&P)";
constexpr const char* kHistoryLink = "<A HREF=APP:HISTORY><FONT COLOR=#0000FF>History</FONT></A>";
// The menu "ServerExplorerFileList".
constexpr const char* kMenu[] = {"다운로드",
                                 "업로드",
                                 "위로",
                                 "새로고침",
                                 "친구등록",
                                 "접근거부자등록",
                                 "파일 링크 복사",
                                 "파일 링크 복사(HTML)",
                                 "서버 링크 복사하기",
                                 "서버 링크 복사하기(HTML)",
                                 "쪽지 보내기"};
}  // namespace text

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// The desktop's icon for a file by its name alone: nothing remote is opened.
QIcon FileIcon(const std::string& name) {
    static QMimeDatabase mimes;
    QMimeType type = mimes.mimeTypeForFile(Q(name), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull()) icon = ThemedIcon("text-x-generic", "file");
    return icon;
}

}  // namespace

// A listing's columns follow its kind (folders or files): the headers are the model's.
class CExplorerHeaders : public QIdentityProxyModel {
public:
    CExplorerHeaders(CServerExplorer& model, QObject* parent)
        : QIdentityProxyModel(parent), model_(model) {}
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
            return QIdentityProxyModel::headerData(section, orientation, role);
        }
        std::vector<std::string> columns = model_.Columns();
        if (section < 0 || section >= static_cast<int>(columns.size())) return {};
        return Q(columns[static_cast<size_t>(section)]);
    }
    void Refresh() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

private:
    CServerExplorer& model_;
};

CServerExplorerPage::CServerExplorerPage(CProcess& process, QWidget* parent)
    : QWidget(parent), process_(process) {
    setObjectName("serverExplorerPage");
    setAccessibleName("서버 탐색");
    CServerExplorer& model = Model();

    auto button = [this](const char* label, const char* name) {
        auto* b = new QPushButton(QString::fromUtf8(label), this);
        b->setObjectName(name);
        b->setAccessibleName(QString::fromUtf8(label).remove('&'));
        return b;
    };
    auto* idLabel = new QLabel(QString::fromUtf8(text::kId), this);
    idField_ = new QLineEdit(this);
    idField_->setObjectName("explorerId");
    idField_->setAccessibleName("아이디");
    idField_->setMaxLength(19);
    idLabel->setBuddy(idField_);
    connect_ = button(text::kConnect, "explorerConnect");
    disconnect_ = button(text::kDisconnect, "explorerDisconnect");
    ownServer_ = button(text::kOwnServer, "explorerOwnServer");
    board_ = button(text::kBoard, "explorerBoard");
    history_ = new QLabel(QString::fromUtf8(text::kHistoryLink), this);
    history_->setObjectName("explorerHistory");
    history_->setAccessibleName("History");
    history_->setTextFormat(Qt::RichText);
    history_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    up_ = button(text::kUp, "explorerUp");
    refresh_ = button(text::kRefresh, "explorerRefresh");
    download_ = button(text::kDownload, "explorerDownload");
    upload_ = button(text::kUpload, "explorerUpload");

    auto* top = new QHBoxLayout;
    top->addWidget(idLabel);
    top->addWidget(idField_, 1);
    for (QWidget* w : {static_cast<QWidget*>(connect_), static_cast<QWidget*>(disconnect_),
                       static_cast<QWidget*>(ownServer_), static_cast<QWidget*>(board_),
                       static_cast<QWidget*>(history_)}) {
        top->addWidget(w);
    }

    path_ = new QLabel(this);
    path_->setObjectName("explorerPath");
    path_->setAccessibleName("현재 경로");
    path_->setTextFormat(Qt::PlainText);
    auto* commands = new QHBoxLayout;
    commands->addWidget(path_, 1);
    for (QPushButton* b : {up_, refresh_, download_, upload_}) commands->addWidget(b);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName("explorerTree");
    tree_->setAccessibleName("폴더");
    tree_->setHeaderHidden(true);

    std::vector<CRowTableModel::Column> columns;
    for (int c = 0; c < 3; ++c) {
        columns.push_back(
            {QString(), [this, c](size_t row, int role) -> QVariant {
                 const auto& rows = Model().Rows();
                 if (row >= rows.size()) return {};
                 const ExplorerRow& r = rows[row];
                 if (role == Qt::DisplayRole) {
                     const std::string& s = c == 0 ? r.name : (c == 1 ? r.second : r.third);
                     return Q(s);
                 }
                 if (role == Qt::DecorationRole && c == 0) {
                     if (r.kind == ExplorerRow::kFile) return FileIcon(r.name);
                     return ThemedIcon("folder", "folder");
                 }
                 if (role == Qt::TextAlignmentRole && c == 2 && r.kind == ExplorerRow::kFile) {
                     return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
                 }
                 return {};
             }});
    }
    rows_ = new CRowTableModel(
        model.Observers(), [this] { return Model().Rows().size(); }, std::move(columns), this);
    list_ = new QTableView(this);
    list_->setObjectName("explorerList");
    list_->setAccessibleName("파일 목록");
    headers_ = new CExplorerHeaders(model, this);
    headers_->setSourceModel(rows_);
    list_->setModel(headers_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->verticalHeader()->hide();
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setColumnWidth(0, 260);
    list_->setColumnWidth(1, 160);
    list_->installEventFilter(this);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(tree_);
    split->addWidget(list_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);

    status_ = new QLabel(this);
    status_->setObjectName("explorerStatus");
    status_->setAccessibleName("업로드 상태");
    status_->setTextFormat(Qt::PlainText);

    notice_ = new QTextBrowser(this);
    notice_->setObjectName("explorerNotice");
    notice_->setAccessibleName("공지");
    // A notice is the other member's text: no link is followed, nothing is fetched.
    notice_->setOpenLinks(false);
    notice_->setOpenExternalLinks(false);
    notice_->setSearchPaths({});
    notice_->setMaximumHeight(fontMetrics().height() * 6);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(commands);
    layout->addWidget(split, 1);
    layout->addWidget(notice_);
    layout->addWidget(status_);

    menu_ = new QMenu(this);
    menu_->setObjectName("ServerExplorerFileList");
    std::vector<std::function<void()>> handlers = {
        [this] { DownloadSelection(); },
        [this] { UploadFile(); },
        [this] { UpPath(); },
        [this] { RefreshList(); },
        [this] { AddMember(false); },
        [this] { AddMember(true); },
        [this] { CopyLink(0); },
        [this] { CopyLink(1); },
        [this] { CopyLink(2); },
        [this] { CopyLink(3); },
        [this] {
            std::string id = MemberOfSelection();
            if (noteHandler_ && !id.empty()) noteHandler_(id);
        },
    };
    for (size_t i = 0; i < handlers.size(); ++i) {
        QAction* action = menu_->addAction(QString::fromUtf8(text::kMenu[i]));
        connect(action, &QAction::triggered, this, handlers[i]);
        if (i == 3 || i == 5 || i == 9) menu_->addSeparator();
    }
    connect(menu_, &QMenu::aboutToShow, this, &CServerExplorerPage::UpdateMenu);

    connect(connect_, &QPushButton::clicked, this, [this] { ConnectToTypedId(); });
    connect(idField_, &QLineEdit::returnPressed, this, [this] { ConnectToTypedId(); });
    connect(disconnect_, &QPushButton::clicked, this, [this] { Model().Disconnect(); });
    connect(ownServer_, &QPushButton::clicked, this,
            [this] { ShowResult(Model().BrowseOwnServer(process_.FileServer().GetPort())); });
    connect(board_, &QPushButton::clicked, this, [this] {
        if (boardHandler_ && Model().Connected()) boardHandler_(Model().BrowsedId());
    });
    connect(history_, &QLabel::linkActivated, this, [this] { OpenHistory(); });
    connect(up_, &QPushButton::clicked, this, [this] { UpPath(); });
    connect(refresh_, &QPushButton::clicked, this, [this] { RefreshList(); });
    connect(download_, &QPushButton::clicked, this, [this] { DownloadSelection(); });
    connect(upload_, &QPushButton::clicked, this, [this] { UploadFile(); });
    connect(list_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenRowAt(index.row()); });
    AttachMenu(*list_, *menu_);
    connect(tree_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item, int) {
        ShowResult(Model().OpenPath(item->data(0, Qt::UserRole).toString().toStdString()));
    });
    connect(rows_, &CRowTableModel::stateChanged, this, [this] { SyncState(); });
    SyncState();
}

CServerExplorerPage::~CServerExplorerPage() = default;

CServerExplorer& CServerExplorerPage::Model() const {
    return *process_.Explorer();
}

void CServerExplorerPage::Tick() {
    SyncState();
}

void CServerExplorerPage::SetNoteHandler(std::function<void(const std::string&)> handler) {
    noteHandler_ = std::move(handler);
}

void CServerExplorerPage::SetBoardHandler(std::function<void(const std::string&)> handler) {
    boardHandler_ = std::move(handler);
}

// The model wrote a refusal with a text to the event log already.
void CServerExplorerPage::ShowResult(const std::optional<std::string>&) {
    SyncState();
}

void CServerExplorerPage::SyncState() {
    CServerExplorer& model = Model();
    bool connected = model.Connected();
    connect_->setEnabled(!connected);
    disconnect_->setEnabled(connected);
    idField_->setReadOnly(connected);
    board_->setEnabled(connected);
    for (QPushButton* b : {up_, refresh_, download_, upload_}) b->setEnabled(connected);
    path_->setText(Q(model.PathText()));
    status_->setText(Q(model.StatusText()));
    headers_->Refresh();
    SyncTree();
}

void CServerExplorerPage::SyncTree() {
    const std::set<std::string>& paths = Model().Tree();
    std::vector<std::string> shown;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
        shown.push_back((*it)->data(0, Qt::UserRole).toString().toStdString());
    }
    std::sort(shown.begin(), shown.end());
    if (std::equal(shown.begin(), shown.end(), paths.begin(), paths.end())) return;
    tree_->clear();
    std::map<std::string, QTreeWidgetItem*> items;
    QIcon folder = ThemedIcon("folder", "folder");
    // A set keeps a parent before its children: "\a" < "\a\b".
    for (const std::string& path : paths) {
        size_t cut = path.find_last_of('\\');
        std::string parent = cut == std::string::npos || cut == 0 ? "\\" : path.substr(0, cut);
        std::string label =
            path == "\\" ? path : path.substr(cut == std::string::npos ? 0 : cut + 1);
        QTreeWidgetItem* item = nullptr;
        auto found = items.find(parent);
        if (path != "\\" && found != items.end()) {
            item = new QTreeWidgetItem(found->second);
        } else {
            item = new QTreeWidgetItem(tree_);
        }
        item->setText(0, Q(label));
        item->setIcon(0, folder);
        item->setData(0, Qt::UserRole, Q(path));
        items[path] = item;
    }
    tree_->expandAll();
    auto current = items.find(Model().CurrentPath());
    if (current != items.end()) tree_->setCurrentItem(current->second);
}

void CServerExplorerPage::ConnectToTypedId() {
    ShowResult(Model().Connect(idField_->text().trimmed().toStdString()));
}

void CServerExplorerPage::UpPath() {
    ShowResult(Model().UpPath());
}

void CServerExplorerPage::RefreshList() {
    ShowResult(Model().Refresh());
}

void CServerExplorerPage::DownloadSelection() {
    ShowResult(Model().Download(SelectedRows()));
}

void CServerExplorerPage::UploadFile() {
    ShowResult(Model().Upload());
}

void CServerExplorerPage::OpenRowAt(int row) {
    if (row < 0) return;
    ShowResult(Model().OpenRow(static_cast<size_t>(row)));
}

std::vector<size_t> CServerExplorerPage::SelectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CServerExplorerPage::OpenHistory() {
    CHistoryDialog dialog(Model(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.Chosen().empty()) return;
    idField_->setText(Q(dialog.Chosen()));
    ConnectToTypedId();
}

void CServerExplorerPage::OfferFolderDownload(const FolderDownloadOffer& offer) {
    CFolderDownloadDialog dialog(process_, offer, this);
    dialog.exec();
}

QString QtFileFilter(const std::string& filter) {
    // Qt wants "name (patterns)", and "*.*" would skip names without a dot here.
    QString qtFilter = QString::fromStdString(filter);
    int open = qtFilter.indexOf('(');
    if (open > 0 && qtFilter[open - 1] != ' ') qtFilter.insert(open, ' ');
    qtFilter.replace("(*.*)", "(*)");
    return qtFilter;
}

std::string CServerExplorerPage::PickFile(const std::string& title, const std::string& filter) {
    return QFileDialog::getOpenFileName(this, Q(title), QString(), QtFileFilter(filter))
        .toStdString();
}

void CServerExplorerPage::ShowNotice(const std::string& html) {
    notice_->setHtml(Q(html));
}

void CServerExplorerPage::UpdateMenu() {
    bool connected = Model().Connected();
    bool selected = connected && !SelectedRows().empty();
    bool member = !MemberOfSelection().empty();
    // Download and the file links want a row; the rest the browsed server or its member.
    const bool enabled[] = {selected, connected, connected, connected, member, member,
                            selected, selected,  member,    member,    member};
    size_t item = 0;
    for (QAction* action : menu_->actions()) {
        if (action->isSeparator()) continue;
        if (item < std::size(enabled)) action->setEnabled(enabled[item]);
        ++item;
    }
}

std::string CServerExplorerPage::MemberOfSelection() const {
    std::vector<size_t> rows = SelectedRows();
    if (!rows.empty()) {
        if (auto links = Model().LinkTextsOf(rows.front())) return links->member;
    }
    return Model().Connected() ? Model().BrowsedId() : std::string();
}

void CServerExplorerPage::AddMember(bool black) {
    std::string id = MemberOfSelection();
    if (id.empty()) return;
    process_.FriendDialog().AddFromElsewhere(black ? MemberList::kBlack : MemberList::kFriends,
                                             {id, ""});
}

void CServerExplorerPage::CopyLink(int which) {
    std::vector<size_t> rows = SelectedRows();
    if (rows.empty()) return;
    std::optional<LinkTexts> links = Model().LinkTextsOf(rows.front());
    if (!links) return;
    const std::string* texts[] = {&links->file, &links->fileHtml, &links->server,
                                  &links->serverHtml};
    if (texts[which]->empty()) return;
    QApplication::clipboard()->setText(Q(*texts[which]));
}

bool CServerExplorerPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            OpenRowAt(list_->currentIndex().row());
            return true;
        }
        if (key->key() == Qt::Key_Backspace) {
            UpPath();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velorin
