#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form_problem.h"
#include "platform/messenger.h"
#include "portfolio/symbols.h"
#include "portfolio/view_state.h"
#include "settings/settings_store.h"
#include "store/encodings.h"

namespace ticksmith::portfolio {

// The Symbol menu's commands on the view state. Each takes what its dialog collects, reports
// through the messenger and refills the grids it changed.

// The Add and Edit Symbol forms' fields, and what each says when no symbol is typed.
enum class SymbolField { kSymbol, kName };
inline constexpr std::string_view kAddSymbolMissing = "You did not enter a symbol";
inline constexpr std::string_view kEditSymbolMissing = "You must enter a symbol";

// What Add Symbol stores for the typed texts: the symbol trimmed and upper-cased, and the
// symbol's text as name when none is typed.
struct SymbolForm {
    std::string symbol;
    std::string name;
};
SymbolForm AddSymbolFormOf(std::string_view symbolText, std::string_view nameText);

// The form's first failing check, in the dialogs' order: a symbol is there (`missing` when not),
// it fits MASTER's 16 characters, and the portfolio can store the name. Shows nothing.
[[nodiscard]] std::optional<platform::FormProblem<SymbolField>> CheckSymbolForm(
    const std::filesystem::path& portfolioDirectory, const SymbolForm& form,
    std::string_view missing);

// Symbol > Add...: trims and upper-cases the symbol, names it after itself when no name is
// given, adds it and selects its row. The result of AddSymbol, or kNoSymbolEntered.
[[nodiscard]] AddSymbolResult AddSymbolCommand(ViewState& view, std::string_view symbolText,
                                               std::string_view nameText,
                                               const std::optional<std::string>& profileName,
                                               store::DayNumber today,
                                               platform::Messenger& messenger);

// The Delete Symbol question, as its dialog asks it.
std::string DeleteSymbolQuestion(std::string_view symbol);
// Symbol > Delete after Yes: the selected symbol's MASTER record, its files and its skip flag.
// False, with nothing deleted, when MASTER holds no record of that symbol.
[[nodiscard]] bool DeleteSymbol(ViewState& view, platform::Messenger& messenger);

enum class Transfer { kMove, kCopy };

// The portfolios a symbol may go to: every entry of the list but the selected one.
std::vector<std::string> TransferDestinations(const ViewState& view);
// Symbol > Move... / Copy... to `destination`. Whatever fails part-way is undone: the source
// keeps the symbol and its files, the destination is as it was, and the person is told.
[[nodiscard]] bool TransferSymbol(ViewState& view, const std::string& destination,
                                  Transfer transfer, platform::Messenger& messenger);

// Symbol > Edit...: renames the selected symbol, stored as typed.
[[nodiscard]] bool EditSymbol(ViewState& view, std::string_view symbol, std::string_view name,
                              platform::Messenger& messenger);

struct FindRequest {
    std::string text;
    bool byNumber = false;
    bool searchAll = false;
};

enum class FindResult { kFound, kNotFound, kRefused };

// Why the Find Symbol dialog cannot search for its text; nothing when it can.
[[nodiscard]] std::optional<std::string> FindRequestRefusal(const FindRequest& request);

// Symbol > Find...: a refused text keeps the dialog open; otherwise the choices are stored,
// and a portfolio that holds the symbol becomes current with the symbol's row selected.
[[nodiscard]] FindResult FindSymbolCommand(ViewState& view, const FindRequest& request,
                                           settings::SettingsStore& store,
                                           platform::Messenger& messenger);

// The file number of the first symbol of a portfolio's MASTER (sub-directories aside) whose
// symbol field, upper-cased and trimmed, is `upperText`; -1 when there is none.
[[nodiscard]] int FindSymbolByName(const std::string& portfolioDirectory,
                                   std::string_view upperText);

}  // namespace ticksmith::portfolio
