#include "app/settings_dialog_commands.h"

#include "app/dialog_seam.h"
#include "app/settings_dialog.h"
#include "app/ticksmith_view.h"
#include "portfolio/discovery.h"

namespace ticksmith::app {

bool RunSettingsCommand(CTicksmithView& view, CommandId id) {
    if (id != CommandId::kSettings) {
        return false;
    }
    SettingsDialog dialog(view.State().settings, view.DriveEntries(), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return true;
    }
    const settings::ViewSettings before = view.State().settings;
    settings::ViewSettings& after = view.State().settings;
    after = dialog.Settings();
    if (!settings::WriteViewSettings(view.Store(), after)) {
        view.Messenger().Show(
            QObject::tr("The settings could not be stored; they apply until Ticksmith ends.")
                .toStdString());
    }
    switch (settings::FollowUpOf(before, after)) {
        case settings::SettingsFollowUp::kRescan:
            // With the filter just switched off, its text may name no drive: the current one
            // is scanned again.
            view.ScanDrive(portfolio::DriveOfFilter(after.searchName, view.DriveEntries())
                               .value_or(view.Drive()));
            break;
        case settings::SettingsFollowUp::kRefillQuotes:
            view.FillQuotesGrid(0);
            break;
        case settings::SettingsFollowUp::kNothing:
            break;
    }
    emit view.StateChanged();
    return true;
}

}  // namespace ticksmith::app
