#include "ui/history_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "views/server_explorer.h"

namespace velorin {

namespace {
namespace text {
constexpr const char* kTitle = "히스토리 관리";
constexpr const char* kConnect = "연결(&C)";
constexpr const char* kClear = "초기화(&R)";
constexpr const char* kClose = "닫기";
}  // namespace text
}  // namespace

CHistoryDialog::CHistoryDialog(CServerExplorer& explorer, QWidget* parent)
    : QDialog(parent), explorer_(explorer) {
    setObjectName("historyDialog");
    setWindowTitle(QString::fromUtf8(text::kTitle));
    setAccessibleName(QString::fromUtf8(text::kTitle));
    list_ = new QListWidget(this);
    list_->setObjectName("historyList");
    list_->setAccessibleName("히스토리");
    auto button = [this](const char* label, const char* name) {
        auto* b = new QPushButton(QString::fromUtf8(label), this);
        b->setObjectName(name);
        b->setAccessibleName(QString::fromUtf8(label).remove('&'));
        b->setAutoDefault(false);
        return b;
    };
    QPushButton* connectButton = button(text::kConnect, "historyConnect");
    QPushButton* clear = button(text::kClear, "historyClear");
    QPushButton* close = button(text::kClose, "historyClose");
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(connectButton);
    buttons->addWidget(clear);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    connect(connectButton, &QPushButton::clicked, this, [this] { ConnectSelected(); });
    connect(list_, &QListWidget::itemActivated, this, [this] { ConnectSelected(); });
    connect(clear, &QPushButton::clicked, this, [this] {
        explorer_.ClearHistory();
        Reload();
    });
    connect(close, &QPushButton::clicked, this, &CHistoryDialog::reject);
    Reload();
}

void CHistoryDialog::Reload() {
    list_->clear();
    for (const std::string& id : explorer_.History()) {
        list_->addItem(QString::fromStdString(id));
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
}

void CHistoryDialog::ConnectSelected() {
    QListWidgetItem* item = list_->currentItem();
    if (!item) return;
    chosen_ = item->text().toStdString();
    accept();
}

}  // namespace velorin
