#pragma once

#include <QDialog>
#include <QTimer>
#include <memory>

#include "platform/progress.h"

namespace Ui {
class SearchProgressDialog;
}

namespace ticksmith::app {

// "Searching for Master Files": the count of portfolios found and the directory being
// searched, read from the scan's progress a few times a second so that a fast walk is not
// slowed by repainting. Cancel asks the scan to stop.
class SearchProgressDialog : public QDialog {
    Q_OBJECT

  public:
    SearchProgressDialog(platform::ProgressSink& progress, QWidget* parent = nullptr);
    ~SearchProgressDialog() override;

    // Shows the progress as it stands now.
    void Refresh();

  protected:
    void reject() override;

  private:
    std::unique_ptr<Ui::SearchProgressDialog> m_ui;
    platform::ProgressSink& m_progress;
    QTimer m_timer;
};

}  // namespace ticksmith::app
