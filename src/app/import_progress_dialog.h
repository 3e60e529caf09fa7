#pragma once

#include <QDialog>
#include <memory>

#include "platform/progress.h"

class QPushButton;

namespace Ui {
class ImportProgressDialog;
}

namespace ticksmith::app {

// "Importing Quotes": which file of a batch is being imported, and Stop, which ends the batch
// after that file; what was imported is kept.
class ImportProgressDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ImportProgressDialog(QWidget* parent = nullptr);
    ~ImportProgressDialog() override;

    void ShowProgress(const platform::ProgressSnapshot& snapshot);
    void ShowStopping();

  signals:
    void StopRequested();

  protected:
    // Escape and the close box stop the batch as Stop does; the batch closes the dialog.
    void reject() override;

  private:
    std::unique_ptr<Ui::ImportProgressDialog> m_ui;
    QPushButton* m_stopButton = nullptr;
};

}  // namespace ticksmith::app
