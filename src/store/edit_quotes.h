#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "store/encodings.h"
#include "store/status.h"

namespace ticksmith::store {

namespace fs = std::filesystem;

enum class EditOperation : std::int16_t {
    kCopy = 0,
    kReplace = 1,
    kMultiply = 3,  // 2 multiplies as well
    kDelete = 4,
    kAdd = 5,
};

// What one hand edit of a data file does: `values` are, for OPEN, HIGH, LOW, CLOSE, VOL and OI,
// the new values (replace) or the multipliers (multiply); the range is inclusive.
struct EditRequest {
    std::array<float, 6> values{};
    DayNumber date1 = 0;
    DayNumber date2 = 0;
    std::int16_t operation = 0;
};

// A delete found no quote of its date.
inline constexpr Status kNoQuoteToDelete = -200;
// The series holds intraday records, which no edit changes; the detail says so.
inline constexpr Status kIntradayRecords = -201;

// The previous weekday before `day`.
[[nodiscard]] DayNumber PreviousWeekday(DayNumber day);
[[nodiscard]] DayNumber NextWeekday(DayNumber day);

// What an edit met: kSuccess, or the failure and, for a person, which file failed and why.
struct EditResult {
    Status status = kSuccess;
    std::string detail;

    bool Succeeded() const { return status == kSuccess; }
};

// Rewrites a symbol's F<n>.DAT in one pass after copying it to F<n>.BAK. A delete also brings
// MASTER's dates up to date (MASTER.BAK first). Any failure leaves F<n>.DAT as it was; an
// intraday series is refused before any file is touched. Every whole record is kept and
// counted, also those beyond a header count left too low.
[[nodiscard]] EditResult EditQuotes(const fs::path& dataDirectory, std::string_view symbol,
                                    const EditRequest& request);

}  // namespace ticksmith::store
