#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TransferSymbolDialog;
}

namespace ticksmith::app {

// "Move Symbol" or "Copy Symbol": the chosen symbol, where it is, and the portfolios it may go to,
// the first one selected.
class TransferSymbolDialog : public QDialog {
    Q_OBJECT

  public:
    TransferSymbolDialog(const QString& title, const QString& symbol, const QString& name,
                         const QString& portfolio, const std::vector<std::string>& destinations,
                         QWidget* parent = nullptr);
    ~TransferSymbolDialog() override;

    // Empty when none is selected.
    std::string Destination() const;

  private:
    std::unique_ptr<Ui::TransferSymbolDialog> m_ui;
    std::vector<std::string> m_destinations;
};

}  // namespace ticksmith::app
