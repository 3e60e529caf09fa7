#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class DeleteQuoteDialog;
}

namespace ticksmith::app {

// Quotes > Delete...: asks whether the selected row's quote goes; No is the default.
class DeleteQuoteDialog : public QDialog {
    Q_OBJECT

  public:
    explicit DeleteQuoteDialog(const QString& dateText, QWidget* parent = nullptr);
    ~DeleteQuoteDialog() override;

  private:
    std::unique_ptr<Ui::DeleteQuoteDialog> m_ui;
};

}  // namespace ticksmith::app
