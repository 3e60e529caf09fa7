#include "portfolio/grid_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

namespace ticksmith::portfolio {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

// to_chars writes what "%.<decimals>f" writes in the C locale, in any locale. A float's
// largest value takes 39 digits before the point.
std::string FixedText(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}

IntegerDisplay IntegerDisplayOf(const settings::ViewSettings& settings) {
    return {settings.volumeAsInteger, settings.openInterestAsInteger};
}

std::string DateText(store::DayNumber day) {
    return store::GridDateText(day);
}

std::string QuoteValueText(float value, bool asInteger) {
    if (value < 0.0f) {
        return {};
    }
    return FixedText(static_cast<double>(value), asInteger ? 0 : 4);
}

std::string WholeNumberText(double value) {
    return FixedText(value, 0);
}

std::string PeriodText(char letter) {
    const std::string_view name = store::PeriodText(letter);
    return name == "ERROR" ? std::string(name) : std::string(1, letter) + " " + std::string(name);
}

std::array<std::string, 2> FieldFormatTexts(const store::FieldLayout& layout, store::Field field) {
    if (!layout.Has(field)) {
        return {};
    }
    return {std::string(store::FormatCodeText(layout.inputFormat[field])),
            std::string(store::FormatCodeText(layout.displayFormat[field]))};
}

std::string QuoteCellText(const store::Quote& quote, int column, IntegerDisplay display) {
    switch (column) {
        case 0:
            return DateText(quote.date);
        case 1:
            return QuoteValueText(quote.open, false);
        case 2:
            return QuoteValueText(quote.high, false);
        case 3:
            return QuoteValueText(quote.low, false);
        case 4:
            return QuoteValueText(quote.close, false);
        case 5:
            return QuoteValueText(quote.volume, display.volume);
        case 6:
            return QuoteValueText(quote.openInterest, display.openInterest);
        default:
            return {};
    }
}

std::string FormatQuoteTime(store::PackedTime time) {
    const store::Hms parts = store::UnpackTime(time);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts.hour % 100, parts.minute % 100,
                  parts.second % 100);
    return text;
}

std::string QuoteCellText(const store::Quote& quote, int column, IntegerDisplay display,
                          bool withTime) {
    if (!withTime || column < kTimeColumn) {
        return QuoteCellText(quote, column, display);
    }
    return column == kTimeColumn ? FormatQuoteTime(quote.time)
                                 : QuoteCellText(quote, column - 1, display);
}

std::array<std::string, kQuoteColumns> QuoteRowTexts(const store::Quote& quote,
                                                     IntegerDisplay display) {
    std::array<std::string, kQuoteColumns> texts;
    for (int column = 0; column < kQuoteColumns; ++column) {
        texts[static_cast<std::size_t>(column)] = QuoteCellText(quote, column, display);
    }
    return texts;
}

std::string StoredNameText(const store::MasterRecord& record) {
    return std::string(record.issueName.begin(), record.issueName.end());
}

std::string ProfileText(const std::optional<std::string>& profile) {
    return profile ? *profile : std::string(" (none)");
}

std::string SymbolCellText(const SymbolRow& row, int column) {
    switch (column) {
        case 0:
            return row.Symbol();
        case 1:
            return StoredNameText(row.record);
        case 2:
            return ProfileText(row.profile);
        default:
            return {};
    }
}

std::optional<float> NumberOf(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    // from_chars takes a minus sign but not a plus sign.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-') {
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const char* const end = text.data() + text.size();
    float value = 0.0f;
    auto result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too small for a float reads as 0 (or the nearest tiny value); too large is refused.
        double wide = 0.0;
        result = std::from_chars(text.data(), end, wide);
        if (result.ec == std::errc() &&
            std::fabs(wide) <= static_cast<double>(std::numeric_limits<float>::min())) {
            value = static_cast<float>(wide);
        } else {
            return std::nullopt;
        }
    }
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace ticksmith::portfolio
