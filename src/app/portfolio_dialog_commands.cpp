#include "app/portfolio_dialog_commands.h"

#include <algorithm>

#include "app/dialog_seam.h"
#include "app/portfolio_dialogs.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "portfolio/portfolio_files.h"
#include "portfolio/skip_list.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromStdString(text);
}

void DeletePortfolioCommand(CTicksmithView& view) {
    portfolio::ViewState& state = view.State();
    if (!state.settings.soundDisable) {
        view.Messenger().Play(platform::Sound::kQuestion);
    }
    DeletePortfolioDialog dialog(TextOf(state.current.portfolioDir), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A partial failure has been reported; the list is rebuilt either way.
    static_cast<void>(
        portfolio::DeletePortfolioFiles(state.current.portfolioDir, view.Messenger()));
    QApplication::restoreOverrideCursor();
    view.ScanForPortfolios();
}

void SkipAdjustCommand(CTicksmithView& view) {
    SkipAdjustDialog dialog(&view);
    if (Dialogs().Exec(dialog) == QDialog::Accepted) {
        static_cast<void>(portfolio::SkipAdjust(view.State().current.portfolioDir, dialog.SkipAll(),
                                                view.Messenger()));
    }
    view.RefreshSkipMarks();
}

}  // namespace

bool AddPortfolioCommand(CTicksmithView& view, bool selectOrCreate) {
    portfolio::ViewState& state = view.State();
    const std::string start =
        state.current.portfolioDir.size() < 2 ? view.Drive() : state.current.portfolioDir;
    AddPortfolioDialog dialog(TextOf(start), selectOrCreate, view.Messenger(), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return false;
    }
    const portfolio::SearchFilter filter{state.settings.searchLimit, state.settings.searchFilter};
    if (!portfolio::AddPortfolio(dialog.Directory(), state.current, state.portfolios, filter,
                                 view.Messenger())) {
        return false;
    }
    const auto entry =
        std::find(state.portfolios.begin(), state.portfolios.end(), state.current.portfolioDir);
    state.selectedPortfolio =
        entry == state.portfolios.end() ? -1 : static_cast<int>(entry - state.portfolios.begin());
    view.ShowPortfolioList();
    view.FillSymbolsGrid(0);
    return true;
}

bool RunPortfolioCommand(CTicksmithView& view, CommandId id) {
    switch (id) {
        case CommandId::kPortfolioAdd:
            static_cast<void>(AddPortfolioCommand(view, false));
            return true;
        case CommandId::kPortfolioDelete:
            DeletePortfolioCommand(view);
            return true;
        case CommandId::kPortfolioSkipAdjust:
            SkipAdjustCommand(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
