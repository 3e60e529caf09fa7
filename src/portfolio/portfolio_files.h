#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "portfolio/discovery.h"

namespace ticksmith::portfolio {

namespace fs = std::filesystem;

// Add Portfolio's OK rules on the typed path: refuses an empty one, removes trailing
// separators and surrounding blanks, creates a missing directory (one level). Nothing when the
// dialog stays open.
[[nodiscard]] std::optional<std::string> AcceptPortfolioPath(std::string_view text,
                                                             platform::Messenger& messenger);

// Makes an accepted directory the current portfolio: an existing MASTER is kept or, if the
// person says so, saved as MASTER.BAK and emptied; a new one is created empty. The directory
// joins `portfolios` (sorted) unless listed. False when it could not be made a portfolio.
[[nodiscard]] bool AddPortfolio(const std::string& directory, CurrentPortfolio& current,
                                std::vector<std::string>& portfolios, const SearchFilter& filter,
                                platform::Messenger& messenger);

// The Delete Portfolio question and its note.
inline constexpr std::string_view kDeletePortfolioQuestion =
    "Are you sure you want to delete the portfolio? ";
inline constexpr std::string_view kDeletePortfolioNote =
    "The directory and all its contents will be deleted (but not if this is at the drive root)";

// Deletes the portfolio after asking: every file of its directory and the directory itself,
// or only MASTER at a volume root. Sub-directories are never entered. False, with a message,
// when something could not be deleted (or nothing was, on No).
[[nodiscard]] bool DeletePortfolio(const std::string& directory, bool soundDisable,
                                   platform::Messenger& messenger);
// The deletion once the person has said Yes in a dialog of the window's own.
[[nodiscard]] bool DeletePortfolioFiles(const std::string& directory,
                                        platform::Messenger& messenger);

// Whether `path` names one of the files a portfolio keeps (MASTER and its working copies,
// EMASTER, XMASTER, F<n>.*, the skip file) in a directory that holds a MASTER. Text written by the
// program must never replace one of them.
bool IsPortfolioFile(const fs::path& path);

}  // namespace ticksmith::portfolio
