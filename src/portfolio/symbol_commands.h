#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "portfolio/symbols.h"
#include "portfolio/view_state.h"
#include "settings/settings_store.h"
#include "store/encodings.h"

namespace ticksmith::portfolio {

// The Symbol menu's commands on the view state. Each takes what its dialog collects, reports
// through the messenger and refills the grids it changed.

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
