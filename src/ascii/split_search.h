#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "platform/progress.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::ascii {

namespace fs = std::filesystem;

// The quotes read at a time; neighbouring windows share one quote.
inline constexpr int kSplitWindow = 400;

inline constexpr std::string_view kTooManyBarsMessage = "Too many bars";
inline constexpr std::string_view kFewQuotesMessage =
    "For symbol %s\nSplitSearch cannot perform search\nas there are fewer than 2 quotes.";
inline constexpr std::string_view kUnreadableSymbolMessage =
    "For symbol %s\nSplitSearch cannot perform search\nas its quotes cannot be read: %s";
inline constexpr std::string_view kBarsReadMessage = "Error in SplitSearch bars read";
inline constexpr std::string_view kNoCandidatesMessage = "No candidate splits found";
inline constexpr std::string_view kDoneSearchStatus = "Done search";
inline constexpr std::string_view kSaveSplitErrorMessage =
    "%s\nThe search results cannot be saved.";

// A split of p new shares for q old ones.
struct SplitRatio {
    int newShares = 0;
    int oldShares = 0;

    bool operator==(const SplitRatio&) const = default;
};

// The ratio whose band the closes of two neighbouring quotes fall in, when their price ranges
// lie far enough apart; nothing when the pair is no candidate.
std::optional<SplitRatio> SplitBetween(const store::Quote& earlier, const store::Quote& later);

// "XYZ possible 2 for 1 split on 05/27/99", dated with the later quote.
std::string SplitCandidateText(std::string_view symbol, SplitRatio ratio, store::DayNumber date);

// The status line's place in the search's progress: each symbol once searched, then
// "Done search".
inline constexpr std::size_t kSplitStatusText = 0;

// One candidate as listed, and what it points at: the symbol as the grid shows it and the
// date of the quote after the split.
struct SplitCandidate {
    std::string text;
    std::string symbol;
    store::DayNumber date = 0;
};

// Told of each candidate as soon as it is found, on the searching thread.
using SplitFound = std::function<void(const SplitCandidate& candidate)>;

// Searches the symbols of the records (portfolio::SymbolGridOrder gives the grid's), in the
// order given, for neighbouring quotes that look
// like a split, and appends each candidate's text to `results` (earlier results stay). Each
// record's own F<n>.DAT in `dataDirectory` is read, in windows of 400 quotes. A symbol with
// fewer than 2 quotes, or whose quotes cannot be read at all, is reported and passed over; a
// window that cannot be read ends the whole search. A cancel asked of `status` ends it between
// windows, silently. False when the search ended early.
[[nodiscard]] bool SearchSplits(const fs::path& dataDirectory,
                                const std::vector<store::MasterRecord>& symbols,
                                std::vector<std::string>& results, bool soundDisable,
                                platform::Messenger& messenger,
                                platform::ProgressSink* status = nullptr,
                                const SplitFound& found = {});

// Writes the results, in order, one per CR LF line, replacing `path` whole; a failure is
// shown and leaves any old file as it was.
[[nodiscard]] bool SaveSplitResults(const fs::path& path, const std::vector<std::string>& results,
                                    platform::Messenger& messenger);

}  // namespace ticksmith::ascii
