#include "ui/server_state_part.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>
#include <string_view>

#include "app/activity_counts.h"
#include "app/main_texts.h"
#include "app/process.h"
#include "data/complete_list.h"
#include "data/settings.h"
#include "platform/strings.h"
#include "platform/user_interface.h"
#include "ui/icons.h"
#include "ui/list_menu.h"
#include "ui/member_menu.h"
#include "views/friend_dialog.h"
#include "views/server_transfer_view.h"
#include "views/server_view.h"

namespace velorin {

namespace {

constexpr int kSpeedLimitTop = 1000;

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

QIcon StateIcon(uint8_t state) {
    if (state == 1) return ThemedIcon("network-transmit-receive", "transfer");
    if (state == 16) return ThemedIcon("emblem-default", "log-info");
    return ThemedIcon("dialog-error", "log-caution");
}

}  // namespace

CServerStatePart::CServerStatePart(CProcess& process, CServerView& view, QWidget* parent)
    : QWidget(parent), process_(process), view_(view) {
    setObjectName(QStringLiteral("serverState"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    counters_ = new QLabel(this);
    counters_->setAccessibleName(QStringLiteral("내 서버 현황"));
    top->addWidget(counters_, 1);
    keepCompleted_ = new QCheckBox(QStringLiteral("완료된 목록 로그 남김"), this);
    keepCompleted_->setChecked(process_.Options().TransCompleteSave != 0);
    connect(keepCompleted_, &QCheckBox::toggled, this, [this](bool on) {
        process_.Settings().Write(setting::TransCompleteSave, on ? 1 : 0);
        process_.Options().TransCompleteSave = on ? 1 : 0;
    });
    top->addWidget(keepCompleted_);
    auto* completed = new QPushButton(QStringLiteral("완료된 목록(&C)"), this);
    connect(completed, &QPushButton::clicked, this, &CServerStatePart::ShowCompletedList);
    top->addWidget(completed);
    limitText_ = new QLabel(this);
    limit_ = new QSlider(Qt::Horizontal, this);
    limit_->setObjectName(QStringLiteral("speedLimit"));
    limit_->setAccessibleName(QStringLiteral("속도제한"));
    limit_->setRange(0, kSpeedLimitTop);
    limit_->setPageStep(50);
    limit_->setMinimumWidth(160);
    limit_->setValue(static_cast<int>(process_.Options().LimitSpeed.load()));
    limitText_->setText(QString::fromStdString(SpeedLimitLabel(process_.Options().LimitSpeed)));
    connect(limit_, &QSlider::valueChanged, this, [this](int value) {
        SetSpeedLimit(process_.Options(), process_.Settings(), static_cast<uint32_t>(value));
        limitText_->setText(QString::fromStdString(SpeedLimitLabel(static_cast<uint32_t>(value))));
    });
    top->addWidget(limitText_);
    top->addWidget(limit_);
    layout->addLayout(top);

    auto* split = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(split, 1);
    const auto& names = view_.Visitors();
    visitorModel_ = new CRowTableModel(
        view_.VisitorObservers(), [&names] { return names.size(); },
        {{QStringLiteral("접속자"),
          [&names](size_t row, int role) -> QVariant {
              if (role == Qt::DisplayRole) return QString::fromStdString(names[row]);
              if (role == Qt::DecorationRole) return ThemedIcon("user-identity", "home");
              return {};
          }}},
        this);
    visitors_ = new QListView(split);
    visitors_->setObjectName(QStringLiteral("visitors"));
    visitors_->setAccessibleName(QStringLiteral("접속자"));
    visitors_->setModel(visitorModel_);
    // Enter or a double click browses the visitor's own server, as "탐색" does.
    connect(visitors_, &QAbstractItemView::activated, this, [this] {
        std::string id = SelectedVisitor();
        if (!id.empty() && onBrowse) onBrowse(id);
    });
    AttachMenu(*visitors_, [this] { return CreateVisitorMenu(); });

    const auto& rows = view_.Transfers();
    using Field = std::string ServerTransferRow::*;
    auto text = [&rows](Field field, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        return [&rows, field, align](size_t row, int role) -> QVariant {
            if (role == Qt::DisplayRole) return QString::fromStdString(rows[row].*field);
            if (role == Qt::TextAlignmentRole) return QVariant::fromValue(align);
            return {};
        };
    };
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    std::vector<CRowTableModel::Column> columns = {
        {QStringLiteral("상태"),
         [&rows](size_t row, int role) -> QVariant {
             if (role == Qt::DecorationRole) return StateIcon(rows[row].transferState);
             if (role == Qt::DisplayRole) return QString::fromStdString(rows[row].status);
             return {};
         }},
        {QStringLiteral("구분"), text(&ServerTransferRow::action)},
        {QStringLiteral("아이디"), text(&ServerTransferRow::visitorId)},
        {QStringLiteral("파일명"), text(&ServerTransferRow::fileName)},
        {QStringLiteral("진행률"), text(&ServerTransferRow::progress, right)},
        {QStringLiteral("속도"), text(&ServerTransferRow::speed, right)},
        {QStringLiteral("크기"), text(&ServerTransferRow::size, right)},
        {QStringLiteral("현재 크기"), text(&ServerTransferRow::present, right)},
        {QStringLiteral("남은 시간"), text(&ServerTransferRow::remaining, right)},
    };
    transferModel_ = new CRowTableModel(
        view_.TransferObservers(), [&rows] { return rows.size(); }, std::move(columns), this);
    transfers_ = new QTableView(split);
    transfers_->setObjectName(QStringLiteral("servedTransfers"));
    transfers_->setAccessibleName(QStringLiteral("내 서버의 전송"));
    transfers_->setModel(transferModel_);
    transfers_->setSelectionBehavior(QAbstractItemView::SelectRows);
    transfers_->setSelectionMode(QAbstractItemView::SingleSelection);
    transfers_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    transfers_->verticalHeader()->hide();
    transfers_->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {80, 40, 80, 200, 60, 70, 90, 90, 80};
    for (int i = 0; i < 9; ++i) transfers_->setColumnWidth(i, widths[i]);
    connect(transfers_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        view_.DoubleClick(static_cast<size_t>(index.row()));
    });
    connect(new QShortcut(QKeySequence::Delete, transfers_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, [this] { RunTransferCommand(server_view_text::kDelete); });
    AttachMenu(*transfers_, [this] { return CreateTransferMenu(); });
    split->setStretchFactor(1, 4);
    Tick();
}

std::string CServerStatePart::SelectedVisitor() const {
    QModelIndex index = visitors_->currentIndex();
    const auto& names = view_.Visitors();
    if (!index.isValid() || static_cast<size_t>(index.row()) >= names.size()) return {};
    return names[static_cast<size_t>(index.row())];
}

std::string CServerStatePart::SelectedTransferMember() const {
    QModelIndex index = transfers_->currentIndex();
    const auto& rows = view_.Transfers();
    if (!index.isValid() || static_cast<size_t>(index.row()) >= rows.size()) return {};
    return rows[static_cast<size_t>(index.row())].visitorId;
}

QMenu* CServerStatePart::CreateVisitorMenu() {
    std::string id = SelectedVisitor();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("FSExplorerList"));
    AddMemberActions(*menu, process_, id, kVisitorMenuTexts, Hooks());
    menu->addSeparator();
    menu->addAction(Utf8(server_view_text::kDisconnectMenu), this, [this, id] { view_.Kick(id); })
        ->setEnabled(!id.empty());
    return menu;
}

QMenu* CServerStatePart::CreateTransferMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("FSTransFileState"));
    bool row = transfers_->currentIndex().isValid();
    menu->addAction(Utf8(server_view_text::kStopMenu), this,
                    [this] { RunTransferCommand(server_view_text::kStop); })
        ->setEnabled(row);
    menu->addAction(Utf8(server_view_text::kDeleteMenu), this,
                    [this] { RunTransferCommand(server_view_text::kDelete); })
        ->setEnabled(row);
    menu->addAction(Utf8(server_view_text::kDeleteAllMenu), this,
                    [this] { RunTransferCommand(server_view_text::kDeleteAll); });
    menu->addSeparator();
    AddMemberActions(*menu, process_, SelectedTransferMember(), kServedMenuTexts, Hooks());
    return menu;
}

MemberMenuHooks CServerStatePart::Hooks() {
    return {[this](const std::string& id) {
                if (onBrowse) onBrowse(id);
            },
            [this](const std::string& id) {
                if (onNote) onNote(id);
            }};
}

void CServerStatePart::RunTransferCommand(const char* keyword) {
    QModelIndex index = transfers_->currentIndex();
    size_t row = index.isValid() ? static_cast<size_t>(index.row()) : 0;
    if (!index.isValid() && std::string_view(keyword) != server_view_text::kDeleteAll) return;
    if (std::optional<std::string> refusal = view_.Command(keyword, row)) {
        process_.Ui().ShowMessage(*refusal, kAppName);
    }
}

void CServerStatePart::Tick() {
    ActivityCounts counts = process_.Activity();
    counters_->setText(
        QString::fromStdString(Format(main_text::kBrowsingPane, counts.browsing) + "   " +
                               Format(main_text::kUploadsPane, counts.sending) + "   " +
                               Format(main_text::kDownloadsPane, counts.receiving)));
}

void CServerStatePart::ShowCompletedList() {
    auto* window = new QDialog(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("completedList"));
    window->setWindowTitle(QStringLiteral("전송 완료된 목록"));
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(
        QStringLiteral("완료된 목록은 [현재상태] 화면에서 \"완료된목록 로그 남김\" 을 체크하셔야 "
                       "기록됩니다."),
        window));
    auto* table = new QTableWidget(window);
    table->setAccessibleName(QStringLiteral("전송 완료된 목록"));
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("시간"), QStringLiteral("동작"),
                                      QStringLiteral("아이디"), QStringLiteral("파일명"),
                                      QStringLiteral("크기")});
    const int widths[] = {120, 40, 60, 120, 60};
    for (int i = 0; i < 5; ++i) table->setColumnWidth(i, widths[i]);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    std::vector<CompleteRow> rows = process_.CompleteList().List();
    table->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const CompleteRow& row = rows[static_cast<size_t>(i)];
        const std::string* texts[] = {&row.completeTime, &row.op, &row.userId, &row.fileName,
                                      &row.fileSize};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(QString::fromStdString(*texts[c]));
            item->setTextAlignment(c == 0   ? Qt::AlignCenter
                                   : c == 4 ? (Qt::AlignRight | Qt::AlignVCenter)
                                            : (Qt::AlignLeft | Qt::AlignVCenter));
            table->setItem(i, c, item);
        }
    }
    layout->addWidget(table, 1);
    auto* clear = new QPushButton(QStringLiteral("로그 모두 삭제"), window);
    connect(clear, &QPushButton::clicked, window, [this, table] {
        process_.CompleteList().Clear();
        table->setRowCount(0);
    });
    layout->addWidget(clear, 0, Qt::AlignRight);
    window->resize(520, 360);
    window->show();
}

}  // namespace velorin
