#include "app/find_symbol_dialog.h"

#include "app/dialog_buttons.h"
#include "ui_find_symbol_dialog.h"

namespace ticksmith::app {

FindSymbolDialog::FindSymbolDialog(bool byNumber, bool searchAll, Check check, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::FindSymbolDialog>()), m_check(std::move(check)) {
    m_ui->setupUi(this);
    (byNumber ? m_ui->numberRadio : m_ui->nameRadio)->setChecked(true);
    m_ui->searchAllCheck->setChecked(searchAll);
    m_ui->searchAllCheck->setEnabled(!byNumber);
    // A file number names a symbol of the current portfolio only.
    connect(m_ui->nameRadio, &QRadioButton::toggled, m_ui->searchAllCheck, &QWidget::setEnabled);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    m_ui->textEdit->setFocus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

FindSymbolDialog::~FindSymbolDialog() = default;

portfolio::FindRequest FindSymbolDialog::Request() const {
    return {m_ui->textEdit->text().toStdString(), m_ui->numberRadio->isChecked(),
            m_ui->searchAllCheck->isChecked()};
}

void FindSymbolDialog::accept() {
    if (!m_check(Request())) {
        m_ui->textEdit->setFocus();
        m_ui->textEdit->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace ticksmith::app
