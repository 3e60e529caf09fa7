#include "app/symbol_dialog_commands.h"

#include <algorithm>
#include <ctime>

#include "app/delete_symbol_dialog.h"
#include "app/dialog_seam.h"
#include "app/find_symbol_dialog.h"
#include "app/profile_dialog_commands.h"
#include "app/symbol_name_dialog.h"
#include "app/ticksmith_view.h"
#include "app/transfer_symbol_dialog.h"
#include "app/wait_cursor.h"
#include "portfolio/symbol_commands.h"
#include "settings/setting_keys.h"

namespace ticksmith::app {

namespace {

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A name as MASTER pads it, without the padding.
QString NameText(const std::string& name) {
    return TextOf(name.substr(0, name.find_last_not_of(' ') + 1));
}

// The grids as the files now are, with the row the command left selected. A refused command
// refills too: the person then sees what is really there.
void Refill(CTicksmithView& view) {
    view.FillSymbolsGrid(view.State().selectedSymbolRow);
}

enum class Form { kAdd, kEdit };

// The Add and Edit forms' check on OK: the core's first problem shown, its field focused.
SymbolNameDialog::Check FormCheck(CTicksmithView& view, Form form) {
    return [&view, form](const std::string& symbol,
                         const std::string& name) -> std::optional<portfolio::SymbolField> {
        const std::string& directory = view.State().current.portfolioDir;
        const auto problem =
            form == Form::kAdd
                ? portfolio::CheckSymbolForm(directory, portfolio::AddSymbolFormOf(symbol, name),
                                             portfolio::kAddSymbolMissing)
                : portfolio::CheckSymbolForm(directory, {symbol, name},
                                             portfolio::kEditSymbolMissing);
        if (!problem) {
            return std::nullopt;
        }
        view.Messenger().Show(problem->message);
        return problem->field;
    };
}

void AddSymbol(CTicksmithView& view) {
    SymbolNameDialog dialog(QObject::tr("Add Symbol"), {}, {}, FormCheck(view, Form::kAdd), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const portfolio::AddSymbolResult result =
        portfolio::AddSymbolCommand(view.State(), dialog.Symbol(), dialog.Name(), std::nullopt,
                                    store::DayNumberOfTime(std::time(nullptr)), view.Messenger());
    Refill(view);
    // A symbol added without a profile is never updated: offer to assign one at once.
    const std::string symbol = portfolio::AddSymbolFormOf(dialog.Symbol(), dialog.Name()).symbol;
    if (result == portfolio::AddSymbolResult::kAdded && view.State().SymbolRowOf(symbol) >= 0 &&
        ShowProfilesManagement(view)) {
        Refill(view);
    }
}

void DeleteSymbol(CTicksmithView& view) {
    if (!view.State().settings.soundDisable) {
        view.Messenger().Play(platform::Sound::kQuestion);
    }
    DeleteSymbolDialog dialog(TextOf(view.State().currentSymbol), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    static_cast<void>(portfolio::DeleteSymbol(view.State(), view.Messenger()));
    Refill(view);
}

void TransferSymbol(CTicksmithView& view, portfolio::Transfer transfer) {
    const portfolio::ViewState& state = view.State();
    TransferSymbolDialog dialog(transfer == portfolio::Transfer::kMove ? QObject::tr("Move Symbol")
                                                                       : QObject::tr("Copy Symbol"),
                                TextOf(state.currentSymbol), NameText(state.currentName),
                                TextOf(state.current.portfolioDir),
                                portfolio::TransferDestinations(state), &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const std::string destination = dialog.Destination();
    if (destination.empty()) {
        return;
    }
    const WaitCursor busy;
    static_cast<void>(
        portfolio::TransferSymbol(view.State(), destination, transfer, view.Messenger()));
    Refill(view);
}

void EditSymbol(CTicksmithView& view) {
    SymbolNameDialog dialog(QObject::tr("Edit Symbol"), TextOf(view.State().currentSymbol),
                            NameText(view.State().currentName), FormCheck(view, Form::kEdit),
                            &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    const int fileNumber = view.State().SelectedFileNumber();
    if (!portfolio::EditSymbol(view.State(), dialog.Symbol(), dialog.Name(), view.Messenger())) {
        Refill(view);
        return;
    }
    // The new symbol may sort elsewhere: the row follows the symbol's file number.
    portfolio::ViewState& state = view.State();
    if (state.FillSymbolsGrid(0, view.Messenger())) {
        state.selectedSymbolRow = std::max(state.SymbolRowOfFileNumber(fileNumber), 0);
    }
    Refill(view);
}

void FindSymbol(CTicksmithView& view) {
    settings::SettingsStore& store = view.Store();
    FindSymbolDialog dialog(
        settings::Read(store, settings::keys::kFindByNumber) != 0,
        settings::Read(store, settings::keys::kFindSearchAll) != 0,
        [&](const portfolio::FindRequest& request) {
            const auto refusal = portfolio::FindRequestRefusal(request);
            if (refusal) {
                view.Messenger().Show(*refusal);
            }
            return !refusal;
        },
        &view);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    {
        const WaitCursor busy;
        static_cast<void>(
            portfolio::FindSymbolCommand(view.State(), dialog.Request(), store, view.Messenger()));
    }
    // The search may have made another portfolio current; the refill selects its entry.
    Refill(view);
}

}  // namespace

bool RunSymbolCommand(CTicksmithView& view, CommandId id) {
    switch (id) {
        case CommandId::kSymbolAdd:
            AddSymbol(view);
            return true;
        case CommandId::kSymbolDelete:
            DeleteSymbol(view);
            return true;
        case CommandId::kSymbolMove:
            TransferSymbol(view, portfolio::Transfer::kMove);
            return true;
        case CommandId::kSymbolCopy:
            TransferSymbol(view, portfolio::Transfer::kCopy);
            return true;
        case CommandId::kSymbolEdit:
            EditSymbol(view);
            return true;
        case CommandId::kSymbolFind:
            FindSymbol(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
