#include "app/delete_symbol_dialog.h"

#include <QPushButton>

#include "ui_delete_symbol_dialog.h"

namespace ticksmith::app {

DeleteSymbolDialog::DeleteSymbolDialog(const QString& symbol, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::DeleteSymbolDialog>()) {
    m_ui->setupUi(this);
    m_ui->symbolLabel->setText(symbol);
    QPushButton* yes = m_ui->buttonBox->button(QDialogButtonBox::Yes);
    QPushButton* no = m_ui->buttonBox->button(QDialogButtonBox::No);
    yes->setObjectName(QStringLiteral("yesButton"));
    no->setObjectName(QStringLiteral("noButton"));
    // A slip of the Enter key must not delete years of quotes.
    yes->setAutoDefault(false);
    no->setDefault(true);
    no->setFocus();
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(no, &QPushButton::clicked, this, &QDialog::reject);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

DeleteSymbolDialog::~DeleteSymbolDialog() = default;

}  // namespace ticksmith::app
