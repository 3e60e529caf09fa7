#include "update/update_line.h"

#include "platform/names.h"

namespace ticksmith::update {

namespace {

using text::IsWhiteSpace;

// An empty field between two delimiters reads as "0". The copy keeps to its room: a field
// that would not fit is dropped at the delimiter before it.
std::string ExpandEmptyFields(std::string_view text, char delimiter) {
    std::string copy;
    copy.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        copy += text[i];
        if (delimiter != ' ' && text[i] == delimiter && i + 1 < text.size() &&
            text[i + 1] == delimiter) {
            copy += '0';
        }
    }
    if (copy.size() > kSplitCopyLimit) {
        const std::size_t cut = copy.rfind(delimiter, kSplitCopyLimit);
        copy.resize(cut == std::string::npos ? kSplitCopyLimit : cut);
    }
    return copy;
}

}  // namespace

UpdateLine CleanPiece(std::string_view piece, bool endsLine) {
    UpdateLine line;
    const std::size_t nul = piece.find('\0');
    if (nul != std::string_view::npos) {
        // A C string ends at its first NUL; so does the line feed with it.
        piece = piece.substr(0, nul);
        endsLine = false;
    }
    line.text.reserve(piece.size());
    for (char c : piece) {
        if (c != '"') {
            line.text += c;
        }
    }
    line.hasLineFeed = endsLine;
    return line;
}

std::string_view SplitFields::Column(int column) const {
    if (column < 1 || column > text::kMaxColumns) {
        return {};
    }
    return slot[static_cast<std::size_t>(column)];
}

std::string SplitLine(const UpdateLine& line, const profiles::Profile& profile,
                      SplitFields& fields) {
    const char delimiter = profile.DelimiterCharacter();
    for (std::size_t i = 1; i < fields.slot.size(); ++i) {
        fields.slot[i] = "0";
    }
    fields.count = 0;
    // The length check counts the line feed, but the expanded copy is what is measured.
    std::string copy = ExpandEmptyFields(line.text, delimiter);
    if (copy.size() + (line.hasLineFeed ? 1 : 0) < 11) {
        return {};
    }
    for (const std::string_view column : text::SplitColumns(copy, delimiter)) {
        fields.slot[static_cast<std::size_t>(++fields.count)] = column;
    }
    if (fields.count == 0) {
        return {};
    }
    return std::string(fields.Column(profile.symbolColumn));
}

std::string UpdateSymbolText(const std::array<char, 16>& symbolField) {
    std::string symbol;
    for (char c : symbolField) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 32 || byte >= 128) {
            break;
        }
        symbol += c;
    }
    return symbol;
}

QuickKey QuickPathKey(const UpdateLine& line, const profiles::Profile& profile) {
    QuickKey key;
    const std::size_t first = line.text.find_first_not_of(" \t");
    key.firstCharacter = first == std::string::npos ? '\0' : line.text[first];
    std::string copy = line.text;
    if (profile.delimiter == 0 || profile.delimiter == 1) {
        const std::size_t delimiter = copy.find(profile.delimiter == 0 ? ',' : '\t');
        if (delimiter != std::string::npos) {
            copy[delimiter] = ' ';
        }
    }
    std::size_t begin = 0;
    while (begin < copy.size() && IsWhiteSpace(copy[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < copy.size() && !IsWhiteSpace(copy[end])) {
        ++end;
    }
    key.firstWord = copy.substr(begin, end - begin);
    return key;
}

bool LineNamesSymbol(const UpdateLine& line, const profiles::Profile& profile,
                     std::string_view symbol) {
    if (profile.symbolColumn == 1) {
        const QuickKey key = QuickPathKey(line, profile);
        const char wanted = symbol.empty() ? '\0' : symbol.front();
        return key.firstCharacter == wanted && platform::EqualsIgnoringCase(key.firstWord, symbol);
    }
    SplitFields fields;
    return platform::EqualsIgnoringCase(SplitLine(line, profile, fields), symbol);
}

store::DayNumber LineDate(const SplitFields& fields, const profiles::Profile& profile) {
    return store::ParseDateText(fields.Column(profile.dateColumn), profile.dateFormat);
}

store::Quote BuildQuote(const SplitFields& fields, const profiles::Profile& profile) {
    store::Quote quote;
    quote.date = LineDate(fields, profile);
    quote.time = 0;
    const auto read = [&](int column) {
        return column == 0 ? 0.0f : text::ScanNumber(fields.Column(column));
    };
    quote.open = read(profile.openColumn);
    quote.high = read(profile.highColumn);
    quote.low = read(profile.lowColumn);
    quote.close = text::ScanNumber(fields.Column(profile.closeColumn));
    quote.volume = read(profile.volumeColumn);
    quote.openInterest = read(profile.openInterestColumn);
    return quote;
}

}  // namespace ticksmith::update
