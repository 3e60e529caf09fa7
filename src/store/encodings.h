#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <string_view>

#include "store/status.h"

namespace ticksmith::store {

// Four bytes of a stored number, byte 0 first.
using FloatBytes = std::array<std::uint8_t, 4>;

// Microsoft Binary Format <-> IEEE single, both as stored little-endian bytes. Magnitudes that
// the target cannot hold saturate to its largest finite value; those below its range become 0.
inline FloatBytes MbfToIeee(const FloatBytes& mbf);
FloatBytes IeeeToMbf(const FloatBytes& ieee);
inline float MbfToFloat(const FloatBytes& mbf);
FloatBytes FloatToMbf(float value);

// Day number: 1 is 1 January 1961, 0 is no date.
using DayNumber = std::uint16_t;
// Time of day at two-second resolution: hour * 1800 + minute * 30 + second / 2.
using PackedTime = std::uint16_t;

struct Ymd {
    int year = 0;  // counted from 1900
    int month = 0;
    int day = 0;
};

// A month outside 1 to 12 gives 0 (no date).
DayNumber DayNumberFromYmd(int year, int month, int day);
// Day number 0 gives {0, 0, 0}.
Ymd YmdFromDayNumber(DayNumber day);
// `value` is an IEEE file date such as 1000103 (3 January 2000) or 103.
DayNumber DayNumberFromFileDate(float value);
float FileDateValue(DayNumber day);
FloatBytes FileDateFromDayNumber(DayNumber day);

PackedTime PackTime(int hour, int minute, int second);
struct Hms {
    int hour = 0;
    int minute = 0;
    int second = 0;
};
Hms UnpackTime(PackedTime time);
PackedTime PackedTimeFromFileTime(float value);
float FileTimeValue(PackedTime time);

// Date format codes 1 to 12 of profiles, the import and the date edits.
inline constexpr int kFirstDateFormat = 1;
inline constexpr int kLastDateFormat = 12;
inline constexpr int kDateFormatMmDdYy = 3;
std::string_view DateFormatName(int code);

// 0 when the text is not a date in that format.
DayNumber ParseDateText(std::string_view text, int code);
// Empty for a code outside 1 to 12; day 0 prints as zeros.
std::string FormatDateText(DayNumber day, int code, char separator);
// The local date of `now` as the program reads the system date: MM/DD/YY parsed with code 3.
DayNumber DayNumberOfTime(std::time_t now);

// MM/DD/YY, the form in which the quote grid shows dates.
std::string GridDateText(DayNumber day);

std::string_view FormatCodeText(int code);
std::string_view PeriodText(char letter);

inline FloatBytes MbfToIeee(const FloatBytes& mbf) {
    if (mbf[3] <= 2) {
        return {0, 0, 0, 0};  // zero, or below the smallest IEEE normal magnitude
    }
    const std::uint8_t sign = mbf[2] & 0x80;
    const int exponent = mbf[3] - 2;
    return {mbf[0], mbf[1], static_cast<std::uint8_t>(((exponent & 1) << 7) | (mbf[2] & 0x7F)),
            static_cast<std::uint8_t>(sign | (exponent >> 1))};
}

// Inline: reading a series converts every field of every record.
inline float MbfToFloat(const FloatBytes& mbf) {
    const FloatBytes ieee = MbfToIeee(mbf);
    float value;
    std::memcpy(&value, ieee.data(), sizeof value);
    return value;
}

}  // namespace ticksmith::store
