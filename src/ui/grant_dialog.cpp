#include "ui/grant_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include "ui/dialog_buttons.h"

namespace velorin {

namespace {
namespace label {
constexpr const char* kTitle = "권한 설정";
constexpr const char* kId = "사용자 ID(&I):";
constexpr const char* kDesc = "설명(&D):";
constexpr const char* kEveryone = "전체 허용(&E)";
constexpr const char* kRights = "권한";
constexpr const char* kBrowse = "목록보기(&L)";
constexpr const char* kDownload = "다운로드(&W)";
constexpr const char* kUpload = "업로드(&U)";
constexpr const char* kAdult = "성인(&A)";
}  // namespace label

QCheckBox* Box(const char* text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(name);
    return box;
}
}  // namespace

CGrantDialog::CGrantDialog(const GrantDialogFields& fields, Apply apply, QWidget* parent)
    : QDialog(parent),
      apply_(std::move(apply)),
      id_(new QLineEdit(this)),
      desc_(new QLineEdit(this)),
      everyone_(Box(label::kEveryone, "grantEveryone", this)),
      browse_(Box(label::kBrowse, "grantBrowse", this)),
      download_(Box(label::kDownload, "grantDownload", this)),
      upload_(Box(label::kUpload, "grantUpload", this)),
      adult_(Box(label::kAdult, "grantAdult", this)) {
    setWindowTitle(label::kTitle);
    setObjectName("grantDialog");
    id_->setObjectName("grantId");
    id_->setAccessibleName("사용자 ID");
    desc_->setObjectName("grantDesc");
    desc_->setAccessibleName("설명");
    connect(everyone_, &QCheckBox::toggled, this, &CGrantDialog::SetEveryone);

    auto* idRow = new QHBoxLayout;
    idRow->addWidget(id_, 1);
    idRow->addWidget(everyone_);
    auto* form = new QFormLayout;
    auto* idLabel = new QLabel(label::kId, this);
    idLabel->setBuddy(id_);
    form->addRow(idLabel, idRow);
    form->addRow(label::kDesc, desc_);
    auto* rights = new QGroupBox(label::kRights, this);
    auto* boxes = new QHBoxLayout(rights);
    for (QCheckBox* box : {browse_, download_, upload_, adult_}) boxes->addWidget(box);
    auto* buttons = DialogButtons(*this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(rights);
    layout->addWidget(buttons);
    SetFields(fields);
}

GrantDialogFields CGrantDialog::Fields() const {
    GrantDialogFields fields;
    fields.id = id_->text().toStdString();
    fields.desc = desc_->text().toStdString();
    fields.boxes = GrantBoxes{browse_->isChecked(), download_->isChecked(), upload_->isChecked(),
                              adult_->isChecked()};
    fields.everyone = everyone_->isChecked();
    return fields;
}

void CGrantDialog::SetFields(const GrantDialogFields& fields) {
    {
        QSignalBlocker block(everyone_);
        everyone_->setChecked(fields.everyone);
    }
    id_->setText(QString::fromStdString(fields.id));
    id_->setReadOnly(fields.everyone);
    desc_->setText(QString::fromStdString(fields.desc));
    ShowBoxes(fields.boxes);
}

void CGrantDialog::SetEveryone(bool on) {
    GrantDialogFields fields = Fields();
    fields.SetEveryone(on);
    id_->setText(QString::fromStdString(fields.id));
    id_->setReadOnly(on);
}

void CGrantDialog::ShowBoxes(const GrantBoxes& boxes) {
    browse_->setChecked(boxes.browse);
    download_->setChecked(boxes.download);
    upload_->setChecked(boxes.upload);
    adult_->setChecked(boxes.adult);
}

void CGrantDialog::accept() {
    GrantDialogFields fields = Fields();
    PageRefusal refusal = apply_ ? apply_(fields) : std::nullopt;
    // The boxes as the page stored them: download brings browse along.
    bool corrected = false;
    PermissionFromBoxes(fields.boxes, corrected);
    ShowBoxes(fields.boxes);
    if (refusal) return;
    QDialog::accept();
}

}  // namespace velorin
