#pragma once
// The sign-in dialog ("로그인") over its model: the fields as it opens, the
// auto-login box enabled only while the password is remembered, the
// confirmation (a refusal keeps the dialog open), the account page link.
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "app/sign_in_dialog.h"

namespace velorin {

class CSignInWindow : public QDialog {
    Q_OBJECT
public:
    CSignInWindow(CSignInDialog model, QWidget* parent = nullptr);

    SignInDialogFields Fields() const;
    QLineEdit* IdField() const { return id_; }
    QLineEdit* PasswordField() const { return password_; }
    QCheckBox* SaveBox() const { return save_; }
    QCheckBox* AutoBox() const { return auto_; }

public slots:
    void accept() override;

private:
    CSignInDialog model_;
    QLineEdit* id_;
    QLineEdit* password_;
    QCheckBox* save_;
    QCheckBox* auto_;
};

}  // namespace velorin
