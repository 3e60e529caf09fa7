#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "portfolio/symbol_commands.h"

namespace Ui {
class FindSymbolDialog;
}

namespace ticksmith::app {

// "Find Symbol": by name or by file number, in the selected portfolio or in all of them.
class FindSymbolDialog : public QDialog {
    Q_OBJECT

  public:
    // Shows why the request cannot be searched for and returns false; true lets the dialog close.
    using Check = std::function<bool(const portfolio::FindRequest& request)>;

    FindSymbolDialog(bool byNumber, bool searchAll, Check check, QWidget* parent = nullptr);
    ~FindSymbolDialog() override;

    portfolio::FindRequest Request() const;

    void accept() override;

  private:
    std::unique_ptr<Ui::FindSymbolDialog> m_ui;
    Check m_check;
};

}  // namespace ticksmith::app
