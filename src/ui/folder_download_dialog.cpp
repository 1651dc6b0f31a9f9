#include "ui/folder_download_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/process.h"
#include "views/server_explorer.h"

namespace velorin {

namespace {
namespace text {
constexpr const char* kTitle = "폴더 다운로드 - 폴더 설정";
constexpr const char* kFiles = "파일 개수 :";
constexpr const char* kFolders = "폴더 개수 :";
constexpr const char* kSize = "크기 :";
constexpr const char* kDownloadFolder = "다운로드 폴더 :";
constexpr const char* kLocalName = "폴더 이름(&N) :";
}  // namespace text

QLabel* Value(const QString& value, QWidget* parent) {
    auto* label = new QLabel(value, parent);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
}  // namespace

CFolderDownloadDialog::CFolderDownloadDialog(CProcess& process, FolderDownloadOffer offer,
                                             QWidget* parent)
    : QDialog(parent), process_(process), offer_(std::move(offer)) {
    setObjectName("folderDownloadDialog");
    setWindowTitle(QString::fromUtf8(text::kTitle));
    setAccessibleName(QString::fromUtf8(text::kTitle));
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8(text::kFiles), Value(QString::number(offer_.files), this));
    form->addRow(QString::fromUtf8(text::kFolders), Value(QString::number(offer_.folders), this));
    form->addRow(QString::fromUtf8(text::kSize),
                 Value(QString::fromStdString(offer_.sizeText), this));
    form->addRow(QString::fromUtf8(text::kDownloadFolder),
                 Value(QString::fromStdString(offer_.downloadFolder), this));
    name_ = new QLineEdit(QString::fromStdString(offer_.localName), this);
    name_->setObjectName("folderDownloadName");
    name_->setAccessibleName("폴더 이름");
    form->addRow(QString::fromUtf8(text::kLocalName), name_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("folderDownloadButtons");
    connect(buttons, &QDialogButtonBox::accepted, this, &CFolderDownloadDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CFolderDownloadDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    name_->setFocus();
    name_->selectAll();
}

void CFolderDownloadDialog::accept() {
    ExplorerResult refused =
        process_.Explorer()->ConfirmFolderDownload(offer_.remotePath, name_->text().toStdString());
    // The name texts were shown as a message: the person corrects the name.
    if (refused &&
        (*refused == explorer_text::kNoLocalName || *refused == explorer_text::kBadLocalName)) {
        name_->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace velorin
