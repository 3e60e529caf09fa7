// The historical import's line conversion on any text and any choice of columns, fields,
// delimiter, date format and heading rows: it must not misbehave, its quotes must be sane, and
// reversing the reversed text must give the kept lines back in their first order.
//
// Input: [date format] [flags] [rows to skip] [seven column bytes] [text]; flags: bits 0-1 the
// delimiter (3 is a comma too), bit 2 the month names, bits 3-7 the optional fields present
// (open, high, low, volume, open interest).

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ascii/import.h"
#include "fuzz_support.h"

namespace {

namespace ascii = ticksmith::ascii;
namespace store = ticksmith::store;

constexpr std::size_t kHeaderSize = 3 + ascii::kImportFieldCount;

ascii::ImportJob JobFrom(const std::uint8_t* header) {
    ascii::ImportJob job;
    job.dateFormat = header[0] % 12 + 1;
    const int delimiter = header[1] & 3;
    job.delimiter = delimiter == 1 ? '\t' : delimiter == 2 ? ' ' : ',';
    job.useMonths = (header[1] & 4) != 0;
    const int optional[] = {ascii::kImportOpen, ascii::kImportHigh, ascii::kImportLow,
                            ascii::kImportVolume, ascii::kImportOpenInterest};
    job.present[ascii::kImportDate] = true;
    job.present[ascii::kImportClose] = true;
    for (int bit = 0; bit < 5; ++bit) {
        job.present[static_cast<std::size_t>(optional[bit])] = (header[1] >> (3 + bit) & 1) != 0;
    }
    for (std::size_t field = 0; field < job.columns.size(); ++field) {
        job.columns[field] = header[3 + field] % ascii::kImportColumns;
    }
    return job;
}

// The lines of a reversed text, last first: each ends at its first CR LF.
std::string Unreversed(std::string_view reversed) {
    std::vector<std::string_view> lines;
    while (!reversed.empty()) {
        const std::size_t end = reversed.find("\r\n");
        FUZZ_CHECK(end != std::string_view::npos);
        lines.push_back(reversed.substr(0, end + 2));
        reversed.remove_prefix(end + 2);
    }
    std::string text;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        text += *line;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kHeaderSize) {
        return 0;
    }
    const ascii::ImportJob job = JobFrom(data);
    const int rowsToSkip = data[2] % 8;
    const std::string_view text(reinterpret_cast<const char*>(data) + kHeaderSize,
                                size - kHeaderSize);

    const ascii::Conversion conversion = ascii::ConvertLines(text, job, rowsToSkip);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(conversion.quotes.size() <=
               std::min<std::size_t>(lines * (1 + text.size() / 299), ascii::kMaxImportedQuotes));
    if (conversion.stop == ascii::ConversionStop::kDateTooLong) {
        FUZZ_CHECK(conversion.stopText.size() >= ascii::kDateTextLimit);
    }
    FUZZ_CHECK((conversion.stop == ascii::ConversionStop::kEndOfText) ==
               (conversion.stopLine == 0));
    const store::FieldLayout layout = store::LayoutOf(job.Fields());
    const int recordLength = 4 * job.FieldCount();
    std::uint8_t record[28];
    for (const store::Quote& quote : conversion.quotes) {
        if (quote.date != 0) {
            const store::Ymd ymd = store::YmdFromDayNumber(quote.date);
            FUZZ_CHECK(ymd.month >= 1 && ymd.month <= 12 && ymd.day >= 1 && ymd.day <= 31);
        }
        for (const store::Field field : {store::kOpen, store::kHigh, store::kLow, store::kClose,
                                         store::kVolume, store::kOpenInterest}) {
            const float value = quote.Value(field);
            FUZZ_CHECK(value == value && value - value == 0.0f);  // finite
            if (!layout.Has(field)) {
                FUZZ_CHECK(value == 0.0f);
            }
        }
        store::EncodeQuote(quote, layout, record, recordLength);
        FUZZ_CHECK(store::DecodeQuote(record, layout, recordLength).date == quote.date);
    }

    if (const auto reversed = ascii::ReversedLines(text, rowsToSkip)) {
        FUZZ_CHECK(reversed->size() >= 3 && reversed->ends_with("\r\n"));
        const auto again = ascii::ReversedLines(*reversed, 0);
        FUZZ_CHECK(again && *again == Unreversed(*reversed));
    }

    std::string date(text.substr(0, 64));
    const std::string before = date;
    // Without a character from 'A' up the text stays as it was.
    FUZZ_CHECK(ascii::ConvertMonthText(date) || date == before);
    FUZZ_CHECK(date.size() <= before.size());
    return 0;
}
