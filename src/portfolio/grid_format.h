#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "portfolio/view_state.h"
#include "store/encodings.h"
#include "store/quotes.h"

namespace ticksmith::portfolio {

// How the grids, the command line and printing show the numbers the view state keeps. Every
// text is the same whatever the process locale says: a decimal comma must never appear.

// Volume and open interest shown without decimals ("Show ... as integer").
struct IntegerDisplay {
    bool volume = false;
    bool openInterest = false;
};
IntegerDisplay IntegerDisplayOf(const settings::ViewSettings& settings);

inline constexpr int kSymbolColumns = 3;  // Symbol, Name, Profile
inline constexpr int kQuoteColumns = 7;   // Date, Open, High, Low, Close, Volume, Open Interest

// MM/DD/YY; day 0 shows as 00/00/00.
std::string DateText(store::DayNumber day);
// Four decimals, or none as an integer; empty for a negative value (a field the record lacks).
std::string QuoteValueText(float value, bool asInteger);
// "%.<decimals>f" as the C locale writes it.
std::string FixedText(double value, int decimals);
// Every digit of a number without decimals, as a damaged file date can need (39 of them).
std::string WholeNumberText(double value);

// "D Daily", or "ERROR" for a letter that names no period.
std::string PeriodText(char letter);
// A field's input and display format names; empty when the data file lacks the field.
std::array<std::string, 2> FieldFormatTexts(const store::FieldLayout& layout, store::Field field);

// HH:MM:SS, the time of day of an intraday quote wherever one is shown or written.
std::string FormatQuoteTime(store::PackedTime time);

// A series whose records carry a time shows it in a column of its own after the date; the
// columns of every other series stay as they are.
inline constexpr int kTimeColumn = 1;
inline int QuoteColumnCount(bool withTime) {
    return kQuoteColumns + (withTime ? 1 : 0);
}

// One cell of the quote grid; empty for a column outside the grid.
std::string QuoteCellText(const store::Quote& quote, int column, IntegerDisplay display);
// The same with the Time column in place when `withTime`.
std::string QuoteCellText(const store::Quote& quote, int column, IntegerDisplay display,
                          bool withTime);
std::array<std::string, kQuoteColumns> QuoteRowTexts(const store::Quote& quote,
                                                     IntegerDisplay display = {});

// The name as stored, all 16 characters.
std::string StoredNameText(const store::MasterRecord& record);
// " (none)" without an assignment.
std::string ProfileText(const std::optional<std::string>& profile);
// One cell of the symbol grid; empty for a column outside the grid.
std::string SymbolCellText(const SymbolRow& row, int column);

// A whole text read as a number with a decimal point, whatever the locale; nothing for an
// empty text, trailing rubbish or a value beyond a float's range. Blanks around it are allowed.
std::optional<float> NumberOf(std::string_view text);

}  // namespace ticksmith::portfolio
