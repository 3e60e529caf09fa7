#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/messenger.h"

namespace ticksmith::portfolio {

namespace fs = std::filesystem;

inline constexpr std::size_t kSkipListLength = 256;
inline constexpr std::string_view kSkipFileName = "SKIPQLDR.SKB";

// One character per file number 0 to 255: "1" skipped, "0" updated. Empty when the skip
// file cannot be created.
using SkipList = std::string;

// Reads the portfolio's skip flags, creating the file (nothing skipped) when it is missing.
[[nodiscard]] SkipList GetSkipString(const fs::path& portfolioDirectory,
                                     platform::Messenger& messenger);
// Writes the flags and returns what was written; an empty list writes the initial one.
// Empty when the file cannot be written.
[[nodiscard]] SkipList SetSkipString(const fs::path& portfolioDirectory, SkipList list);

bool IsSkipped(const SkipList& list, int fileNumber);

// How the portfolio list shows an entry: skipped when any of its symbols is skipped (or when
// its flags skip nothing at all, not even the unused file number 0 that a new file skips),
// unknown when the skip file is too short. Reads only: a missing file is a portfolio with
// nothing skipped.
enum class PortfolioSkipMark { kNormal, kSkipped, kUnknown };
[[nodiscard]] PortfolioSkipMark PortfolioListMark(const fs::path& portfolioDirectory);

enum class SkipChange { kOn, kOff, kToggle };

// Symbol > Skip: changes one symbol's flag. Nothing changes, and false comes back, when the
// symbol is in no MASTER or the skip file cannot be created.
[[nodiscard]] bool SkipSymbol(const fs::path& portfolioDirectory, std::string_view symbol,
                              SkipChange change, platform::Messenger& messenger);

// Portfolio > Skip Adjust: clears the flags of file numbers 1 to 255, then with `skipAll`
// sets the flag of every symbol in MASTER.
[[nodiscard]] bool SkipAdjust(const fs::path& portfolioDirectory, bool skipAll,
                              platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
