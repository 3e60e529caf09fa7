#include "app/quote_dialog_commands.h"

#include "app/add_quote_dialog.h"
#include "app/adjust_dialog.h"
#include "app/delete_quote_dialog.h"
#include "app/dialog_seam.h"
#include "app/edit_quote_dialog.h"
#include "app/series_info_dialog.h"
#include "app/split_dialog.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "portfolio/grid_format.h"
#include "portfolio/quote_commands.h"
#include "store/quotes.h"

namespace ticksmith::app {

namespace {

using portfolio::QuoteFormField;

QString GridDate(store::DayNumber day) {
    return QtText(portfolio::DateText(day));
}

// The grids show the files as the command left them. A failed command may have met files that
// changed behind the grids (another MASTER record answering for the symbol, a quote gone), so
// then both grids are read again.
void Refill(CTicksmithView& view, bool succeeded) {
    if (succeeded) {
        view.FillQuotesGrid(view.State().selectedQuoteRow);
    } else {
        view.FillSymbolsGrid(view.State().selectedSymbolRow);
    }
}

// Runs a form dialog: OK checks the form, and a refused input keeps the dialog open with the
// focus on it; otherwise the command runs under the wait cursor and the grids are refilled.
template <typename Check, typename Command>
void RunForm(CTicksmithView& view, QuoteFormDialog& dialog, Check check, Command command) {
    bool succeeded = false;
    dialog.SetOkHandler([&view, &succeeded, check, command]() -> std::optional<QuoteFormField> {
        if (const std::optional<portfolio::QuoteFormProblem> problem = check()) {
            view.Messenger().Show(problem->message);
            return problem->field;
        }
        const WaitCursor wait;
        succeeded = command();
        return std::nullopt;
    });
    if (Dialogs().Exec(dialog) == QDialog::Accepted) {
        Refill(view, succeeded);
    }
}

void RunEdit(CTicksmithView& view, int row) {
    EditQuoteDialog dialog(view, row, &view);
    RunForm(
        view, dialog, [&] { return portfolio::CheckEditForm(view.State(), dialog.Values()); },
        [&] {
            return portfolio::EditQuote(view.State(), dialog.DateText(), dialog.Values(),
                                        view.Store(), view.Messenger());
        });
}

void RunSplit(CTicksmithView& view) {
    SplitDialog dialog(GridDate(view.State().SelectedQuoteDay()), &view);
    RunForm(
        view, dialog,
        [&] {
            return portfolio::CheckSplitForm(dialog.DateText(), dialog.NewShares(),
                                             dialog.OldShares());
        },
        [&] {
            return portfolio::SplitQuotes(view.State(), dialog.DateText(), dialog.NewShares(),
                                          dialog.OldShares(), view.Store(), view.Messenger());
        });
}

void RunAdjust(CTicksmithView& view) {
    AdjustDialog dialog(GridDate(view.State().firstDay), GridDate(view.State().lastDay), &view);
    RunForm(
        view, dialog, [&] { return portfolio::CheckAdjustForm(view.State(), dialog.Input()); },
        [&] {
            return portfolio::AdjustQuotes(view.State(), dialog.Input(), view.Store(),
                                           view.Messenger()) == portfolio::AdjustResult::kDone;
        });
}

void RunAdd(CTicksmithView& view) {
    const std::optional<std::string> newDate =
        portfolio::NewQuoteDate(view.State(), view.Messenger());
    if (!newDate) {
        return;
    }
    AddQuoteDialog dialog(QtText(*newDate), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    bool succeeded = false;
    {
        const WaitCursor wait;
        succeeded = portfolio::AddQuote(view.State(), *newDate, view.Store(), view.Messenger());
    }
    Refill(view, succeeded);
    if (succeeded) {
        // The copy carries the following day's values until the person corrects them.
        RunEdit(view, view.State().selectedQuoteRow);
    }
}

void RunDelete(CTicksmithView& view) {
    if (!view.State().settings.soundDisable) {
        view.Messenger().Play(platform::Sound::kQuestion);
    }
    const std::string dateText = portfolio::DateText(view.State().SelectedQuoteDay());
    DeleteQuoteDialog dialog(QtText(dateText), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    bool succeeded = false;
    {
        const WaitCursor wait;
        succeeded = portfolio::DeleteQuote(view.State(), dateText, view.Store(), view.Messenger());
    }
    Refill(view, succeeded);
}

void RunAbout(CTicksmithView& view) {
    const portfolio::ViewState& state = view.State();
    store::SeriesInfo info;
    const store::Status status =
        store::GetSeriesInfo(state.current.dataDir, state.currentSymbol, info);
    if (status != store::kSuccess) {
        view.Messenger().Show(store::StatusReport(
            status, store::DescribeSeriesFailure(state.current.dataDir, state.currentSymbol)));
    }
    SeriesInfoDialog dialog(status == store::kSuccess ? &info : nullptr, &view);
    Dialogs().Exec(dialog);
}

}  // namespace

bool RunQuoteCommand(CTicksmithView& view, CommandId id) {
    const bool changesQuotes = id == CommandId::kQuoteEdit || id == CommandId::kQuoteSplit ||
                               id == CommandId::kQuoteAdjust || id == CommandId::kQuoteAdd ||
                               id == CommandId::kQuoteDelete;
    // Said before a form is filled in for nothing.
    if (changesQuotes && portfolio::RefuseIntradayEditing(view.State(), view.Messenger())) {
        return true;
    }
    switch (id) {
        case CommandId::kQuoteEdit:
            RunEdit(view, view.State().selectedQuoteRow);
            return true;
        case CommandId::kQuoteSplit:
            RunSplit(view);
            return true;
        case CommandId::kQuoteAdjust:
            RunAdjust(view);
            return true;
        case CommandId::kQuoteAdd:
            RunAdd(view);
            return true;
        case CommandId::kQuoteDelete:
            RunDelete(view);
            return true;
        case CommandId::kSymbolAbout:
            RunAbout(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
