#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/messenger.h"
#include "portfolio/discovery.h"
#include "store/emaster.h"
#include "store/encodings.h"

namespace ticksmith::portfolio {

enum class AddSymbolResult {
    kAdded,
    kExists,
    kPortfolioFull,
    kAssignmentFailed,  // added, but its profile file cannot be written
    kNotAdded,          // MASTER or the data files cannot be written, or the portfolio is locked
    kNoSymbolEntered,   // the Add dialog's OK with nothing typed
};

// Whether a portfolio's MASTER announces 255 symbols.
bool PortfolioIsFull(const std::filesystem::path& portfolioDirectory);

// The first of F<n>.DAT and F<n>.DOP that stands in the directory, for a number no record has:
// files a repair left behind may hold a symbol's quotes and must not be written over.
[[nodiscard]] std::optional<std::filesystem::path> StrayFileOf(
    const std::filesystem::path& portfolioDirectory, int fileNumber);
// Says that such a file is in the way.
void ShowStrayFile(const std::filesystem::path& file, platform::Messenger& messenger);

// Brings the portfolio's EMASTER, when it has one, in step with its MASTER, with `typed`'s
// long name; says so when it cannot. MASTER's change stands either way.
void KeepEmasterInStep(const std::filesystem::path& portfolioDirectory,
                       platform::Messenger& messenger, const store::TypedLongName& typed = {});

// Whether a typed issue name can be stored in the portfolio: up to 16 characters always, up to
// EMASTER's long-name field where the portfolio has an EMASTER (MASTER then takes the first 16
// characters, and the person is told so). A refusal is shown; nothing has been changed.
[[nodiscard]] bool TypedNameFits(const std::filesystem::path& portfolioDirectory,
                                 std::string_view name, platform::Messenger& messenger);
// The refusal TypedNameFits would show, for a form that returns it; nothing when it fits.
[[nodiscard]] std::optional<std::string> TypedNameRefusal(
    const std::filesystem::path& portfolioDirectory, std::string_view name);
// The note TypedNameFits shows for a name that fits: where the name longer than 16 goes.
void NoteTypedNameSplit(std::string_view name, platform::Messenger& messenger);

// Adds an empty symbol to the current portfolio: a MASTER record dated a year before `today`
// and header-only data files with every field but TIME; with a profile name, its assignment.
// Reports its own failures through the messenger.
[[nodiscard]] AddSymbolResult AddSymbol(const CurrentPortfolio& portfolio, std::string_view symbol,
                                        std::string_view name,
                                        const std::optional<std::string>& profileName,
                                        store::DayNumber today, platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
