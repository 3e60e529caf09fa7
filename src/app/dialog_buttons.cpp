#include "app/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace ticksmith::app {

void SetUpOkCancel(QDialog& dialog, QDialogButtonBox& buttons) {
    QPushButton* ok = buttons.button(QDialogButtonBox::Ok);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    buttons.button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    QObject::connect(&buttons, &QDialogButtonBox::accepted, &dialog,
                     [&dialog] { dialog.accept(); });
    QObject::connect(&buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
}

}  // namespace ticksmith::app
