#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/messenger.h"
#include "portfolio/discovery.h"
#include "store/encodings.h"

namespace ticksmith::portfolio {

// Results of AddSymbol.
inline constexpr int kSymbolAdded = 0;
inline constexpr int kSymbolExists = 1;
inline constexpr int kPortfolioFull = 2;
inline constexpr int kAssignmentFailed = -1;  // added, but its profile file cannot be written
inline constexpr int kSymbolNotAdded = -2;    // MASTER or the data files cannot be written

// Whether a portfolio's MASTER announces 255 symbols or has handed out file number 255.
bool PortfolioIsFull(const std::filesystem::path& portfolioDirectory);

// The first of F<n>.DAT and F<n>.DOP that stands in the directory, for a number no record has:
// files a repair left behind may hold a symbol's quotes and must not be written over.
std::optional<std::filesystem::path> StrayFileOf(const std::filesystem::path& portfolioDirectory,
                                                 int fileNumber);
// Says that such a file is in the way.
void ShowStrayFile(const std::filesystem::path& file, platform::Messenger& messenger);

// Adds an empty symbol to the current portfolio: a MASTER record dated a year before `today`
// and header-only data files with every field but TIME; with a profile name, its assignment.
// Reports its own failures through the messenger.
int AddSymbol(const CurrentPortfolio& portfolio, std::string_view symbol, std::string_view name,
              const std::optional<std::string>& profileName, store::DayNumber today,
              platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
