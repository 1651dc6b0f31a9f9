#include "ui/dialog_buttons.h"

#include <QDialog>
#include <QPushButton>

namespace velorin {

namespace {
constexpr struct {
    QDialogButtonBox::StandardButton button;
    const char* text;
} kTexts[] = {
    {QDialogButtonBox::Ok, "확인"},
    {QDialogButtonBox::Cancel, "취소"},
    {QDialogButtonBox::Close, "닫기"},
};
}  // namespace

QDialogButtonBox* DialogButtons(QDialog& dialog, QDialogButtonBox::StandardButtons buttons) {
    auto* box = new QDialogButtonBox(buttons, &dialog);
    for (const auto& entry : kTexts) {
        if (QPushButton* button = box->button(entry.button)) button->setText(entry.text);
    }
    QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return box;
}

}  // namespace velorin
