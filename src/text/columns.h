#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace ticksmith::text {

inline constexpr int kMaxColumns = 20;

// White space as isspace sees it in the C locale.
bool IsWhiteSpace(char c);

// The first 20 columns of a text cut at a delimiter, a tokenizer's way: leading and repeated
// delimiters are skipped, so there are no empty columns.
std::vector<std::string_view> SplitColumns(std::string_view text, char delimiter);
// The same into `columns` (at most its size), for readers of many lines that must not
// allocate per line; the number of columns written. Later entries are left as they were.
std::size_t SplitColumns(std::string_view text, char delimiter,
                         std::span<std::string_view> columns);

// Reads the longest leading number of a text, as "%f" scanning does; 0 when there is none
// or it is not finite.
float ScanNumber(std::string_view text);

}  // namespace ticksmith::text
