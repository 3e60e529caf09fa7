#pragma once

#include <array>
#include <memory>
#include <string>

#include "app/quote_form_dialog.h"

namespace Ui {
class EditQuoteDialog;
}

namespace ticksmith::app {

class CTicksmithView;

// Quotes > Edit...: one quote grid row's six values as the grid shows them, with buttons that
// move through the rows. Going past the newest 30 rows of "RECENT" first shows all quotes.
class EditQuoteDialog : public QuoteFormDialog {
    Q_OBJECT

  public:
    EditQuoteDialog(CTicksmithView& view, int row, QWidget* parent = nullptr);
    ~EditQuoteDialog() override;

    int Row() const { return m_row; }
    std::string DateText() const;
    std::array<std::string, 6> Values() const;

  protected:
    QWidget* FieldWidget(portfolio::QuoteFormField field) const override;

  private:
    void ShowRow(int row);
    // Toward the oldest quote; under "RECENT" the grid first shows them all.
    void MoveOlder(bool toOldest);
    // Older quotes exist than the row shown, in the grid or, under "RECENT", in the file.
    bool HasOlder() const;

    std::unique_ptr<Ui::EditQuoteDialog> m_ui;
    CTicksmithView& m_view;
    int m_row = 0;
};

}  // namespace ticksmith::app
