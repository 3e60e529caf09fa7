#pragma once

#include <memory>
#include <string>

#include "app/quote_form_dialog.h"

namespace Ui {
class SplitDialog;
}

namespace ticksmith::app {

// Quotes > Split...: the split date and the share ratio, new shares for old.
class SplitDialog : public QuoteFormDialog {
    Q_OBJECT

  public:
    SplitDialog(const QString& dateText, QWidget* parent = nullptr);
    ~SplitDialog() override;

    std::string DateText() const;
    std::string NewShares() const;
    std::string OldShares() const;

  protected:
    QWidget* FieldWidget(portfolio::QuoteFormField field) const override;

  private:
    std::unique_ptr<Ui::SplitDialog> m_ui;
};

}  // namespace ticksmith::app
