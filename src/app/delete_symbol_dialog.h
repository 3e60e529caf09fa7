#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class DeleteSymbolDialog;
}

namespace ticksmith::app {

// "Delete Symbol": the selected symbol and the question, No by default. Accepted means Yes.
class DeleteSymbolDialog : public QDialog {
    Q_OBJECT

  public:
    explicit DeleteSymbolDialog(const QString& symbol, QWidget* parent = nullptr);
    ~DeleteSymbolDialog() override;

  private:
    std::unique_ptr<Ui::DeleteSymbolDialog> m_ui;
};

}  // namespace ticksmith::app
