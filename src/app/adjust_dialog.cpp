#include "app/adjust_dialog.h"

#include <QPushButton>

#include "ui_adjust_dialog.h"

namespace ticksmith::app {

AdjustDialog::AdjustDialog(const QString& firstDate, const QString& lastDate, QWidget* parent)
    : QuoteFormDialog(parent), m_ui(std::make_unique<Ui::AdjustDialog>()) {
    m_ui->setupUi(this);
    m_ui->fromEdit->SetDate(firstDate);
    m_ui->toEdit->SetDate(lastDate);
    const portfolio::AdjustInput unchanged;
    m_ui->priceEdit->setText(QtText(unchanged.price));
    m_ui->volumeEdit->setText(QtText(unchanged.volume));
    m_ui->openInterestEdit->setText(QtText(unchanged.openInterest));
    ConnectOk(m_ui->okButton);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

AdjustDialog::~AdjustDialog() = default;

portfolio::AdjustInput AdjustDialog::Input() const {
    return {CoreText(m_ui->fromEdit->text()), CoreText(m_ui->toEdit->text()),
            CoreText(m_ui->priceEdit->text()), CoreText(m_ui->volumeEdit->text()),
            CoreText(m_ui->openInterestEdit->text())};
}

QWidget* AdjustDialog::FieldWidget(portfolio::QuoteFormField field) const {
    switch (field) {
        case portfolio::QuoteFormField::kFrom:
            return m_ui->fromEdit;
        case portfolio::QuoteFormField::kTo:
            return m_ui->toEdit;
        case portfolio::QuoteFormField::kPriceMultiplier:
            return m_ui->priceEdit;
        case portfolio::QuoteFormField::kVolumeMultiplier:
            return m_ui->volumeEdit;
        case portfolio::QuoteFormField::kOpenInterestMultiplier:
            return m_ui->openInterestEdit;
        default:
            return nullptr;
    }
}

}  // namespace ticksmith::app
