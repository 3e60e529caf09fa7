#include "app/split_dialog.h"

#include <QPushButton>

#include "ui_split_dialog.h"

namespace ticksmith::app {

SplitDialog::SplitDialog(const QString& dateText, QWidget* parent)
    : QuoteFormDialog(parent), m_ui(std::make_unique<Ui::SplitDialog>()) {
    m_ui->setupUi(this);
    m_ui->splitDateEdit->SetDate(dateText);
    m_ui->newSharesEdit->setText(QStringLiteral("1"));
    m_ui->oldSharesEdit->setText(QStringLiteral("1"));
    ConnectOk(m_ui->okButton);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SplitDialog::~SplitDialog() = default;

std::string SplitDialog::DateText() const {
    return CoreText(m_ui->splitDateEdit->text());
}

std::string SplitDialog::NewShares() const {
    return CoreText(m_ui->newSharesEdit->text());
}

std::string SplitDialog::OldShares() const {
    return CoreText(m_ui->oldSharesEdit->text());
}

QWidget* SplitDialog::FieldWidget(portfolio::QuoteFormField field) const {
    switch (field) {
        case portfolio::QuoteFormField::kDate:
            return m_ui->splitDateEdit;
        case portfolio::QuoteFormField::kNewShares:
            return m_ui->newSharesEdit;
        case portfolio::QuoteFormField::kOldShares:
            return m_ui->oldSharesEdit;
        default:
            return nullptr;
    }
}

}  // namespace ticksmith::app
