#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class ManualDateDialog;
}

namespace ticksmith::app {

// "Assign Date Manually ": the date text to put in front of the lines of update files that
// carry no date of their own.
class ManualDateDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ManualDateDialog(const QString& date, QWidget* parent = nullptr);
    ~ManualDateDialog() override;

    QString Date() const;

  private:
    std::unique_ptr<Ui::ManualDateDialog> m_ui;
};

}  // namespace ticksmith::app
