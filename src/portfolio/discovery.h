#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "platform/progress.h"

namespace ticksmith::portfolio {

namespace fs = std::filesystem;

// The portfolio search filter: with `limit` on, the walk enters only directories whose path
// contains the filter text or is contained in it (upper-cased, not anchored).
struct SearchFilter {
    bool limit = true;
    std::string upperText;  // the filter text as typed, upper-cased
};

bool PassesSearchFilter(std::string_view path, const SearchFilter& filter);

// The drive box entry (a volume's mount point, or a directory scanned as one) on which the
// filter text lies: of the entries that hold it, the deepest, compared without regard to case
// as the filter matches. Nothing for a text that is not an absolute path or lies on none.
std::optional<std::string> DriveOfFilter(std::string_view filterText,
                                         const std::vector<std::string>& driveEntries);

// Tells the person when a portfolio just added lies where the search filter will not look.
void WarnIfFilterHides(const std::string& portfolioDirectory, const SearchFilter& filter,
                       platform::Messenger& messenger);

// A scan's progress: the directory being searched is this text, the portfolios found so far
// are the count (there is no total).
inline constexpr std::size_t kScanDirectoryText = 0;

// Walks `path` and below for directories that hold a MASTER file, in sorted order, one
// directory listing open at a time, never leaving the file system it starts on and passing
// over what it cannot read. Appends each portfolio directory to `results`.
void SearchDirectory(const std::string& path, const SearchFilter& filter,
                     std::vector<std::string>& results, platform::ProgressSink* progress = nullptr);

// The whole scan: the portfolio list sorted without regard to case. With nothing found, says
// so through the messenger. The asterisk sound ends a scan unless sounds are limited. A cancel
// asked through `progress` ends the walk early with what it found, silently.
std::vector<std::string> ScanForPortfolios(const std::string& root, const SearchFilter& filter,
                                           platform::ProgressSink* progress,
                                           platform::Messenger& messenger, bool soundDisable);

// The current portfolio: MASTER's path, its directory, and the directory handed to the
// data-file layer.
struct CurrentPortfolio {
    std::string masterPath;
    std::string portfolioDir;
    std::string dataDir;
};

inline constexpr std::size_t kMaxMasterPath = 299;

// Makes a MASTER path current. Refuses, leaving `current` as it was, a path of 300 characters
// or more ("File/Path name too long") or one that does not end in MASTER.
[[nodiscard]] bool SelectPortfolio(const std::string& masterPath, CurrentPortfolio& current,
                                   platform::Messenger& messenger);

// The MASTER path of a portfolio list entry.
std::string MasterPathOf(const std::string& portfolioDirectory);

}  // namespace ticksmith::portfolio
