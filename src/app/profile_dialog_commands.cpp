#include "app/profile_dialog_commands.h"

#include "app/dialog_seam.h"
#include "app/profiles_dialog.h"
#include "app/ticksmith_view.h"

namespace ticksmith::app {

namespace {

struct ProfilesOutcome {
    bool closed = false;  // with Close, not Escape
    bool assigned = false;
};

ProfilesOutcome RunProfilesDialog(CTicksmithView& view) {
    ProfilesDialog dialog(view, &view);
    const bool closed = Dialogs().Exec(dialog) == QDialog::Accepted;
    return {closed, dialog.AssignmentMade()};
}

}  // namespace

bool ShowProfilesManagement(CTicksmithView& view) {
    return RunProfilesDialog(view).assigned;
}

bool RunProfileCommand(CTicksmithView& view, CommandId id) {
    if (id != CommandId::kProfiles) {
        return false;
    }
    const ProfilesOutcome outcome = RunProfilesDialog(view);
    // Close starts the grid over at its first row; after Escape the grid keeps its row but
    // must still show the profiles that were assigned.
    if (outcome.assigned) {
        view.FillSymbolsGrid(outcome.closed ? 0 : view.State().selectedSymbolRow);
    }
    return true;
}

}  // namespace ticksmith::app
