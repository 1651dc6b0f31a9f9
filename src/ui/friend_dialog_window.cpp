#include "ui/friend_dialog_window.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/process.h"
#include "ui/dialog_buttons.h"
#include "ui/row_table_model.h"

namespace velorin {

namespace {
namespace label {
constexpr const char* kTitle = "친구 관리";
constexpr const char* kIdTitle = "아이디";
constexpr const char* kId = "사용자 ID(&I):";
constexpr const char* kDesc = "설명(&D):";
constexpr const char* kFriends = "친구 목록";
constexpr const char* kBlack = "접근거부자 목록";
constexpr const char* kAdd = "추가(&A)";
constexpr const char* kDelete = "삭제(&D)";
constexpr const char* kChange = "변경(&C)";
constexpr const char* kIdColumn = "사용자 ID";
constexpr const char* kDescColumn = "설명";
}  // namespace label
}  // namespace

CMemberIdDialog::CMemberIdDialog(const MemberDialogFields& fields, Apply apply, QWidget* parent)
    : QDialog(parent),
      apply_(std::move(apply)),
      id_(new QLineEdit(this)),
      desc_(new QLineEdit(this)) {
    setWindowTitle(label::kIdTitle);
    setObjectName("memberIdDialog");
    id_->setObjectName("memberId");
    id_->setAccessibleName("사용자 ID");
    desc_->setObjectName("memberDesc");
    desc_->setAccessibleName("설명");
    auto* form = new QFormLayout;
    form->addRow(label::kId, id_);
    form->addRow(label::kDesc, desc_);
    auto* buttons = DialogButtons(*this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    SetFields(fields);
    desc_->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
}

MemberDialogFields CMemberIdDialog::Fields() const {
    return MemberDialogFields{id_->text().toStdString(), desc_->text().toStdString()};
}

void CMemberIdDialog::SetFields(const MemberDialogFields& fields) {
    id_->setText(QString::fromStdString(fields.id));
    desc_->setText(QString::fromStdString(fields.desc));
}

void CMemberIdDialog::accept() {
    if (apply_ && apply_(Fields())) return;
    QDialog::accept();
}

CFriendDialogWindow::CFriendDialogWindow(CProcess& process, MemberList tab, QWidget* parent)
    : QDialog(parent), dialog_(process.FriendDialog()), tabs_(new QTabWidget(this)) {
    setWindowTitle(label::kTitle);
    setObjectName("friendDialog");
    tabs_->setObjectName("friendTabs");
    tabs_->addTab(MakeTab(MemberList::kFriends), label::kFriends);
    tabs_->addTab(MakeTab(MemberList::kBlack), label::kBlack);
    tabs_->setCurrentIndex(static_cast<int>(Index(tab)));
    auto* buttons = DialogButtons(*this, QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
    resize(520, 400);
}

CFriendDialogWindow::~CFriendDialogWindow() {
    // The models unsubscribe from observers that this window owns.
    for (CRowTableModel* model : models_) delete model;
}

MemberList CFriendDialogWindow::CurrentList() const {
    return tabs_->currentIndex() == 1 ? MemberList::kBlack : MemberList::kFriends;
}

QWidget* CFriendDialogWindow::MakeTab(MemberList list) {
    auto* page = new QWidget(tabs_);
    auto text = [this, list](bool id) {
        return [this, list, id](size_t row, int role) -> QVariant {
            if (role != Qt::DisplayRole) return {};
            const MemberRow& member = dialog_.Rows(list)[row];
            return QString::fromStdString(id ? member.id : member.desc);
        };
    };
    auto* model = new CRowTableModel(
        observers_[Index(list)], [this, list] { return dialog_.Rows(list).size(); },
        {{label::kIdColumn, text(true)}, {label::kDescColumn, text(false)}});
    models_[Index(list)] = model;
    auto* view = new QTableView(page);
    views_[Index(list)] = view;
    bool friends = list == MemberList::kFriends;
    view->setObjectName(friends ? "friendList" : "blackList");
    view->setAccessibleName(friends ? label::kFriends : label::kBlack);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setColumnWidth(0, 140);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, list](const QModelIndex& current) {
                dialog_.Select(list, current.isValid()
                                         ? std::optional<size_t>(static_cast<size_t>(current.row()))
                                         : std::nullopt);
            });
    connect(view, &QTableView::activated, this, &CFriendDialogWindow::Change);
    auto* remove = new QShortcut(QKeySequence::Delete, view, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &CFriendDialogWindow::Delete);

    auto* buttons = new QVBoxLayout;
    const char* prefix = friends ? "friend" : "black";
    auto button = [&](const char* caption, const char* name, void (CFriendDialogWindow::*slot)()) {
        auto* push = new QPushButton(caption, page);
        push->setObjectName(QString(prefix) + name);
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, slot);
        buttons->addWidget(push);
    };
    button(label::kAdd, "Add", &CFriendDialogWindow::Add);
    button(label::kDelete, "Delete", &CFriendDialogWindow::Delete);
    button(label::kChange, "Change", &CFriendDialogWindow::Change);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(view, 1);
    layout->addLayout(buttons);
    return page;
}

int CFriendDialogWindow::Run(QDialog& dialog) {
    return runner_ ? runner_(dialog) : dialog.exec();
}

void CFriendDialogWindow::Refresh(MemberList list) {
    observers_[Index(list)].Reset();
    dialog_.Select(list, std::nullopt);
}

void CFriendDialogWindow::Add() {
    MemberList list = CurrentList();
    CMemberIdDialog id(
        {}, [this, list](const MemberDialogFields& fields) { return dialog_.Add(list, fields); },
        this);
    if (Run(id) == QDialog::Accepted) Refresh(list);
}

void CFriendDialogWindow::Delete() {
    MemberList list = CurrentList();
    if (!dialog_.Delete(list)) Refresh(list);
}

void CFriendDialogWindow::Change() {
    MemberList list = CurrentList();
    MemberDialogFields fields;
    if (dialog_.BeginChange(list, fields)) return;
    CMemberIdDialog id(
        fields,
        [this, list](const MemberDialogFields& changed) { return dialog_.Change(list, changed); },
        this);
    if (Run(id) == QDialog::Accepted) Refresh(list);
}

}  // namespace velorin
