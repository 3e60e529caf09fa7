#pragma once

#include <QDialog>
#include <QPointer>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/window_messenger.h"
#include "ascii/split_search.h"
#include "platform/progress.h"

class QListWidgetItem;
class QThread;

namespace Ui {
class SplitSearchWindow;
}

namespace ticksmith::app {

class CTicksmithView;
class ScopedCursor;

// Portfolio > Split Search...: modeless, one at a time. Search looks through the current
// portfolio's symbols on a worker while the window lists each candidate as it is found;
// Save As writes the list; a double-click shows the candidate's quote in the main window.
class SplitSearchWindow : public QDialog {
    Q_OBJECT

  public:
    // Marks the view's Split Search open until the window is gone; deletes itself on close.
    explicit SplitSearchWindow(CTicksmithView& view, QWidget* parent = nullptr);
    ~SplitSearchWindow() override;

    bool IsSearching() const { return m_thread != nullptr; }
    // Lists a candidate that a search of `portfolio` found.
    void AddCandidate(const ascii::SplitCandidate& candidate, const QString& portfolio);
    // Selects the candidate's portfolio, symbol and quote row in the main window.
    void ShowCandidate(int row);

    void done(int result) override;

  signals:
    // A search has ended and its messages have been shown.
    void SearchDone();

  private:
    void Search();
    void SaveAs();
    void ShowStatus();
    void OnSearchDone();
    // Asks a running search to stop and waits for it.
    void StopSearch();
    void EndThread();

    std::unique_ptr<Ui::SplitSearchWindow> m_ui;
    QPointer<CTicksmithView> m_view;
    WindowMessenger m_messenger;
    QThread* m_thread = nullptr;
    std::unique_ptr<platform::ProgressSink> m_progress;
    std::atomic<bool> m_statusPosted{false};
    // The worker's own copy of the list; the window's list is filled from its reports.
    std::vector<std::string> m_workerResults;
    std::unique_ptr<ScopedCursor> m_busy;
};

}  // namespace ticksmith::app
