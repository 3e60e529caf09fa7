#pragma once

#include <array>
#include <string>
#include <string_view>

#include "profiles/profile.h"
#include "store/encodings.h"
#include "store/quotes.h"
#include "text/columns.h"

namespace ticksmith::update {

// The line pieces the update files are read in, and the room of SplitLine's working copy.
inline constexpr std::size_t kLinePieceLimit = 299;
inline constexpr std::size_t kSplitCopyLimit = 319;

// One piece of an update file as the run reads it: double quotes removed, ending at a NUL
// byte, and whether the line's line feed came with it.
struct UpdateLine {
    std::string text;
    bool hasLineFeed = false;

    std::size_t Length() const { return text.size() + (hasLineFeed ? 1 : 0); }
};

UpdateLine CleanPiece(std::string_view piece, bool endsLine);

// Columns 1 to 20 of a split line; a column the line does not fill reads "0".
struct SplitFields {
    std::array<std::string, text::kMaxColumns + 1> slot;  // slot[0] unused
    int count = 0;

    std::string_view Column(int column) const;
};

// Splits a line at the profile's delimiter and returns the symbol column's text (empty when
// the line is shorter than 11 characters or has no column).
std::string SplitLine(const UpdateLine& line, const profiles::Profile& profile,
                      SplitFields& fields);

// The symbol a record's symbol field gives: its 16 bytes up to the first byte that is 32 or
// below, or 128 or above.
std::string UpdateSymbolText(const std::array<char, 16>& symbolField);

// The quick path of a profile whose symbol is in column 1: the line's first character that is
// neither a space nor a tab, and its first word once the first delimiter became a space.
struct QuickKey {
    char firstCharacter = '\0';
    std::string firstWord;
};
QuickKey QuickPathKey(const UpdateLine& line, const profiles::Profile& profile);

// Whether a line names `symbol`: the quick path for symbol column 1, else the symbol column.
bool LineNamesSymbol(const UpdateLine& line, const profiles::Profile& profile,
                     std::string_view symbol);

// The day of the line's date column in the profile's format; 0 when it is not a date.
store::DayNumber LineDate(const SplitFields& fields, const profiles::Profile& profile);

// The quote of a split line: date from the date column, every price from its column read as
// a number (0 when the text does not begin with one), time 0.
store::Quote BuildQuote(const SplitFields& fields, const profiles::Profile& profile);

}  // namespace ticksmith::update
