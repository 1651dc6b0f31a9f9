#pragma once
// "공유 폴더 설정": the folder name, its location and a description. OK hands
// the fields to the page's add or change, and a refusal keeps the dialog open.
#include <QDialog>
#include <functional>

#include "views/share_folder_page.h"

class QLineEdit;

namespace velorin {

class CShareFolderDialog : public QDialog {
    Q_OBJECT
public:
    using Apply = std::function<PageRefusal(const FolderDialogFields& fields)>;

    CShareFolderDialog(const FolderDialogFields& fields, Apply apply, QWidget* parent = nullptr);

    FolderDialogFields Fields() const;
    void SetFields(const FolderDialogFields& fields);

public slots:
    void accept() override;

private:
    void Browse();

    Apply apply_;
    QLineEdit* name_;
    QLineEdit* path_;
    QLineEdit* desc_;
};

}  // namespace velorin
