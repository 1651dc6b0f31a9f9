#include "ui/transfer_page.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStringListModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "app/process.h"
#include "data/process_options.h"
#include "platform/user_interface.h"
#include "transfer/transfer_manager.h"
#include "ui/icons.h"
#include "ui/list_menu.h"
#include "ui/member_menu.h"
#include "ui/row_table_model.h"
#include "ui/speed_graph.h"
#include "views/transfer_view.h"

namespace velorin {
namespace {

constexpr int kProgressColumn = 3;
// Wide enough for the texts of each column at the program's font size.
constexpr int kColumnWidths[] = {95, 45, 260, 80, 75, 100, 100, 80, 200};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

int Percent(const TransferViewRow& row) {
    if (row.fileSize == 0) return 100;
    uint64_t present = row.resumeOffset + row.movedBytes;
    return static_cast<int>(std::min<uint64_t>(present, row.fileSize) * 100 / row.fileSize);
}

QIcon StateIcon(uint8_t state) {
    switch (state) {
        case kTransferStateTransferring:
            return ThemedIcon("media-playback-start", "transfer");
        case kTransferStateReserved:
            return ThemedIcon("appointment-soon", "state");
        case kTransferStateFailed:
            return ThemedIcon("dialog-error", "log-caution");
        case kTransferStateCancelled:
            return ThemedIcon("process-stop", "log-operation");
        case kTransferStateCompleted:
            return ThemedIcon("emblem-default", "log-info");
        default:
            return {};
    }
}

// The progress column as a bar carrying the core's text.
class CProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QVariant value = index.data(Qt::UserRole);
        if (!value.isValid()) return QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.text.clear();
        QStyle* style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, option.widget);
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(1, 1, -1, -1);
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = value.toInt();
        bar.text = index.data(Qt::DisplayRole).toString();
        bar.textVisible = true;
        bar.textAlignment = Qt::AlignCenter;
        bar.state = option.state | QStyle::State_Horizontal;
        bar.palette = option.palette;
        bar.fontMetrics = option.fontMetrics;
        style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }
};

}  // namespace

CTransferPage::CTransferPage(CProcess& process, QWidget* parent)
    : QWidget(parent), process_(process) {
    setObjectName("transferPage");
    setAccessibleName(QStringLiteral("파일전송"));
    CTransferView& view = *process_.TransferView();

    members_ = new QStringListModel(this);
    memberList_ = new QListView;
    memberList_->setObjectName("transferMembers");
    memberList_->setAccessibleName(QStringLiteral("파일전송 회원"));
    memberList_->setModel(members_);
    memberList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    memberList_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(memberList_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CTransferPage::OnMemberPicked);

    auto rows = [&view] { return view.Rows().size(); };
    std::vector<CRowTableModel::Column> columns;
    for (size_t column = 0; column < kTransferViewHeaders.size(); ++column) {
        columns.push_back({QString::fromUtf8(kTransferViewHeaders[column]),
                           [&view, column](size_t index, int role) -> QVariant {
                               const TransferViewRow& row = view.Rows()[index];
                               if (role == Qt::DecorationRole && column == 0) {
                                   return StateIcon(row.transferState);
                               }
                               if (role == Qt::UserRole && column == kProgressColumn) {
                                   return Percent(row);
                               }
                               if (role == Qt::TextAlignmentRole && column >= 4 && column <= 7) {
                                   return QVariant(Qt::AlignRight | Qt::AlignVCenter);
                               }
                               if (role != Qt::DisplayRole) return {};
                               const std::string* texts[] = {
                                   &row.state,    &row.action,    &row.fileName,
                                   &row.progress, &row.speed,     &row.size,
                                   &row.moved,    &row.remaining, &row.note};
                               return Q(*texts[column]);
                           }});
    }
    files_ = new CRowTableModel(view.Observers(), rows, std::move(columns), this);
    connect(files_, &CRowTableModel::stateChanged, this, &CTransferPage::ShowMembers);

    fileList_ = new QTableView;
    fileList_->setObjectName("transferFiles");
    fileList_->setAccessibleName(QStringLiteral("파일전송 목록"));
    fileList_->setModel(files_);
    fileList_->setItemDelegateForColumn(kProgressColumn, new CProgressDelegate(fileList_));
    fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setShowGrid(false);
    fileList_->setWordWrap(false);
    fileList_->verticalHeader()->hide();
    fileList_->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column) {
        fileList_->setColumnWidth(column, kColumnWidths[column]);
    }
    fileList_->installEventFilter(this);
    connect(fileList_, &QTableView::doubleClicked, this, &CTransferPage::RunSelected);

    menu_ = new QMenu(this);
    menu_->setObjectName("FSCTransFileState");
    auto item = [this](const char* text, auto slot) {
        QAction* action = menu_->addAction(QString::fromUtf8(text));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    item(kTransferStop, [this] { StopSelected(); });
    item(kTransferRestart, [this] { RestartSelected(); });
    item(kTransferMenuRemove, [this] { RemoveSelected(false); });
    item(kTransferMenuRemoveReceived, [this] { RemoveSelected(true); });
    menu_->addSeparator();
    item(kTransferMenuClearMember, [this] { ClearMemberCompleted(); });
    item(kTransferMenuClearAll, [this] { ClearAllCompleted(); });
    menu_->addSeparator();
    item(kTransferMenuRun, [this] { RunSelected(); });
    item(kTransferMenuOpenFolder, [this] { OpenDownloadFolder(); });
    menu_->addSeparator();
    item(kTransferMenuCopyLink, [this] { CopyLinks(false); });
    item(kTransferMenuCopyHtml, [this] { CopyLinks(true); });
    connect(menu_, &QMenu::aboutToShow, this, &CTransferPage::UpdateRowMenu);
    AttachMenu(*fileList_, *menu_);
    memberList_->installEventFilter(this);
    AttachMenu(*memberList_, [this] { return CreateMemberMenu(); });
    connect(memberList_, &QListView::doubleClicked, this, [this] { BrowseSelectedMember(); });

    auto* buttons = new QHBoxLayout;
    // The texts are the core's; the keys are added here, as a desktop expects.
    auto button = [&](const char* name, const char* text, char key, auto slot) {
        auto* pushed = new QPushButton(QString::fromUtf8(text) + QStringLiteral("(&%1)").arg(key));
        pushed->setObjectName(name);
        pushed->setAutoDefault(false);
        connect(pushed, &QPushButton::clicked, this, slot);
        buttons->addWidget(pushed);
    };
    button("transferStop", kTransferStop, 'S', [this] { StopSelected(); });
    button("transferRestart", kTransferRestart, 'R', [this] { RestartSelected(); });
    button("transferRemove", kTransferRemove, 'D', [this] { RemoveSelected(false); });
    button("transferClearMember", kTransferClearMember, 'U', [this] { ClearMemberCompleted(); });
    button("transferClearAll", kTransferClearAll, 'A', [this] { ClearAllCompleted(); });
    button("transferOpenFolder", kTransferOpenFolder, 'O', [this] { OpenDownloadFolder(); });
    buttons->addStretch(1);

    downloadGraph_ = new CSpeedGraph(QStringLiteral("DN"));
    downloadGraph_->setObjectName("downloadGraph");
    uploadGraph_ = new CSpeedGraph(QStringLiteral("UP"));
    uploadGraph_->setObjectName("uploadGraph");
    auto* graphs = new QVBoxLayout;
    graphs->setContentsMargins(0, 0, 0, 0);
    graphs->addWidget(downloadGraph_);
    graphs->addWidget(uploadGraph_);
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(memberList_, 1);
    sideLayout->addLayout(graphs);

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(side);
    splitter->addWidget(fileList_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 700});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    ShowMembers();
}

CTransferPage::~CTransferPage() = default;

void CTransferPage::Tick() {
    CTransferView& view = *process_.TransferView();
    downloadGraph_->AddSample(view.DownloadBytesPerSecond());
    uploadGraph_->AddSample(view.UploadBytesPerSecond());
}

void CTransferPage::ShowMembers() {
    CTransferView& view = *process_.TransferView();
    QStringList names;
    int selected = -1;
    for (const std::string& member : view.Members()) {
        if (member == view.Selected()) selected = static_cast<int>(names.size());
        names << Q(member);
    }
    showing_ = true;
    if (members_->stringList() != names) members_->setStringList(names);
    QModelIndex current = selected >= 0 ? members_->index(selected) : QModelIndex();
    if (memberList_->currentIndex() != current) {
        memberList_->selectionModel()->setCurrentIndex(current,
                                                       QItemSelectionModel::ClearAndSelect);
    }
    showing_ = false;
}

void CTransferPage::OnMemberPicked() {
    if (showing_) return;
    QModelIndex current = memberList_->currentIndex();
    if (!current.isValid()) return;
    process_.TransferView()->Select(current.data().toString().toStdString());
}

std::vector<size_t> CTransferPage::SelectedRows() const {
    std::vector<size_t> rows;
    size_t count = process_.TransferView()->Rows().size();
    for (const QModelIndex& index : fileList_->selectionModel()->selectedRows()) {
        auto row = static_cast<size_t>(index.row());
        if (row < count) rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

std::vector<std::string> CTransferPage::SelectedNames() const {
    std::vector<std::string> names;
    for (size_t row : SelectedRows())
        names.push_back(process_.TransferView()->Rows()[row].fileName);
    return names;
}

void CTransferPage::StopSelected() {
    process_.Transfers().StopEntries(process_.TransferView()->Selected(), SelectedNames());
}

void CTransferPage::RestartSelected() {
    process_.Transfers().RestartEntries(process_.TransferView()->Selected(), SelectedNames());
}

void CTransferPage::RemoveSelected(bool withReceived) {
    process_.Transfers().DeleteEntries(process_.TransferView()->Selected(), SelectedNames(),
                                       withReceived);
}

void CTransferPage::ClearMemberCompleted() {
    const std::string& member = process_.TransferView()->Selected();
    if (!member.empty()) process_.Transfers().DeleteCompleted(member);
}

void CTransferPage::ClearAllCompleted() {
    process_.Transfers().DeleteAllCompleted();
}

void CTransferPage::OpenDownloadFolder() {
    process_.Ui().OpenFolder(process_.Options().DownloadPath());
}

void CTransferPage::RunSelected() {
    CTransferView& view = *process_.TransferView();
    std::string folder = process_.Options().DownloadPath();
    for (size_t row : SelectedRows()) {
        if (auto path = FinishedFilePath(view.Rows()[row], folder)) {
            QDesktopServices::openUrl(QUrl::fromLocalFile(Q(*path)));
            return;
        }
    }
}

void CTransferPage::CopyLinks(bool html) {
    QStringList links;
    for (size_t row : SelectedRows()) {
        if (auto texts = process_.TransferView()->LinkTextsOf(row)) {
            links << Q(html ? texts->fileHtml : texts->file);
        }
    }
    if (!links.isEmpty()) QApplication::clipboard()->setText(links.join('\n'));
}

void CTransferPage::UpdateRowMenu() {
    bool rows = !SelectedRows().empty();
    bool member = !process_.TransferView()->Selected().empty();
    const std::pair<const char*, bool> enabled[] = {{kTransferStop, rows},
                                                    {kTransferRestart, rows},
                                                    {kTransferMenuRemove, rows},
                                                    {kTransferMenuRemoveReceived, rows},
                                                    {kTransferMenuClearMember, member},
                                                    {kTransferMenuRun, rows},
                                                    {kTransferMenuCopyLink, rows},
                                                    {kTransferMenuCopyHtml, rows}};
    for (QAction* action : menu_->actions()) {
        for (const auto& [text, on] : enabled) {
            if (action->text() == QString::fromUtf8(text)) action->setEnabled(on);
        }
    }
}

std::string CTransferPage::SelectedMember() const {
    QModelIndex current = memberList_->currentIndex();
    return current.isValid() ? current.data().toString().toStdString() : std::string();
}

QMenu* CTransferPage::CreateMemberMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName("FSCUserList");
    AddMemberActions(*menu, process_, SelectedMember(), kPeerMenuTexts, {onBrowse, onNote});
    return menu;
}

void CTransferPage::BrowseSelectedMember() {
    std::string id = SelectedMember();
    if (!id.empty() && onBrowse) onBrowse(id);
}

bool CTransferPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == memberList_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            BrowseSelectedMember();
            return true;
        }
    }
    if (watched == fileList_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            RemoveSelected(false);
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            RunSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace velorin
