#include "text/columns.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace ticksmith::text {

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::size_t SplitColumns(std::string_view text, char delimiter,
                         std::span<std::string_view> columns) {
    const std::size_t limit = std::min(columns.size(), static_cast<std::size_t>(kMaxColumns));
    std::size_t count = 0;
    std::size_t at = 0;
    while (count < limit) {
        at = text.find_first_not_of(delimiter, at);
        if (at == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(text.find(delimiter, at), text.size());
        columns[count++] = text.substr(at, end - at);
        at = end;
    }
    return count;
}

std::vector<std::string_view> SplitColumns(std::string_view text, char delimiter) {
    std::vector<std::string_view> columns(kMaxColumns);
    columns.resize(SplitColumns(text, delimiter, columns));
    return columns;
}

float ScanNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && IsWhiteSpace(text[at])) {
        ++at;
    }
    if (at < text.size() && text[at] == '+') {
        ++at;
    }
    float value = 0.0f;
    const auto [end, error] = std::from_chars(text.data() + at, text.data() + text.size(), value,
                                              std::chars_format::general);
    if (error != std::errc() || !std::isfinite(value)) {
        return 0.0f;
    }
    return value;
}

}  // namespace ticksmith::text
