#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class NoticeDialog;
}

namespace ticksmith::app {

// A message that is a dialog of its own ("Fix Master File"): its text, OK, Cancel when there
// is a choice, and Help for the dialog's help page.
class NoticeDialog : public QDialog {
    Q_OBJECT

  public:
    NoticeDialog(const QString& title, const QString& text, bool offerCancel,
                 QWidget* parent = nullptr);
    ~NoticeDialog() override;

  private:
    std::unique_ptr<Ui::NoticeDialog> m_ui;
};

}  // namespace ticksmith::app
