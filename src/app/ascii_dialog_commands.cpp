#include "app/ascii_dialog_commands.h"

#include "app/dialog_seam.h"
#include "app/export_dialog.h"
#include "app/split_search_window.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "ascii/export.h"

namespace ticksmith::app {

namespace {

// The export changes no portfolio file, so the grids stay as they are, selections included.
void Export(CTicksmithView& view) {
    const portfolio::ViewState& state = view.State();
    ExportDialog dialog(ascii::ReadExportChoices(view.Store()), state.settings.workingDirectory,
                        view.Messenger(), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const WaitCursor wait;
    if (dialog.AllSymbols()) {
        static_cast<void>(ascii::ExportAllSymbols(state.current.portfolioDir, dialog.Folder(),
                                                  dialog.Choices(), state.settings.workingDirectory,
                                                  view.Store(), state.settings.soundDisable,
                                                  view.Messenger()));
    } else {
        static_cast<void>(ascii::ExportQuotes(state.current.dataDir, state.currentSymbol,
                                              dialog.Choices(), state.settings.workingDirectory,
                                              view.Store(), state.settings.soundDisable,
                                              view.Messenger()));
    }
}

void OpenSplitSearch(CTicksmithView& view) {
    auto* window = new SplitSearchWindow(view, view.window());
    window->show();
}

}  // namespace

bool RunAsciiCommand(CTicksmithView& view, CommandId id) {
    switch (id) {
        case CommandId::kExport:
            Export(view);
            return true;
        case CommandId::kSplitSearch:
            OpenSplitSearch(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
