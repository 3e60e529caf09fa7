#pragma once

#include <memory>

#include "app/quote_form_dialog.h"

namespace Ui {
class AdjustDialog;
}

namespace ticksmith::app {

// Quotes > Adjust...: a date range of the series and the multipliers of its prices, volume and
// open interest.
class AdjustDialog : public QuoteFormDialog {
    Q_OBJECT

  public:
    AdjustDialog(const QString& firstDate, const QString& lastDate, QWidget* parent = nullptr);
    ~AdjustDialog() override;

    portfolio::AdjustInput Input() const;

  protected:
    QWidget* FieldWidget(portfolio::QuoteFormField field) const override;

  private:
    std::unique_ptr<Ui::AdjustDialog> m_ui;
};

}  // namespace ticksmith::app
