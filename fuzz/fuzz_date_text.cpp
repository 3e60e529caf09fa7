// Date texts in every format code: parsing any text must not misbehave, and a date printed in
// a format must read back as the same date wherever the format can hold its year.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/little_endian.h"
#include "store/encodings.h"

namespace {

namespace store = ticksmith::store;

bool HasCentury(int code) {
    return code == 2 || code == 4 || code == 6 || code == 8 || code == 10 || code == 12;
}

std::size_t FormattedLength(int code) {
    switch (code) {
        case 2:
        case 4:
        case 6:
            return 10;
        case 7:
        case 9:
        case 11:
            return 6;
        default:
            return 8;
    }
}

// Two-digit years read as 1961 to 2060; a century in the text covers every day number.
bool ReadsBack(store::DayNumber day, int code) {
    if (day == 0 || HasCentury(code)) {
        return true;
    }
    const int year = store::YmdFromDayNumber(day).year;
    return year >= 61 && year <= 160;
}

void CheckDay(store::DayNumber day, char separator) {
    if (day != 0) {
        const store::Ymd ymd = store::YmdFromDayNumber(day);
        FUZZ_CHECK(ymd.month >= 1 && ymd.month <= 12 && ymd.day >= 1 && ymd.day <= 31);
        FUZZ_CHECK(store::DayNumberFromYmd(ymd.year, ymd.month, ymd.day) == day);
        FUZZ_CHECK(store::DayNumberFromFileDate(store::FileDateValue(day)) == day);
        FUZZ_CHECK(store::DayNumberFromFileDate(
                       store::MbfToFloat(store::FileDateFromDayNumber(day))) == day);
    }
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        const std::string text = store::FormatDateText(day, code, separator);
        FUZZ_CHECK(text.size() == FormattedLength(code));
        if (ReadsBack(day, code)) {
            FUZZ_CHECK(store::ParseDateText(text, code) == day);
            FUZZ_CHECK(store::ParseDateText("  \"" + text, code) == day);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < fuzzing::date_input::kHeaderSize) {
        return 0;
    }
    // Any printable character but a digit separates; a digit would merge the fields.
    char separator = static_cast<char>(data[0]);
    if (separator < ' ' || separator > '~' || (separator >= '0' && separator <= '9')) {
        separator = '/';
    }
    const auto day = static_cast<store::DayNumber>(ticksmith::platform::ReadU16(data + 1));
    const std::string_view text(
        reinterpret_cast<const char*>(data) + fuzzing::date_input::kHeaderSize,
        size - fuzzing::date_input::kHeaderSize);

    CheckDay(day, separator);
    CheckDay(0, separator);
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        const store::DayNumber parsed = store::ParseDateText(text, code);
        // More than ten characters after the leading spaces and quote is never a date.
        if (const std::size_t start = text.find_first_not_of(' '); start != text.npos) {
            const std::size_t skip = text[start] == '"' ? 1 : 0;
            if (text.size() - start - skip > 10) {
                FUZZ_CHECK(parsed == 0);
            }
        }
        CheckDay(parsed, separator);
    }
    for (const int code : {-1, 0, 13, 1000}) {
        FUZZ_CHECK(store::ParseDateText(text, code) == 0);
        FUZZ_CHECK(store::FormatDateText(day, code, separator).empty());
    }
    return 0;
}
