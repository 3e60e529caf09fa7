#pragma once

#include <QDialog>
#include <functional>
#include <optional>

#include "portfolio/quote_commands.h"

class QPushButton;

namespace ticksmith::app {

// A quote dialog whose OK hands the form to the core: the dialog closes unless the core refused
// an input, which then gets the focus back so that the person can correct it.
class QuoteFormDialog : public QDialog {
    Q_OBJECT

  public:
    // Runs the command on the dialog's texts; the refused input, or nothing to close.
    using OkHandler = std::function<std::optional<portfolio::QuoteFormField>()>;

    explicit QuoteFormDialog(QWidget* parent = nullptr);

    void SetOkHandler(OkHandler handler) { m_okHandler = std::move(handler); }

  protected:
    // Wires `okButton` to the handler; called by each dialog once its form is set up.
    void ConnectOk(QPushButton* okButton);
    // The control of a refused input; null when the dialog has none.
    virtual QWidget* FieldWidget(portfolio::QuoteFormField field) const = 0;

  private:
    void OnOk();

    OkHandler m_okHandler;
};

// Puts the focus on a field a check refused, its text selected for typing over.
void FocusField(QWidget* field);

// A text of the core (UTF-8) for a Qt control, and back.
QString QtText(std::string_view text);
std::string CoreText(const QString& text);

}  // namespace ticksmith::app
