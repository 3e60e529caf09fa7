#include "app/update_quotes_command.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <map>
#include <set>

#include "app/dialog_seam.h"
#include "app/ticksmith_view.h"
#include "app/update_progress_dialog.h"
#include "app/update_step_dialogs.h"
#include "app/wait_cursor.h"
#include "store/quotes.h"
#include "update/run_report.h"
#include "update/undo_update.h"
#include "update/update_run.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Long lists are cut: the person needs the size of the change, not every name.
constexpr std::size_t kListedAtMost = 12;

std::string Listed(const std::vector<std::string>& lines) {
    std::string text;
    for (std::size_t at = 0; at < lines.size() && at < kListedAtMost; ++at) {
        text += "\n    ";
        text += lines[at];
    }
    if (lines.size() > kListedAtMost) {
        text += "\n    ... and ";
        text += std::to_string(lines.size() - kListedAtMost);
        text += " more";
    }
    return text;
}

// "1 quote", "2 quotes". Appended piece by piece: GCC 12 warns falsely on a literal + string.
std::string Counted(long long count, std::string_view one, std::string_view many) {
    std::string text = std::to_string(count);
    text += ' ';
    text += count == 1 ? one : many;
    return text;
}

// What an undo would take away, in the words of the person who ran the update.
std::string UndoQuestion(const update::UndoResult& plan) {
    long long quotes = 0;
    std::set<std::string> portfolios;
    std::vector<std::string> symbols;
    for (const update::UndoneSeries& series : plan.series) {
        quotes += series.quotes;
        portfolios.insert(series.portfolio);
        std::string line =
            series.symbol.empty() ? store::DataFileName(series.fileNumber) : series.symbol;
        line += " in ";
        line += series.portfolio;
        line += ": ";
        line += Counted(series.quotes, "quote", "quotes");
        symbols.push_back(std::move(line));
    }
    std::string text = "The last Update Quotes run added ";
    text += Counted(quotes, "quote", "quotes");
    text += " to ";
    text += Counted(static_cast<long long>(plan.series.size()), "symbol", "symbols");
    text += " in ";
    text += Counted(static_cast<long long>(portfolios.size()), "portfolio:", "portfolios:");
    text += Listed(symbols);
    if (!plan.putBack.empty()) {
        text += "\n\nIt removed these update files; they are put back:";
        text += Listed(plan.putBack);
    }
    if (!plan.changed.empty()) {
        text += "\n\nThese files changed since the run; they are kept as they are:";
        text += Listed(plan.changed);
        text += "\n\nUndo the rest of the run?";
    } else {
        text += "\n\nTake the portfolios back to where the run found them?";
    }
    return text;
}

}  // namespace

void CTicksmithView::OnUpdateQuotes() {
    if (IsUpdating() || IsScanning()) {
        return;
    }
    {
        const WaitCursor wait;
        if (m_view.settings.handAdd && !RunManualDateStep(*this)) {
            return;
        }
        if (m_view.settings.newSymbols) {
            RunNewSymbolStep(*this);
        }
    }
    if (m_view.portfolios.empty()) {
        return;
    }
    m_updateProgress =
        std::make_unique<platform::ProgressSink>([this](const platform::ProgressSnapshot&) {
            // The worker never waits for painting: at most one refresh is queued, and it reads
            // the texts as they are when it runs.
            if (!m_updateRefreshPosted.exchange(true)) {
                QMetaObject::invokeMethod(this, &CTicksmithView::OnUpdateProgress,
                                          Qt::QueuedConnection);
            }
        });
    m_pImPrgDlg = new UpdateProgressDialog(window());
    m_pImPrgDlg->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(m_pImPrgDlg, &UpdateProgressDialog::StopRequested, this, &CTicksmithView::StopUpdate);
    m_pImPrgDlg->show();

    m_updateResult = std::make_unique<update::UpdateResult>();
    m_updateAudit.clear();
    m_closeAfterUpdate = false;
    std::string currentSymbol;
    if (m_view.selectedSymbolRow >= 0 && m_view.selectedSymbolRow < m_view.SymbolCount()) {
        currentSymbol =
            m_view.symbolRows[static_cast<std::size_t>(m_view.selectedSymbolRow)].Symbol();
    }
    m_updateThread = QThread::create(
        [this, portfolios = m_view.portfolios, settings = m_view.settings, currentSymbol] {
            // The run's end (the deletions the settings ask for) happens here, on the worker.
            update::UpdateRun run(settings.workingDirectory, portfolios, settings, currentSymbol,
                                  *m_updateProgress, m_messenger);
            *m_updateResult = run.Run();
            m_updateAudit = run.AuditPath();
        });
    connect(m_updateThread, &QThread::finished, this, &CTicksmithView::OnUpdateDone);
    // The window stays usable for what changes nothing: the busy cursor, not the wait cursor.
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_updateThread->start(QThread::HighestPriority);
    emit StateChanged();
}

UpdateProgressDialog* CTicksmithView::ProgressDialog() const {
    return m_pImPrgDlg;
}

void CTicksmithView::OnUpdateProgress() {
    // Cleared before reading, so that a change made meanwhile queues the next refresh.
    m_updateRefreshPosted.store(false);
    if (m_pImPrgDlg != nullptr && m_updateProgress != nullptr) {
        m_pImPrgDlg->ShowTexts(m_updateProgress->Snapshot());
    }
}

void CTicksmithView::StopUpdate() {
    if (m_updateProgress == nullptr) {
        return;
    }
    m_updateProgress->RequestCancel();
    if (m_pImPrgDlg != nullptr) {
        m_pImPrgDlg->ShowStopping();
    }
}

void CTicksmithView::CloseAfterUpdate() {
    m_closeAfterUpdate = true;
    StopUpdate();
}

void CTicksmithView::EndUpdateThread() {
    m_updateThread->wait();
    delete m_updateThread;
    m_updateThread = nullptr;
    if (m_pImPrgDlg != nullptr) {
        m_lastUpdateTexts = m_pImPrgDlg->Shown();
        m_lastUpdateRefreshes = m_pImPrgDlg->Refreshes();
    }
    delete m_pImPrgDlg;
    m_updateProgress.reset();
    QApplication::restoreOverrideCursor();
}

void CTicksmithView::OnUpdateDone() {
    if (m_updateThread == nullptr) {
        return;
    }
    EndUpdateThread();
    const update::UpdateResult result = *m_updateResult;
    if (m_closeAfterUpdate) {
        emit StateChanged();
        emit CloseRequested();
        return;
    }
    const update::RunReport report = update::BuildRunReport(result, m_updateAudit, m_view.settings);
    if (report.started) {
        if (report.playSound) {
            Messenger().Play(platform::Sound::kAsterisk);
        }
        if (report.refillQuotes && m_view.SymbolCount() > 0) {
            FillQuotesGrid(0);
        }
        for (const std::string& message : report.messages) {
            Messenger().Show(message);
        }
        if (report.anomalyReport) {
            ShowAnomalyReport(this, *report.anomalyReport);
        }
    }
    emit StateChanged();
    emit UpdateDone();
}

void CTicksmithView::AbandonUpdate() {
    if (m_updateThread == nullptr) {
        return;
    }
    StopUpdate();
    // The worker may be waiting for an answer on this thread: keep the events flowing.
    while (!m_updateThread->wait(10)) {
        QCoreApplication::processEvents();
    }
    EndUpdateThread();
}

void UndoLastUpdateCommand(CTicksmithView& view) {
    const std::filesystem::path working = view.State().settings.workingDirectory;
    update::UndoResult plan;
    {
        const WaitCursor wait;
        // Everything the undo could do, changed files included, so the question can name them.
        plan = update::UndoLastUpdate(working, {true, true}, view.Messenger());
    }
    if (plan.outcome != update::UndoResult::Outcome::kUndone) {
        return;  // the core said why
    }
    const QMessageBox::StandardButton answer = Dialogs().Message(
        &view, QMessageBox::Question, QObject::tr("Undo Last Update"), TextOf(UndoQuestion(plan)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        return;
    }
    update::UndoResult done;
    {
        const WaitCursor wait;
        done = update::UndoLastUpdate(working, {false, !plan.changed.empty()}, view.Messenger());
    }
    if (done.outcome == update::UndoResult::Outcome::kUndone) {
        long long quotes = 0;
        for (const update::UndoneSeries& series : done.series) {
            quotes += series.quotes;
        }
        std::string text = "The last Update Quotes run was undone: ";
        text += Counted(quotes, "quote", "quotes");
        text += " taken away, ";
        text += Counted(static_cast<long long>(done.putBack.size()), "update file", "update files");
        text += " put back.";
        view.Messenger().Show(text);
    }
    // Whatever happened, show the files as they are now.
    if (!view.State().portfolios.empty()) {
        view.FillSymbolsGrid(view.State().selectedSymbolRow);
    }
}

bool RunUpdateCommand(CTicksmithView& view, CommandId id) {
    switch (id) {
        case CommandId::kUpdateQuotes:
            view.OnUpdateQuotes();
            return true;
        case CommandId::kUndoLastUpdate:
            UndoLastUpdateCommand(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
