#include "store/encodings.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace ticksmith::store {

namespace {

constexpr int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

constexpr std::string_view kStatusTexts[16] = {
    "Sucessfull",
    "Invalid Parm",
    "File Open",
    "Malloc",
    "File Read",
    "File Write",
    "File Seek",
    "File Exists",
    "File Not Found",
    "Record Not Found",
    "No Graphics Found",
    "No Fonts Found",
    "Charts Uninitialized",
    "Max Lines Exceeded",
    "Max Grids Exceeded",
    "Unknown",
};

constexpr std::string_view kDateFormatNames[12] = {
    "YY_MM_DD", "CCYY_MM_DD", "MM_DD_YY", "MM_DD_CCYY", "DD_MM_YY", "DD_MM_CCYY",
    "YYMMDD",   "CCYYMMDD",   "MMDDYY",   "MMDDCCYY",   "DDMMYY",   "DDMMCCYY",
};

// Character positions of century, year, month and day in the normalised text; -1 for none.
struct DateLayout {
    int century;
    int year;
    int month;
    int day;
};
constexpr DateLayout kDateLayouts[12] = {
    {-1, 0, 3, 6}, {0, 2, 5, 8}, {-1, 6, 0, 3}, {6, 8, 0, 3}, {-1, 6, 3, 0}, {6, 8, 3, 0},
    {-1, 0, 2, 4}, {0, 2, 4, 6}, {-1, 4, 0, 2}, {4, 6, 0, 2}, {-1, 4, 2, 0}, {4, 6, 2, 0},
};

float BytesToFloat(const FloatBytes& bytes) {
    float value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

FloatBytes FloatToBytes(float value) {
    FloatBytes bytes;
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads up to two leading digits at `position`; anything else ends the number.
int TwoDigitValue(std::string_view text, int position) {
    int value = 0;
    for (int i = position; i < position + 2 && i < static_cast<int>(text.size()); ++i) {
        if (!IsDigit(text[static_cast<std::size_t>(i)])) {
            break;
        }
        value = value * 10 + (text[static_cast<std::size_t>(i)] - '0');
    }
    return value;
}

std::string Pad2(std::string_view field) {
    if (field.size() == 2) {
        return std::string(field);
    }
    // An empty field reads as zero.
    return std::string("0") + (field.empty() ? '0' : field.front());
}

}  // namespace

static_assert(sizeof(float) == 4, "stored numbers are 4-byte floats");

std::string_view StatusText(int status) {
    if (status > 0 || status < -14) {
        return kStatusTexts[15];
    }
    return kStatusTexts[-status];
}

std::string StatusReport(int status, std::string_view detail) {
    std::string text(StatusText(status));
    if (!detail.empty()) {
        text += " (" + std::string(detail) + ")";
    }
    return text;
}

FloatBytes IeeeToMbf(const FloatBytes& ieee) {
    const float value = BytesToFloat(ieee);
    if (value == 0.0f || std::isnan(value)) {
        return {0, 0, 0, 0};
    }
    const std::uint8_t sign = ieee[3] & 0x80;
    const int exponent = ((ieee[3] & 0x7F) << 1) | (ieee[2] >> 7);
    if (exponent == 0) {
        return {0, 0, 0, 0};  // below the smallest MBF magnitude
    }
    if (exponent >= 254) {
        return {0xFF, 0xFF, static_cast<std::uint8_t>(sign | 0x7F), 0xFF};
    }
    return {ieee[0], ieee[1], static_cast<std::uint8_t>(sign | (ieee[2] & 0x7F)),
            static_cast<std::uint8_t>(exponent + 2)};
}

FloatBytes FloatToMbf(float value) {
    return IeeeToMbf(FloatToBytes(value));
}

DayNumber DayNumberFromYmd(int year, int month, int day) {
    if (month < 1 || month > 12) {
        return 0;
    }
    if (year > 1900) {
        year -= 1900;
    }
    int result = (year - 61) * 1461 / 4 + kMonthStart[month - 1] + day;
    if (month > 2 && year % 4 == 0) {
        ++result;
    }
    return static_cast<DayNumber>(static_cast<unsigned>(result) & 0xFFFFu);
}

Ymd YmdFromDayNumber(DayNumber day) {
    if (day == 0) {
        return {};
    }
    const int n = day;
    const int quadYears = (4 * n - 1) / 1461;
    const int dayOfYear = n - quadYears * 1461 / 4;
    const int year = quadYears + 61;
    const int leap = year % 4 == 0 ? 1 : 0;
    int month = 11;
    while (month > 0 && dayOfYear <= kMonthStart[month] + (month >= 2 ? leap : 0)) {
        --month;
    }
    return {year, month + 1, dayOfYear - kMonthStart[month] - (month >= 2 ? leap : 0)};
}

DayNumber DayNumberFromFileDate(float value) {
    // Beyond year 1900 + 9999 or negative: damaged, not a date.
    if (!std::isfinite(value) || value >= 99991232.0f) {
        return 0;
    }
    // Whole numbers below 2^24, as every stored date is, give the same parts in integers as in
    // single precision (no quotient comes within a float's rounding of the next integer), and
    // reading a long series spends most of its time here.
    if (value >= 600000.0f && value < 16777216.0f && value == std::trunc(value)) {
        const int whole = static_cast<int>(value);
        return DayNumberFromYmd(whole / 10000, whole % 10000 / 100, whole % 100);
    }
    if (std::trunc(value / 10000.0f) < 60.0f) {
        value += 1000000.0f;
    }
    if (value < 0.0f) {
        return 0;
    }
    const float year = std::trunc(value / 10000.0f);
    const float month = std::trunc((value - year * 10000.0f) / 100.0f);
    const float day = std::trunc(value - year * 10000.0f - month * 100.0f);
    return DayNumberFromYmd(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day));
}

float FileDateValue(DayNumber day) {
    const Ymd date = YmdFromDayNumber(day);
    return static_cast<float>(date.year) * 10000.0f + static_cast<float>(date.month) * 100.0f +
           static_cast<float>(date.day);
}

FloatBytes FileDateFromDayNumber(DayNumber day) {
    return FloatToMbf(FileDateValue(day));
}

PackedTime PackTime(int hour, int minute, int second) {
    return static_cast<PackedTime>(static_cast<unsigned>(hour * 1800 + minute * 30 + second / 2) &
                                   0xFFFFu);
}

Hms UnpackTime(PackedTime time) {
    return {time / 1800, (time % 1800) / 30, (time % 1800 % 30) * 2};
}

PackedTime PackedTimeFromFileTime(float value) {
    if (!std::isfinite(value) || value < 0.0f || value >= 1.0e6f) {
        return 0;
    }
    const float hour = std::trunc(value / 10000.0f);
    const float minute = std::trunc((value - hour * 10000.0f) / 100.0f);
    const float second = std::trunc(value - hour * 10000.0f - minute * 100.0f);
    return PackTime(static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
}

float FileTimeValue(PackedTime time) {
    const Hms parts = UnpackTime(time);
    return static_cast<float>(parts.hour * 10000 + parts.minute * 100 + parts.second);
}

std::string_view DateFormatName(int code) {
    if (code < kFirstDateFormat || code > kLastDateFormat) {
        return {};
    }
    return kDateFormatNames[code - 1];
}

DayNumber ParseDateText(std::string_view text, int code) {
    std::size_t start = text.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return 0;
    }
    text.remove_prefix(start);
    if (text.front() == '"') {
        text.remove_prefix(1);
    }
    if (text.empty() || code < kFirstDateFormat || code > kLastDateFormat || text.size() > 10) {
        return 0;
    }
    std::string normalised;
    if (code <= 6) {
        const auto isSeparator = [](char c) { return !IsDigit(c); };
        std::size_t first = std::string_view::npos;
        std::size_t last = std::string_view::npos;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (isSeparator(text[i])) {
                if (first == std::string_view::npos) {
                    first = i;
                }
                last = i;
            }
        }
        if (first != std::string_view::npos && first != last) {
            const std::string_view f1 = text.substr(0, first);
            const std::string_view f2 = text.substr(first + 1, last - first - 1);
            const std::string_view f3 = text.substr(last + 1);
            if (code == 2) {
                normalised = std::string(text.substr(0, 5)) + Pad2(f2) + "/" + Pad2(f3);
            } else if (code == 4 || code == 6) {
                normalised =
                    Pad2(f1) + "/" + Pad2(f2) + "/" + (f3.size() == 4 ? std::string(f3) : "1999");
            } else {
                normalised = Pad2(f1) + "/" + Pad2(f2) + "/" + Pad2(f3);
            }
        }
    } else {
        normalised = std::string(text);
    }
    const DateLayout& layout = kDateLayouts[code - 1];
    const int century = layout.century >= 0 ? TwoDigitValue(normalised, layout.century) : 0;
    const int year = TwoDigitValue(normalised, layout.year);
    const int month = TwoDigitValue(normalised, layout.month);
    const int day = TwoDigitValue(normalised, layout.day);
    int centuryOffset = layout.century >= 0 ? (century - 19) * 100 : 0;
    if (year == 0 && month == 0 && day == 0) {
        return 0;
    }
    if (year < 61 && centuryOffset == 0) {
        centuryOffset = 100;
    }
    return DayNumberFromYmd(year + centuryOffset, month, day);
}

std::string FormatDateText(DayNumber day, int code, char separator) {
    if (code < kFirstDateFormat || code > kLastDateFormat) {
        return {};
    }
    int cc = 0, yy = 0, mm = 0, dd = 0;
    if (day != 0) {
        const Ymd date = YmdFromDayNumber(day);
        cc = date.year / 100 + 19;
        yy = date.year % 100;
        mm = date.month;
        dd = date.day;
    }
    const char s = separator;
    char buffer[64];
    switch (code) {
        case 1:
            std::snprintf(buffer, sizeof buffer, "%.2i%c%.2i%c%.2i", yy, s, mm, s, dd);
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%c%.2i%c%.2i", cc, yy, s, mm, s, dd);
            break;
        case 3:
            std::snprintf(buffer, sizeof buffer, "%.2i%c%.2i%c%.2i", mm, s, dd, s, yy);
            break;
        case 4:
            std::snprintf(buffer, sizeof buffer, "%.2i%c%.2i%c%.2i%.2i", mm, s, dd, s, cc, yy);
            break;
        case 5:
            std::snprintf(buffer, sizeof buffer, "%.2i%c%.2i%c%.2i", dd, s, mm, s, yy);
            break;
        case 6:
            std::snprintf(buffer, sizeof buffer, "%.2i%c%.2i%c%.2i%.2i", dd, s, mm, s, cc, yy);
            break;
        case 7:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i", yy, mm, dd);
            break;
        case 8:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i%.2i", cc, yy, mm, dd);
            break;
        case 9:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i", mm, dd, yy);
            break;
        case 10:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i%.2i", mm, dd, cc, yy);
            break;
        case 11:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i", dd, mm, yy);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "%.2i%.2i%.2i%.2i", dd, mm, cc, yy);
            break;
    }
    return buffer;
}

DayNumber DayNumberOfTime(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char text[48];
    std::snprintf(text, sizeof text, "%.2i/%.2i/%.2i", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100);
    return ParseDateText(text, kDateFormatMmDdYy);
}

std::string GridDateText(DayNumber day) {
    return FormatDateText(day, kDateFormatMmDdYy, '/');
}

std::string_view FormatCodeText(int code) {
    switch (code) {
        case -7:
            return "128ths";
        case -6:
            return "64ths";
        case -5:
            return "32nds";
        case -4:
            return "16ths";
        case -3:
            return "8ths";
        case -2:
            return "4ths";
        case -1:
            return "Halves";
        case 0:
            return "Whole Num.";
        case 1:
            return "10ths";
        case 2:
            return "100ths";
        case 3:
            return "1,000ths";
        case 4:
            return "10,000ths";
        case 5:
            return "100,000ths";
        case 100:
            return "100s";
        case 1000:
            return "1,000s";
        default:
            return "Unknown";
    }
}

std::string_view PeriodText(char letter) {
    switch (letter) {
        case 'D':
            return "Daily";
        case 'I':
            return "Intra-day";
        case 'W':
            return "Weekly";
        case 'M':
            return "Monthly";
        case 'Q':
            return "Quarterly";
        case 'Y':
            return "Yearly";
        default:
            return "ERROR";
    }
}

}  // namespace ticksmith::store
