#pragma once

class QDialog;
class QDialogButtonBox;

namespace ticksmith::app {

// A form's OK and Cancel: named okButton and cancelButton, OK the default, OK calling the
// dialog's own accept (which may check the form and stay open) and Cancel rejecting.
void SetUpOkCancel(QDialog& dialog, QDialogButtonBox& buttons);

}  // namespace ticksmith::app
