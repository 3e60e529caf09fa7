#include "app/transfer_symbol_dialog.h"

#include <algorithm>

#include "app/dialog_buttons.h"
#include "ui_transfer_symbol_dialog.h"

namespace ticksmith::app {

TransferSymbolDialog::TransferSymbolDialog(const QString& title, const QString& symbol,
                                           const QString& name, const QString& portfolio,
                                           const std::vector<std::string>& destinations,
                                           QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::TransferSymbolDialog>()),
      m_destinations(destinations) {
    m_ui->setupUi(this);
    setWindowTitle(title);
    m_ui->symbolLabel->setText(symbol);
    m_ui->nameLabel->setText(name);
    m_ui->portfolioLabel->setText(portfolio);
    for (const std::string& destination : m_destinations) {
        m_ui->destinationList->addItem(QString::fromStdString(destination));
    }
    if (!m_destinations.empty()) {
        m_ui->destinationList->setCurrentRow(0);
    }
    SetUpOkCancel(*this, *m_ui->buttonBox);
    // A double click chooses as OK does.
    connect(m_ui->destinationList, &QListWidget::itemActivated, this, &QDialog::accept);
    // Room for the longest path, within reason; the list scrolls sideways beyond it.
    const int widest =
        m_ui->destinationList->sizeHintForColumn(0) + 2 * m_ui->destinationList->frameWidth();
    m_ui->destinationList->setMinimumWidth(std::min(widest, 60 * fontMetrics().averageCharWidth()));
    m_ui->destinationList->setFocus();
}

TransferSymbolDialog::~TransferSymbolDialog() = default;

std::string TransferSymbolDialog::Destination() const {
    const int row = m_ui->destinationList->currentRow();
    if (row < 0 || row >= static_cast<int>(m_destinations.size()) ||
        m_ui->destinationList->selectedItems().isEmpty()) {
        return {};
    }
    return m_destinations[static_cast<std::size_t>(row)];
}

}  // namespace ticksmith::app
