#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class AddQuoteDialog;
}

namespace ticksmith::app {

// Quotes > Add...: the date of the quote to add, a copy of the following trading day.
class AddQuoteDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AddQuoteDialog(const QString& dateText, QWidget* parent = nullptr);
    ~AddQuoteDialog() override;

  private:
    std::unique_ptr<Ui::AddQuoteDialog> m_ui;
};

}  // namespace ticksmith::app
