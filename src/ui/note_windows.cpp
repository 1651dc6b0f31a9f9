#include "ui/note_windows.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/process.h"
#include "data/note_box.h"
#include "platform/user_interface.h"
#include "ui/icons.h"

namespace velorin {

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

NoteDialogParts Parts(CProcess& process) {
    return NoteDialogParts{process.Session(), process.ServerRunning()};
}

// A text browser that shows what it is given and fetches nothing.
class CInertBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

}  // namespace

CNoteWindow::CNoteWindow(CProcess& process, CNoteDialog model, QWidget* parent)
    : QDialog(parent), process_(process), model_(std::move(model)) {
    setObjectName(QStringLiteral("noteDialog"));
    setWindowTitle(Utf8(model_.Title()));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    id_ = new QLineEdit(QString::fromStdString(model_.Id()), this);
    id_->setAccessibleName(QStringLiteral("받는이"));
    id_->setReadOnly(model_.Mode() != NoteMode::kNew);
    form->addRow(model_.ReadOnly() ? QStringLiteral("보낸이") : QStringLiteral("받는이(&I)"), id_);
    if (model_.ReadOnly())
        form->addRow(QStringLiteral("시간"), new QLabel(QString::fromStdString(model_.Time())));
    layout->addLayout(form);
    text_ = new QPlainTextEdit(QString::fromStdString(model_.Text()), this);
    text_->setAccessibleName(QStringLiteral("내용"));
    text_->setReadOnly(model_.ReadOnly());
    text_->setTabChangesFocus(true);
    layout->addWidget(text_, 1);
    auto* buttons = new QDialogButtonBox(this);
    if (model_.ReplyVisible()) {
        QPushButton* reply =
            buttons->addButton(QStringLiteral("답장(&R)"), QDialogButtonBox::ActionRole);
        connect(reply, &QPushButton::clicked, this, [this] {
            CNoteDialog next = model_.Reply();
            QWidget* owner = parentWidget();
            close();
            Open(process_, std::move(next), owner);
        });
        buttons->addButton(QStringLiteral("닫기"), QDialogButtonBox::RejectRole);
    } else {
        buttons->addButton(QStringLiteral("보내기(&S)"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &CNoteWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNoteWindow::reject);
    layout->addWidget(buttons);
    (model_.Mode() == NoteMode::kNew && model_.Id().empty() ? static_cast<QWidget*>(id_) : text_)
        ->setFocus();
    resize(360, 260);
}

void CNoteWindow::Open(CProcess& process, CNoteDialog model, QWidget* parent) {
    if (std::optional<std::string> refusal = model.Open()) {
        process.Ui().ShowMessage(*refusal, kAppName);
        return;
    }
    auto* window = new CNoteWindow(process, std::move(model), parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void CNoteWindow::accept() {
    NoteSendResult result =
        model_.Ok(id_->text().toStdString(), text_->toPlainText().toStdString());
    if (!result.message.empty()) process_.Ui().ShowMessage(result.message, kAppName);
    if (result.sent) QDialog::accept();
}

CNoteBoxWindow::CNoteBoxWindow(CProcess& process, QWidget* parent)
    : QDialog(parent), process_(process) {
    setObjectName(QStringLiteral("noteBox"));
    setWindowTitle(QStringLiteral("쪽지함"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QTableWidget(this);
    list_->setAccessibleName(QStringLiteral("받은 쪽지"));
    list_->setColumnCount(3);
    QStringList headers;
    for (int i = 0; i < 3; ++i) {
        headers << Utf8(note_text::kColumns[i]);
        list_->setColumnWidth(i, note_text::kColumnWidths[i]);
    }
    list_->setHorizontalHeaderLabels(headers);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->verticalHeader()->hide();
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(list_, &QTableWidget::cellActivated, this, [this] { ViewSelected(); });
    layout->addWidget(list_, 1);
    auto* boxes = new QHBoxLayout;
    CNoteBox* box = process_.NoteBox();
    refuse_ = new QCheckBox(Utf8(note_text::kRefuse), this);
    announce_ = new QCheckBox(Utf8(note_text::kAnnounce), this);
    refuse_->setChecked(box && box->Refusing());
    announce_->setChecked(box && box->Announcing());
    connect(refuse_, &QCheckBox::toggled, this, [this](bool on) {
        if (CNoteBox* notes = process_.NoteBox()) notes->SetRefusing(on);
    });
    connect(announce_, &QCheckBox::toggled, this, [this](bool on) {
        if (CNoteBox* notes = process_.NoteBox()) notes->SetAnnouncing(on);
    });
    boxes->addWidget(refuse_);
    boxes->addWidget(announce_);
    boxes->addStretch();
    layout->addLayout(boxes);
    auto* buttons = new QHBoxLayout;
    auto add = [this, buttons](const QString& text, auto slot) {
        auto* button = new QPushButton(text, this);
        connect(button, &QPushButton::clicked, this, slot);
        buttons->addWidget(button);
        return button;
    };
    add(QStringLiteral("보기(&V)"), &CNoteBoxWindow::ViewSelected);
    add(QStringLiteral("답장(&R)"), &CNoteBoxWindow::ReplySelected);
    add(QStringLiteral("보내기(&S)"), [this] {
        CNoteWindow::Open(process_, CNoteDialog(Parts(process_), NoteMode::kNew), this);
    });
    add(QStringLiteral("삭제(&D)"), &CNoteBoxWindow::DeleteSelected)
        ->setShortcut(QKeySequence::Delete);
    add(QStringLiteral("모두 삭제"), &CNoteBoxWindow::DeleteAll);
    buttons->addStretch();
    add(QStringLiteral("닫기"), &QDialog::close);
    layout->addLayout(buttons);
    resize(460, 360);
    Reload();
}

void CNoteBoxWindow::Reload() {
    CNoteBox* box = process_.NoteBox();
    list_->setRowCount(0);
    if (!box) return;
    box->Load();
    const std::vector<NoteRow>& rows = box->Rows();
    list_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const NoteRow& row = rows[static_cast<size_t>(i)];
        auto* sender = new QTableWidgetItem(
            row.read ? ThemedIcon("mail-read", "notes") : ThemedIcon("mail-unread", "notes"),
            QString::fromStdString(row.sender));
        sender->setData(Qt::UserRole, row.slot);
        if (!row.read) {
            QFont bold = sender->font();
            bold.setBold(true);
            sender->setFont(bold);
        }
        list_->setItem(i, 0, sender);
        list_->setItem(i, 1, new QTableWidgetItem(QString::fromStdString(row.time)));
        list_->setItem(i, 2, new QTableWidgetItem(QString::fromStdString(row.column)));
    }
}

std::vector<int> CNoteBoxWindow::SelectedSlots() const {
    std::vector<int> chosen;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
        chosen.push_back(list_->item(index.row(), 0)->data(Qt::UserRole).toInt());
    }
    return chosen;
}

void CNoteBoxWindow::ViewSelected() {
    std::vector<int> chosen = SelectedSlots();
    CNoteBox* box = process_.NoteBox();
    if (chosen.empty() || !box) return;
    std::optional<NoteRow> note = box->View(chosen.front());
    Reload();
    if (note) CNoteWindow::Open(process_, CNoteDialog::ForNote(Parts(process_), *note), this);
}

void CNoteBoxWindow::ReplySelected() {
    std::vector<int> chosen = SelectedSlots();
    CNoteBox* box = process_.NoteBox();
    if (chosen.empty() || !box) return;
    for (const NoteRow& row : box->Rows()) {
        if (row.slot == chosen.front()) {
            CNoteWindow::Open(process_, CNoteDialog(Parts(process_), NoteMode::kReply, row.sender),
                              this);
            return;
        }
    }
}

void CNoteBoxWindow::DeleteSelected() {
    if (CNoteBox* box = process_.NoteBox()) box->DeleteSelected(SelectedSlots());
    Reload();
}

void CNoteBoxWindow::DeleteAll() {
    if (CNoteBox* box = process_.NoteBox()) box->DeleteAll();
    Reload();
}

CNoticeView::CNoticeView(CProcess& process, const std::string& html, QWidget* parent)
    : QDialog(parent), model_(process.Settings(), html) {
    setObjectName(QStringLiteral("noticeWindow"));
    setWindowTitle(Utf8(notice_text::kTitle));
    auto* layout = new QVBoxLayout(this);
    view_ = new CInertBrowser(this);
    view_->setOpenLinks(false);
    view_->setAccessibleName(Utf8(notice_text::kTitle));
    view_->setHtml(QString::fromStdString(model_.Html()));
    layout->addWidget(view_, 1);
    auto* row = new QHBoxLayout;
    autoClose_ = new QCheckBox(Utf8(notice_text::kAutoClose), this);
    autoClose_->setChecked(model_.AutoClose());
    connect(autoClose_, &QCheckBox::toggled, this, [this](bool on) {
        model_.SetAutoClose(on);
        Update();
    });
    countdown_ = new QLabel(this);
    row->addWidget(autoClose_);
    row->addWidget(countdown_, 1);
    auto* close = new QPushButton(Utf8(notice_text::kClose), this);
    connect(close, &QPushButton::clicked, this, [this] {
        model_.Close();
        QDialog::close();
    });
    row->addWidget(close);
    layout->addLayout(row);
    connect(&timer_, &QTimer::timeout, this, &CNoticeView::TickOnce);
    resize(420, 320);
    Update();
}

void CNoticeView::TickOnce() {
    if (model_.Tick()) {
        QDialog::close();
        return;
    }
    Update();
}

void CNoticeView::Update() {
    countdown_->setVisible(model_.CountdownVisible());
    countdown_->setText(QString::fromStdString(model_.CountdownText()));
    if (model_.TimerRunning() && !timer_.isActive()) timer_.start(CNoticeWindow::kTickMs);
    if (!model_.TimerRunning()) timer_.stop();
}

}  // namespace velorin
