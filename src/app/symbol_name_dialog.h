#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "portfolio/symbol_commands.h"

namespace Ui {
class SymbolNameDialog;
}

namespace ticksmith::app {

// A symbol and its name, side by side: "Add Symbol" (empty) and "Edit Symbol" (the selected
// row's texts), and any other command that asks for a new symbol.
class SymbolNameDialog : public QDialog {
    Q_OBJECT

  public:
    // Checks the typed texts on OK: shows what is wrong and names the field to correct, or
    // nothing to let the dialog close.
    using Check = std::function<std::optional<portfolio::SymbolField>(const std::string& symbol,
                                                                      const std::string& name)>;

    SymbolNameDialog(const QString& title, const QString& symbol, const QString& name, Check check,
                     QWidget* parent = nullptr);
    ~SymbolNameDialog() override;

    std::string Symbol() const;
    std::string Name() const;

    void accept() override;

  private:
    std::unique_ptr<Ui::SymbolNameDialog> m_ui;
    Check m_check;
};

}  // namespace ticksmith::app
