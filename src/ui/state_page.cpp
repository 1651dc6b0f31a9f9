#include "ui/state_page.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>
#include <memory>

#include "platform/activity_log.h"
#include "ui/icons.h"
#include "ui/list_menu.h"

namespace velorin {

namespace {

QIcon KindIcon(int kind) {
    switch (kind) {
        case 1:
            return ThemedIcon("dialog-information", "log-operation");
        case 2:
            return ThemedIcon("help-about", "log-info");
        case 4:
            return ThemedIcon("dialog-warning", "log-caution");
        default:
            return ThemedIcon("emblem-money", "log-payment");
    }
}

}  // namespace

CStatePage::CStatePage(CActivityLog& log, QWidget* parent) : QWidget(parent), activity_(log) {
    setObjectName(QStringLiteral("statePage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setObjectName(QStringLiteral("stateSplitter"));
    layout->addWidget(split);
    split->addWidget(new QWidget(split));

    const auto& rows = activity_.Rows();
    auto text = [&rows](auto field) {
        return [&rows, field](size_t row, int role) -> QVariant {
            if (role != Qt::DisplayRole) return {};
            return QString::fromStdString(rows[row].*field);
        };
    };
    std::vector<CRowTableModel::Column> columns = {
        {QStringLiteral("시간"),
         [&rows](size_t row, int role) -> QVariant {
             if (role == Qt::DecorationRole) return KindIcon(rows[row].kind);
             if (role != Qt::DisplayRole) return {};
             return QString::fromStdString(rows[row].time);
         }},
        {QStringLiteral("상태"), text(&ActivityRow::label)},
        {QStringLiteral("설명"), text(&ActivityRow::text)},
    };
    model_ = new CRowTableModel(
        activity_.Observers(), [&rows] { return rows.size(); }, std::move(columns), this);
    log_ = new QTableView(split);
    log_->setObjectName(QStringLiteral("activityLog"));
    log_->setAccessibleName(QStringLiteral("작업 기록"));
    log_->setModel(model_);
    log_->setSelectionBehavior(QAbstractItemView::SelectRows);
    log_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    log_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    log_->verticalHeader()->hide();
    log_->verticalHeader()->setDefaultSectionSize(log_->fontMetrics().height() + 6);
    log_->horizontalHeader()->setStretchLastSection(true);
    log_->setColumnWidth(0, 170);
    log_->setColumnWidth(1, 60);
    split->addWidget(log_);
    split->setStretchFactor(1, 1);
    connect(model_, &QAbstractItemModel::rowsInserted, log_, [this] { log_->scrollToBottom(); });

    // Delete removes the selected rows while the log has the focus.
    auto* remove = new QAction(QStringLiteral("삭제"), this);
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    connect(remove, &QAction::triggered, this, &CStatePage::RemoveSelected);
    log_->addAction(remove);
    AttachMenu(*log_, [this] { return CreateLogMenu(); });
}

QMenu* CStatePage::CreateLogMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("LogList"));
    menu->addAction(QStringLiteral("삭제"), this, &CStatePage::RemoveSelected)
        ->setEnabled(log_->selectionModel()->hasSelection());
    menu->addAction(QStringLiteral("모두 삭제"), this, &CStatePage::RemoveAll);
    menu->addAction(QStringLiteral("로그 보기"), this, [this] {
        if (onOpenLogFolder) onOpenLogFolder();
    });
    return menu;
}

void CStatePage::SetServerPart(QWidget* part) {
    auto* split = findChild<QSplitter*>(QStringLiteral("stateSplitter"));
    QWidget* old = split->widget(0);
    split->replaceWidget(0, part);
    delete old;
}

void CStatePage::RemoveSelected() {
    std::vector<size_t> rows;
    for (const QModelIndex& index : log_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<size_t>(index.row()));
    }
    activity_.Remove(std::move(rows));
}

void CStatePage::RemoveAll() {
    activity_.Clear();
}

}  // namespace velorin
