#include "ui/sign_in_window.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/settings.h"
#include "platform/text_encoding.h"
#include "ui/icons.h"

namespace velorin {

CSignInWindow::CSignInWindow(CSignInDialog model, QWidget* parent)
    : QDialog(parent), model_(std::move(model)) {
    setObjectName(QStringLiteral("signInDialog"));
    setWindowTitle(QString::fromUtf8(sign_in_dialog_text::kTitle));
    setWindowIcon(AppIcon());
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    id_ = new QLineEdit(this);
    id_->setMaxLength(static_cast<int>(kUserIdLimit));
    id_->setAccessibleName(QStringLiteral("아이디"));
    password_ = new QLineEdit(this);
    password_->setEchoMode(QLineEdit::Password);
    password_->setMaxLength(static_cast<int>(kPasswordLimit));
    password_->setAccessibleName(QStringLiteral("비밀번호"));
    form->addRow(QStringLiteral("아이디(&I)"), id_);
    form->addRow(QStringLiteral("비밀번호(&P)"), password_);
    layout->addLayout(form);
    save_ = new QCheckBox(QStringLiteral("아이디/비밀번호 기억"), this);
    auto_ = new QCheckBox(QStringLiteral("프로그램 시작시 자동 로그인"), this);
    layout->addWidget(save_);
    layout->addWidget(auto_);
    auto* account = new QLabel(QStringLiteral("<a href=\"account\">회원 정보</a>"), this);
    account->setAccessibleName(QStringLiteral("회원 정보"));
    connect(account, &QLabel::linkActivated, this, [this] { model_.OpenAccountPage(Fields()); });
    layout->addWidget(account);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("확인"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("취소"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CSignInWindow::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CSignInWindow::reject);
    layout->addWidget(buttons);

    SignInDialogFields fields = model_.Open();
    id_->setText(QString::fromStdString(fields.userId));
    password_->setText(QString::fromStdString(fields.password));
    save_->setChecked(fields.savePassword);
    auto_->setChecked(fields.autoLogin);
    auto_->setEnabled(fields.AutoLoginEnabled());
    // The second box only counts while the first is ticked.
    connect(save_, &QCheckBox::toggled, this, [this](bool on) {
        auto_->setEnabled(on);
        if (!on) auto_->setChecked(false);
    });
    (fields.userId.empty() ? id_ : password_)->setFocus();
}

SignInDialogFields CSignInWindow::Fields() const {
    return SignInDialogFields{id_->text().toStdString(), password_->text().toStdString(),
                              save_->isChecked(), auto_->isChecked()};
}

void CSignInWindow::accept() {
    if (model_.Confirm(Fields())) return;
    QDialog::accept();
}

}  // namespace velorin
