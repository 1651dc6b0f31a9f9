#include "ui/server_list_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "app/main_controller.h"
#include "app/process.h"
#include "service/server_list.h"
#include "ui/icons.h"
#include "ui/list_menu.h"
#include "ui/row_table_model.h"
#include "views/friend_dialog.h"
#include "views/server_list_view.h"

namespace velorin {

namespace text = server_list_view_text;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

QPushButton* Button(const char* label, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(label), parent);
    button->setObjectName(name);
    button->setAccessibleName(button->text());
    return button;
}

}  // namespace

CServerListPage::CServerListPage(CProcess& process, QWidget* parent)
    : QWidget(parent), process_(process), view_(*process.ServerListView()) {
    setObjectName("serverListPage");
    setAccessibleName(QString::fromUtf8(text::kColumns[0]));

    auto* refresh = Button(text::kRefresh, "refreshButton", this);
    refresh->setIcon(ThemedIcon("view-refresh", "servers"));
    channels_ = new QComboBox(this);
    channels_->setObjectName("channelBox");
    for (int channel = 0; channel < static_cast<int>(kServerChannels); ++channel) {
        channels_->addItem(QString::fromUtf8(ChannelName(channel)));
    }
    channels_->setAccessibleName(channels_->itemText(0));
    auto* categoryTitle = new QLabel(QString::fromUtf8(text::kCategoryTitle), this);
    categories_ = new QListWidget(this);
    categories_->setObjectName("categoryList");
    categories_->setAccessibleName(categoryTitle->text());
    categoryTitle->setBuddy(categories_);
    total_ = new QLabel(this);
    total_->setObjectName("totalLine");
    total_->setTextFormat(Qt::RichText);

    iconOn_ = ThemedIcon("network-server", "servers");
    iconOff_ = ThemedIcon("computer", "home");
    std::vector<CRowTableModel::Column> columns;
    for (size_t column = 0; column < 5; ++column) {
        columns.push_back({QString::fromUtf8(text::kColumns[column]),
                           [this, column](size_t row, int role) -> QVariant {
                               const ServerListRow& r = view_.Rows()[row];
                               if (role == Qt::DisplayRole) return Q(r.texts[column]);
                               if (role == Qt::DecorationRole && column == 0) {
                                   return r.firstIcon ? iconOn_ : iconOff_;
                               }
                               return {};
                           }});
    }
    model_ = new CRowTableModel(
        view_.Observers(), [this] { return view_.Rows().size(); }, std::move(columns), this);
    table_ = new QTableView(this);
    table_->setObjectName("serverTable");
    table_->setAccessibleName(QString::fromUtf8(text::kColumns[1]));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    // Rows keep one height, so Qt need not measure 6 000 of them.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    // The opening time takes the room left over, so it is not cut on a wide page.
    header->setStretchLastSection(true);
    for (int column = 0; column < 5; ++column) {
        table_->setColumnWidth(column, text::kColumnWidths[column]);
    }

    auto* connectButton = Button(text::kConnect, "connectButton", this);
    auto* connectOwn = Button(text::kConnectOwn, "connectOwnButton", this);
    shareOnly_ = new QCheckBox(QString::fromUtf8(text::kShareOnly), this);
    shareOnly_->setObjectName("shareOnlyBox");
    shareOnly_->setAccessibleName(shareOnly_->text());
    auto* note = Button(text::kSendNote, "noteButton", this);
    auto* help = Button(text::kHelp, "helpButton", this);
    help->setIcon(ThemedIcon("help-browser", "log-info"));

    auto* left = new QVBoxLayout;
    left->addWidget(refresh);
    left->addWidget(channels_);
    left->addWidget(categoryTitle);
    left->addWidget(categories_, 1);
    left->addWidget(total_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(connectButton);
    buttons->addWidget(connectOwn);
    buttons->addWidget(shareOnly_);
    buttons->addStretch(1);
    buttons->addWidget(note);
    buttons->addWidget(help);
    auto* right = new QVBoxLayout;
    right->addWidget(table_, 1);
    right->addLayout(buttons);
    auto* page = new QHBoxLayout(this);
    page->addLayout(left, 0);
    page->addLayout(right, 1);
    categories_->setMaximumWidth(categories_->sizeHintForColumn(0) + 160);

    QObject::connect(model_, &CRowTableModel::stateChanged, this, &CServerListPage::ShowState);
    QObject::connect(refresh, &QPushButton::clicked, this,
                     [this] { process_.Controller()->RefreshServerList(); });
    auto* refreshKey = new QShortcut(QKeySequence::Refresh, this);
    QObject::connect(refreshKey, &QShortcut::activated, refresh, &QPushButton::click);
    QObject::connect(channels_, &QComboBox::activated, this,
                     [this](int channel) { view_.SelectChannel(channel); });
    QObject::connect(categories_, &QListWidget::currentRowChanged, this, [this](int category) {
        if (category >= 0 && category != view_.Category()) view_.SelectCategory(category);
    });
    QObject::connect(shareOnly_, &QCheckBox::clicked, this,
                     [this](bool on) { view_.SetShareFilter(on); });
    QObject::connect(header, &QHeaderView::sectionClicked, this, [this, header](int column) {
        view_.Sort(static_cast<size_t>(column));
        header->setSortIndicator(column,
                                 view_.SortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
    });
    // A double click, or Enter on the current row.
    QObject::connect(table_, &QTableView::activated, this, [this] { ConnectSelected(); });
    QObject::connect(connectButton, &QPushButton::clicked, this, [this] { ConnectSelected(); });
    QObject::connect(connectOwn, &QPushButton::clicked, this, [this] { view_.ConnectOwnServer(); });
    QObject::connect(note, &QPushButton::clicked, this, [this] { SendNote(); });
    QObject::connect(help, &QPushButton::clicked, this, [this] {
        if (helpHandler_) helpHandler_(text::kHelpPage);
    });
    AttachMenu(*table_, [this] { return CreateRowMenu(); });

    shareOnly_->setChecked(view_.ShareFilter());
    view_.Refill();
    ShowState();
}

CServerListPage::~CServerListPage() = default;

void CServerListPage::Tick() {
    // The page follows the model's notices; the timer has nothing to add.
}

std::optional<size_t> CServerListPage::SelectedRow() const {
    QModelIndexList rows = table_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return std::nullopt;
    auto row = static_cast<size_t>(rows.front().row());
    if (row >= view_.Rows().size()) return std::nullopt;
    return row;
}

void CServerListPage::ShowState() {
    channels_->setCurrentIndex(view_.Channel());
    shareOnly_->setChecked(view_.ShareFilter());
    std::vector<std::string> lines = view_.CategoryLines();
    QSignalBlocker quiet(categories_);
    if (categories_->count() != static_cast<int>(lines.size())) {
        categories_->clear();
        for (size_t i = 0; i < lines.size(); ++i) {
            categories_->addItem(new QListWidgetItem(ThemedIcon("folder", "folder"), {}));
        }
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        categories_->item(static_cast<int>(i))->setText(Q(lines[i]));
    }
    categories_->setCurrentRow(view_.Category());
    total_->setText(Q(view_.TotalLine()));
}

void CServerListPage::ConnectSelected() {
    if (std::optional<size_t> row = SelectedRow()) view_.Connect(*row);
}

void CServerListPage::CopyLink(bool html) {
    std::optional<size_t> row = SelectedRow();
    if (!row) return;
    if (std::optional<LinkTexts> links = view_.LinkTextsOf(*row)) {
        QApplication::clipboard()->setText(Q(html ? links->serverHtml : links->server));
    }
}

void CServerListPage::AddMember(bool friends) {
    std::optional<size_t> row = SelectedRow();
    if (!row) return;
    process_.FriendDialog().AddFromElsewhere(friends ? MemberList::kFriends : MemberList::kBlack,
                                             {view_.Rows()[*row].record.userId, ""});
}

void CServerListPage::SendNote() {
    std::optional<size_t> row = SelectedRow();
    if (noteHandler_) noteHandler_(row ? view_.Rows()[*row].record.userId : std::string());
}

QMenu* CServerListPage::CreateRowMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName("ServerListContextMenu");
    bool selected = SelectedRow().has_value();
    auto add = [&](const char* label, auto action) {
        QAction* item = menu->addAction(QString::fromUtf8(label));
        QObject::connect(item, &QAction::triggered, this, action);
        item->setEnabled(selected);
        return item;
    };
    menu->setDefaultAction(add(text::kMenuConnect, [this] { ConnectSelected(); }));
    add(text::kMenuFriend, [this] { AddMember(true); });
    add(text::kMenuBlack, [this] { AddMember(false); });
    menu->addSeparator();
    add(text::kRefresh, [this] { process_.Controller()->RefreshServerList(); })->setEnabled(true);
    menu->addSeparator();
    add(text::kMenuServerLink, [this] { CopyLink(false); });
    add(text::kMenuServerLinkHtml, [this] { CopyLink(true); });
    menu->addSeparator();
    add(text::kSendNote, [this] { SendNote(); });
    return menu;
}

}  // namespace velorin
