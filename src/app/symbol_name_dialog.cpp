#include "app/symbol_name_dialog.h"

#include "app/dialog_buttons.h"
#include "ui_symbol_name_dialog.h"

namespace ticksmith::app {

SymbolNameDialog::SymbolNameDialog(const QString& title, const QString& symbol, const QString& name,
                                   Check check, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SymbolNameDialog>()), m_check(std::move(check)) {
    m_ui->setupUi(this);
    setWindowTitle(title);
    m_ui->symbolEdit->setText(symbol);
    m_ui->nameEdit->setText(name);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    m_ui->symbolEdit->setFocus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SymbolNameDialog::~SymbolNameDialog() = default;

std::string SymbolNameDialog::Symbol() const {
    return m_ui->symbolEdit->text().toStdString();
}

std::string SymbolNameDialog::Name() const {
    return m_ui->nameEdit->text().toStdString();
}

void SymbolNameDialog::accept() {
    if (const auto field = m_check(Symbol(), Name())) {
        QLineEdit* edit =
            *field == portfolio::SymbolField::kName ? m_ui->nameEdit : m_ui->symbolEdit;
        edit->setFocus();
        edit->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace ticksmith::app
