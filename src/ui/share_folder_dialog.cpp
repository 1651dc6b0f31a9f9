#include "ui/share_folder_dialog.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include "ui/dialog_buttons.h"

namespace velorin {

namespace {
namespace label {
constexpr const char* kTitle = "공유 폴더 설정";
constexpr const char* kName = "폴더명(&N):";
constexpr const char* kPath = "폴더위치(&L):";
constexpr const char* kDesc = "설명(&D):";
constexpr const char* kBrowse = "찾아보기(&B)...";
}  // namespace label

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
}  // namespace

CShareFolderDialog::CShareFolderDialog(const FolderDialogFields& fields, Apply apply,
                                       QWidget* parent)
    : QDialog(parent),
      apply_(std::move(apply)),
      name_(new QLineEdit(this)),
      path_(new QLineEdit(this)),
      desc_(new QLineEdit(this)) {
    setWindowTitle(label::kTitle);
    setObjectName("shareFolderDialog");
    name_->setObjectName("folderName");
    name_->setAccessibleName("폴더명");
    path_->setObjectName("folderPath");
    path_->setAccessibleName("폴더위치");
    desc_->setObjectName("folderDesc");
    desc_->setAccessibleName("설명");

    auto* browse = new QPushButton(label::kBrowse, this);
    browse->setObjectName("folderBrowse");
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &CShareFolderDialog::Browse);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(label::kName, name_);
    auto* pathLabel = new QLabel(label::kPath, this);
    pathLabel->setBuddy(path_);
    form->addRow(pathLabel, pathRow);
    form->addRow(label::kDesc, desc_);
    auto* buttons = DialogButtons(*this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    SetFields(fields);
    path_->setMinimumWidth(fontMetrics().averageCharWidth() * 40);
}

FolderDialogFields CShareFolderDialog::Fields() const {
    return FolderDialogFields{name_->text().toStdString(), path_->text().toStdString(),
                              desc_->text().toStdString()};
}

void CShareFolderDialog::SetFields(const FolderDialogFields& fields) {
    name_->setText(Q(fields.name));
    path_->setText(Q(fields.path));
    desc_->setText(Q(fields.desc));
}

void CShareFolderDialog::accept() {
    if (apply_ && apply_(Fields())) return;
    QDialog::accept();
}

void CShareFolderDialog::Browse() {
    QString folder = QFileDialog::getExistingDirectory(this, label::kTitle, path_->text());
    if (!folder.isEmpty()) path_->setText(folder);
}

}  // namespace velorin
