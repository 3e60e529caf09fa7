#include "app/quote_form_dialog.h"

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPushButton>

namespace ticksmith::app {

QuoteFormDialog::QuoteFormDialog(QWidget* parent) : QDialog(parent) {}

void QuoteFormDialog::ConnectOk(QPushButton* okButton) {
    connect(okButton, &QPushButton::clicked, this, &QuoteFormDialog::OnOk);
}

void QuoteFormDialog::OnOk() {
    const std::optional<portfolio::QuoteFormField> refused =
        m_okHandler ? m_okHandler() : std::nullopt;
    if (!refused) {
        accept();
        return;
    }
    if (QWidget* field = FieldWidget(*refused)) {
        FocusField(field);
    }
}

void FocusField(QWidget* field) {
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) {
        spin->selectAll();
    }
}

QString QtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string CoreText(const QString& text) {
    return text.toStdString();
}

}  // namespace ticksmith::app
