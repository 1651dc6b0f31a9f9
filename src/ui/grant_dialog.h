#pragma once
// "권한 설정": a member's ID, a description, the four rights and "전체 허용",
// which puts "[all]" in the ID and locks it. OK hands the fields to the
// page's add or change; a refusal keeps the dialog open.
#include <QDialog>
#include <functional>

#include "views/share_folder_page.h"

class QCheckBox;
class QLineEdit;

namespace velorin {

class CGrantDialog : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<PageRefusal(const GrantDialogFields& fields)>;

    CGrantDialog(const GrantDialogFields& fields, Apply apply, QWidget* parent = nullptr);

    GrantDialogFields Fields() const;
    void SetFields(const GrantDialogFields& fields);

public slots:
    void accept() override;

private:
    void SetEveryone(bool on);
    void ShowBoxes(const GrantBoxes& boxes);

    Apply apply_;
    QLineEdit* id_;
    QLineEdit* desc_;
    QCheckBox* everyone_;
    QCheckBox* browse_;
    QCheckBox* download_;
    QCheckBox* upload_;
    QCheckBox* adult_;
};

}  // namespace velorin
