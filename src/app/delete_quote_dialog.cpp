#include "app/delete_quote_dialog.h"

#include <QPushButton>

#include "ui_delete_quote_dialog.h"

namespace ticksmith::app {

DeleteQuoteDialog::DeleteQuoteDialog(const QString& dateText, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::DeleteQuoteDialog>()) {
    m_ui->setupUi(this);
    m_ui->dateLabel->setText(dateText);
    connect(m_ui->yesButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->noButton, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->noButton->setFocus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

DeleteQuoteDialog::~DeleteQuoteDialog() = default;

}  // namespace ticksmith::app
