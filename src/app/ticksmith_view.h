#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/window_messenger.h"
#include "platform/progress.h"
#include "portfolio/view_state.h"
#include "settings/settings_store.h"

class QProgressBar;
class QStatusBar;
class QThread;
class QTableView;
class QMenu;

namespace Ui {
class CTicksmithView;
}

namespace ticksmith::update {
struct UpdateResult;
}

namespace ticksmith::app {

class GraphWidget;
class PortfolioListModel;
class SymbolGridModel;
class QuoteGridModel;
class SearchProgressDialog;
class UpdateProgressDialog;

// The main window's form: the drive box and portfolio list, the symbol grid and the quote
// grid, over the view state that every command works on. It renders that state and turns the
// person's choices into calls of the core.
class CTicksmithView : public QWidget {
    Q_OBJECT

  public:
    CTicksmithView(settings::SettingsStore& store, const settings::ViewSettings& settings,
                   QWidget* parent = nullptr);
    ~CTicksmithView() override;

    // The status bar over whose message pane the quote grid's progress bar is placed.
    void SetStatusBar(QStatusBar* statusBar);

    // The deferred start-up: column widths, the check marks, the drive box and the scan.
    void StartUp();
    bool HasStarted() const { return m_started; }

    // Rebuilds the portfolio list of the current drive on a worker; the window stays live
    // and the progress dialog can cancel it.
    void ScanForPortfolios();
    bool IsScanning() const { return m_scanThread != nullptr; }
    // Stops a running scan and waits for it (closing the window).
    void StopScan();

    // Update Quotes: the manual-date and new-symbol steps, then the run on a worker while
    // "Updating Quotes" shows its texts; OnUpdateDone ends it.
    void OnUpdateQuotes();
    bool IsUpdating() const { return m_updateThread != nullptr; }
    // Asks the run to stop after the symbol it is working on.
    void StopUpdate();
    // Closing the window during a run: stop it, and close once it has ended.
    void CloseAfterUpdate();
    bool ClosingAfterUpdate() const { return m_closeAfterUpdate; }
    UpdateProgressDialog* ProgressDialog() const;
    // The texts "Updating Quotes" showed when the last run ended, and how often it refreshed.
    const platform::ProgressSnapshot& LastUpdateTexts() const { return m_lastUpdateTexts; }
    long long LastUpdateRefreshes() const { return m_lastUpdateRefreshes; }

    void FillSymbolsGrid(int row);
    void FillQuotesGrid(int row);
    void ClearLists(int level);

    // Runs a command when it is enabled where it was chosen (a context menu has rules of its
    // own).
    void Execute(CommandId id, Place place = Place::kMenu);
    CommandContext Context() const;
    bool IsChecked(CommandId id) const;
    // A context menu of one of the controls, with the items enabled as it opens.
    std::unique_ptr<QMenu> ContextMenu(Place place);

    QString TitleText() const;
    QString SymbolPaneText() const;
    QString QuotePaneText() const;
    QString DisplayPaneText() const;
    bool DisplayPaneEnabled() const;

    // The grids' client widths and column widths, for the stored settings.
    void WriteColumnWidths();
    // The height of the form's controls, from which the first placement is made.
    int FormHeight() const;

    // Room for the three groups at their natural widths.
    QSize sizeHint() const override;

    const portfolio::ViewState& State() const { return m_view; }
    // For the commands' dialogs, which hand it to the core and then refill the grids.
    portfolio::ViewState& State() { return m_view; }
    settings::SettingsStore& Store() { return m_store; }
    // Shows the portfolio list again after a command changed it (the current entry selected).
    void ShowPortfolioList();
    // Reads the current portfolio's skip flags again and redraws the grid and the list.
    void RefreshSkipMarks();
    // Marks a Split Search window open or closed, for the enabling rules.
    void SetSplitSearchOpen(bool open);
    const std::string& Drive() const { return m_drive; }
    // The drive box's entries, in its order.
    const std::vector<std::string>& DriveEntries() const { return m_driveEntries; }
    // Makes `entry` of the drive box the drive and scans it afresh, even when it is current
    // (a changed search filter).
    void ScanDrive(const std::string& entry);
    platform::Messenger& Messenger() { return m_messenger; }
    // The price graph that stands in place of the quote grid while it is switched on.
    const GraphWidget& Graph() const;

  signals:
    // The enabling, the checks, the title or the status texts may have changed.
    void StateChanged();
    void ScanFinished();
    // Update Quotes has ended and its messages have been shown.
    void UpdateDone();
    void CloseRequested();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetUpGrid(QTableView* grid);
    void FillDriveBox();
    void OnDriveChosen(int index);
    void OnScanFinished();
    void OnPortfolioChosen(int row);
    void OnSymbolRowChosen(int row);
    void OnQuoteRowChosen(int row);
    void ShowSymbolRows();
    void ShowQuoteRows();
    void ReportSkipFileTrouble();
    void OnUnknownPortfolioMark(int row);
    void ToggleRecent();
    void ToggleGraph();
    // Reads the selected symbol's newest quotes into the graph while it is shown.
    void RefreshGraph();
    void ToggleSkip();
    void ShowContextMenu(Place place, const QPoint& globalPosition);
    void ApplyColumnWidths();
    void OnUpdateProgress();
    void OnUpdateDone();
    void EndUpdateThread();
    // Stops a run and waits for it without its end-of-run messages (the view is going).
    void AbandonUpdate();

    std::unique_ptr<Ui::CTicksmithView> m_ui;
    settings::SettingsStore& m_store;
    portfolio::ViewState m_view;
    WindowMessenger m_messenger;
    std::string m_drive;
    std::vector<std::string> m_driveEntries;

    PortfolioListModel* m_portfolioModel;
    SymbolGridModel* m_symbolModel;
    QuoteGridModel* m_quoteModel;

    QPointer<QStatusBar> m_statusBar;
    QProgressBar* m_quoteProgressBar = nullptr;

    QThread* m_scanThread = nullptr;
    std::unique_ptr<platform::ProgressSink> m_scanProgress;
    QPointer<SearchProgressDialog> m_scanDialog;
    std::vector<std::string> m_scanResults;

    QPointer<UpdateProgressDialog> m_pImPrgDlg;
    QThread* m_updateThread = nullptr;
    std::unique_ptr<platform::ProgressSink> m_updateProgress;
    std::atomic<bool> m_updateRefreshPosted{false};
    std::unique_ptr<update::UpdateResult> m_updateResult;
    std::filesystem::path m_updateAudit;
    bool m_closeAfterUpdate = false;
    platform::ProgressSnapshot m_lastUpdateTexts;
    long long m_lastUpdateRefreshes = 0;

    bool m_firstPaint = false;
    bool m_started = false;
    bool m_splitSearchOpen = false;
    bool m_fillingGrids = false;
    // Each skip-file complaint of the drawing code is made once per run.
    bool m_gridSkipComplaint = false;
    bool m_listSkipComplaint = false;
};

}  // namespace ticksmith::app
