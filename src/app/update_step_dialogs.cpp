#include "app/update_step_dialogs.h"

#include <ctime>

#include "app/anomaly_report_dialog.h"
#include "app/dialog_seam.h"
#include "app/manual_date_dialog.h"
#include "app/new_symbol_dialog.h"
#include "app/portfolio_dialog_commands.h"
#include "app/quote_form_dialog.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "store/encodings.h"
#include "update/manual_date.h"
#include "update/new_symbols.h"

namespace ticksmith::app {

namespace {

// More names would make the box taller than the screen; the rest are counted.
constexpr std::size_t kFailedFilesNamed = 10;

QString FailedFilesMessage(const std::vector<std::filesystem::path>& failed) {
    QString names;
    for (std::size_t i = 0; i < failed.size() && i < kFailedFilesNamed; ++i) {
        names += QStringLiteral("\n") + QtText(failed[i].string());
    }
    if (failed.size() > kFailedFilesNamed) {
        names +=
            QStringLiteral("\n") + QObject::tr("and %n more", nullptr,
                                               static_cast<int>(failed.size() - kFailedFilesNamed));
    }
    return QObject::tr(
               "The date could not be put into these update files:%1\n\n"
               "Their lines would be read without it, so Update Quotes did not start.")
        .arg(names);
}

store::DayNumber Today() {
    return store::DayNumberOfTime(std::time(nullptr));
}

}  // namespace

bool RunManualDateStep(CTicksmithView& view) {
    QString date;
    {
        // The command runs under the wait cursor; the person answering sees the usual one.
        const ScopedCursor arrow(Qt::ArrowCursor);
        ManualDateDialog dialog(
            QtText(store::FormatDateText(Today(), store::kDateFormatMmDdYy, '/')), &view);
        if (Dialogs().Exec(dialog) != QDialog::Accepted) {
            return false;
        }
        date = dialog.Date();
    }
    update::ManualDateResult result;
    {
        const WaitCursor wait;
        result = update::AssignManualDate(view.State().settings.workingDirectory,
                                          update::ManualDateText(CoreText(date)));
    }
    if (!result.failed.empty()) {
        view.Messenger().Show(CoreText(FailedFilesMessage(result.failed)));
        return false;
    }
    return true;
}

void RunNewSymbolStep(CTicksmithView& view) {
    const std::filesystem::path& workingDirectory = view.State().settings.workingDirectory;
    const store::DayNumber today = Today();
    {
        const WaitCursor wait;
        if (update::IdentifyNewSymbols(workingDirectory, today).empty()) {
            return;
        }
    }
    update::NewSymbolSession session(workingDirectory, view.State().current, view.Store(),
                                     view.Messenger(), today);
    if (!session.Done()) {
        const ScopedCursor arrow(Qt::ArrowCursor);
        NewSymbolDialog dialog(
            session,
            [&view] {
                static_cast<void>(AddPortfolioCommand(view, true));
                return view.State().current;
            },
            &view);
        Dialogs().Exec(dialog);
    }
    view.FillSymbolsGrid(0);
}

void ShowAnomalyReport(QWidget* parent, const update::AnomalyReport& report) {
    AnomalyReportDialog dialog(report, parent);
    Dialogs().Exec(dialog);
}

}  // namespace ticksmith::app
