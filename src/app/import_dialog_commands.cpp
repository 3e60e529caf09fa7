#include "app/import_dialog_commands.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <ctime>

#include "app/dialog_seam.h"
#include "app/import_dialog.h"
#include "app/import_progress_dialog.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "portfolio/discovery.h"

namespace ticksmith::app {

namespace {

// The portfolio that received the symbols becomes the current one, in the list and the grids.
void ShowImportedPortfolio(CTicksmithView& view, const std::filesystem::path& directory) {
    portfolio::ViewState& state = view.State();
    if (!state.OpenPortfolio(directory.string(), view.Messenger())) {
        return;
    }
    const portfolio::SearchFilter filter{state.settings.searchLimit, state.settings.searchFilter};
    portfolio::WarnIfFilterHides(state.current.portfolioDir, filter, view.Messenger());
    view.ShowPortfolioList();
    view.FillSymbolsGrid(0);
}

// Several files on a worker while "Importing Quotes" shows which one; the window waits, as it
// does for one file, but keeps painting and can stop the batch between files.
ascii::BatchImportReport ImportBatch(CTicksmithView& view, const ascii::ImportForm& form,
                                     const std::vector<std::string>& files,
                                     store::DayNumber today) {
    ImportProgressDialog dialog(view.window());
    dialog.setWindowModality(Qt::ApplicationModal);
    std::atomic<bool> refreshPosted{false};
    platform::ProgressSink progress([&](const platform::ProgressSnapshot&) {
        // At most one refresh queued; it shows the progress as it is when it runs.
        if (!refreshPosted.exchange(true)) {
            QMetaObject::invokeMethod(
                &dialog,
                [&] {
                    refreshPosted.store(false);
                    dialog.ShowProgress(progress.Snapshot());
                },
                Qt::QueuedConnection);
        }
    });
    QObject::connect(&dialog, &ImportProgressDialog::StopRequested, &dialog,
                     [&progress] { progress.RequestCancel(); });
    ascii::BatchImportReport report;
    // Each file's messages are gathered for the summary rather than shown one by one.
    platform::SilentMessenger silent;
    const std::filesystem::path working = view.State().settings.workingDirectory;
    QThread* worker = QThread::create([&] {
        report =
            ascii::ImportFiles(form, files, true, working, today, silent, view.Store(), &progress);
    });
    QEventLoop loop;
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit);
    const ScopedCursor busy(Qt::BusyCursor);
    dialog.show();
    worker->start();
    loop.exec();
    worker->wait();
    delete worker;
    // Refreshes still queued die with the dialog.
    return report;
}

void ImportCommand(CTicksmithView& view) {
    const std::filesystem::path working = view.State().settings.workingDirectory;
    ImportDialog dialog(ascii::ReadImportForm(view.Store(), working), working, &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    ascii::ImportForm form = dialog.Form();
    const store::DayNumber today = store::DayNumberOfTime(std::time(nullptr));
    if (dialog.Files().empty()) {
        const WaitCursor wait;
        ascii::ImportResult result;
        if (ascii::ImportFromForm(form, working, today, view.Messenger(), view.Store(), &result) ==
            ascii::ImportOutcome::kSucceeded) {
            ShowImportedPortfolio(view, result.outputDirectory);
        }
        return;
    }
    const ascii::BatchImportReport report = ImportBatch(view, form, dialog.Files(), today);
    const bool allImported = !report.refusedFile && !report.Stopped() &&
                             std::all_of(report.outcomes.begin(), report.outcomes.end(),
                                         [](ascii::ImportOutcome outcome) {
                                             return outcome == ascii::ImportOutcome::kSucceeded;
                                         });
    if (report.SymbolsAdded() > 0 && !view.State().settings.soundDisable) {
        view.Messenger().Play(platform::Sound::kAsterisk);
    }
    view.Messenger().Show(report.Summary(), allImported ? platform::MessageIcon::kInformation
                                                        : platform::MessageIcon::kExclamation);
    for (const ascii::ImportResult& result : report.results) {
        if (result.fileNumber != 0) {
            ShowImportedPortfolio(view, result.outputDirectory);
            break;
        }
    }
}

}  // namespace

bool RunImportCommand(CTicksmithView& view, CommandId id) {
    if (id != CommandId::kImport) {
        return false;
    }
    ImportCommand(view);
    return true;
}

}  // namespace ticksmith::app
