#pragma once
// "폴더 다운로드 - 폴더 설정": a browsed folder's summary and the local name
// it is downloaded under; the confirmation is the explorer's.
#include <QDialog>

#include "platform/user_interface.h"

class QLineEdit;

namespace velorin {

class CProcess;

class CFolderDownloadDialog : public QDialog {
    Q_OBJECT
public:
    CFolderDownloadDialog(CProcess& process, FolderDownloadOffer offer, QWidget* parent = nullptr);

    QLineEdit* NameField() const { return name_; }
    // OK: the dialog stays open while the explorer refuses the name.
    void accept() override;

private:
    CProcess& process_;
    FolderDownloadOffer offer_;
    QLineEdit* name_ = nullptr;
};

}  // namespace velorin
