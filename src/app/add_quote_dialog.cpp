#include "app/add_quote_dialog.h"

#include <QPushButton>

#include "ui_add_quote_dialog.h"

namespace ticksmith::app {

AddQuoteDialog::AddQuoteDialog(const QString& dateText, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::AddQuoteDialog>()) {
    m_ui->setupUi(this);
    m_ui->newDateLabel->setText(dateText);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

AddQuoteDialog::~AddQuoteDialog() = default;

}  // namespace ticksmith::app
