#pragma once
// The button row of our dialogs, with the program's own Korean texts (Qt's
// translations of the standard buttons may not be installed).
#include <QDialogButtonBox>

namespace velorin {

// OK, Cancel or Close, wired to the dialog's accept and reject.
QDialogButtonBox* DialogButtons(QDialog& dialog, QDialogButtonBox::StandardButtons buttons);

}  // namespace velorin
