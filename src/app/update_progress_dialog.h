#pragma once

#include <QDialog>
#include <memory>

#include "platform/progress.h"

class QPushButton;

namespace Ui {
class UpdateProgressDialog;
}

namespace ticksmith::app {

// "Updating Quotes": the run's six texts as its worker last set them, and Stop, which asks the
// run to end after the symbol it is working on.
class UpdateProgressDialog : public QDialog {
    Q_OBJECT

  public:
    explicit UpdateProgressDialog(QWidget* parent = nullptr);
    ~UpdateProgressDialog() override;

    void ShowTexts(const platform::ProgressSnapshot& snapshot);
    // The person asked to stop (or to close the window): the button has done its work.
    void ShowStopping();
    // What it shows now, and how often it was refreshed (the benchmark's count).
    const platform::ProgressSnapshot& Shown() const { return m_shown; }
    long long Refreshes() const { return m_refreshes; }

  signals:
    void StopRequested();

  protected:
    // The run decides when the dialog goes; Escape and the close box do not end it.
    void reject() override {}

  private:
    std::unique_ptr<Ui::UpdateProgressDialog> m_ui;
    QPushButton* m_stopButton = nullptr;
    platform::ProgressSnapshot m_shown;
    long long m_refreshes = 0;
};

}  // namespace ticksmith::app
