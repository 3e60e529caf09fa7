#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

#include "store/encodings.h"

namespace ticksmith::store {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr DayNumber kJan3of2000 = 14247;

// The MBF value from its definition, independent of the bit shuffling under test.
float MbfValue(const FloatBytes& mbf) {
    const double mantissa = mbf[0] | (mbf[1] << 8) | ((mbf[2] & 0x7F) << 16);
    const double value = std::ldexp(1.0 + mantissa / 8388608.0, mbf[3] - 129);
    return static_cast<float>((mbf[2] & 0x80) != 0 ? -value : value);
}

auto Tie(const Ymd& ymd) {
    return std::make_tuple(ymd.year, ymd.month, ymd.day);
}

TEST(MbfTest, SweepsRoundTripBothWays) {
    EXPECT_EQ(FloatToMbf(-1.0f), (FloatBytes{0x00, 0x00, 0x80, 0x81}));
    EXPECT_EQ(FloatToMbf(1000103.0f), (FloatBytes{0x70, 0x2A, 0x74, 0x94}));
    for (std::uint64_t walk = 0; walk <= 0xFFFFFFFFu; walk += 65521) {
        const auto bits = static_cast<std::uint32_t>(walk);
        const FloatBytes bytes = std::bit_cast<FloatBytes>(bits);
        // As MBF: exponent bytes 0 to 2 read as 0, everything else converts exactly.
        if (bytes[3] <= 2) {
            ASSERT_EQ(MbfToIeee(bytes), FloatBytes{}) << std::hex << bits;
        } else {
            ASSERT_EQ(MbfToFloat(bytes), MbfValue(bytes)) << std::hex << bits;
            ASSERT_EQ(IeeeToMbf(MbfToIeee(bytes)), bytes) << std::hex << bits;
        }
        // As IEEE: every normal value below 2^127 converts exactly and back.
        const int exponent = (bits >> 23) & 0xFF;
        if (exponent != 0 && exponent < 254) {
            ASSERT_EQ(MbfValue(IeeeToMbf(bytes)), std::bit_cast<float>(bits)) << std::hex << bits;
            ASSERT_EQ(MbfToIeee(IeeeToMbf(bytes)), bytes) << std::hex << bits;
        }
    }
}

TEST(MbfTest, ValuesOutsideTheSharedRange) {
    const FloatBytes largest{0xFF, 0xFF, 0x7F, 0xFF};
    const FloatBytes largestNegative{0xFF, 0xFF, 0xFF, 0xFF};
    for (float zero : {0.0f, -0.0f, kNaN, -kNaN, std::numeric_limits<float>::denorm_min(),
                       -std::numeric_limits<float>::min() / 2}) {
        EXPECT_EQ(FloatToMbf(zero), FloatBytes{}) << zero;
    }
    for (float big : {kInf, std::ldexp(1.0f, 127), std::numeric_limits<float>::max(),
                      std::nextafter(std::ldexp(1.0f, 127), 0.0f)}) {
        EXPECT_EQ(FloatToMbf(big), largest) << big;
        EXPECT_EQ(FloatToMbf(-big), largestNegative) << big;
    }
    for (std::uint8_t exponent : {0, 1, 2}) {
        EXPECT_EQ(MbfToFloat({0x12, 0x34, 0xD6, exponent}), 0.0f);
    }
}

// Walks the calendar a day at a time: a year counted from 1900 that divides by 4 is a leap
// year, with no century exception.
TEST(DayNumberTest, EveryDayRoundTripsThroughDateAndFileDate) {
    static constexpr int kLength[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    Ymd expected{61, 1, 1};
    for (int day = 1; day <= 65535; ++day) {
        const auto number = static_cast<DayNumber>(day);
        const Ymd ymd = YmdFromDayNumber(number);
        ASSERT_EQ(Tie(ymd), Tie(expected)) << day;
        ASSERT_EQ(DayNumberFromYmd(ymd.year, ymd.month, ymd.day), number);
        ASSERT_EQ(DayNumberFromYmd(ymd.year + 1900, ymd.month, ymd.day), number);
        const float stored = MbfToFloat(FileDateFromDayNumber(number));
        ASSERT_EQ(stored, ymd.year * 10000.0f + ymd.month * 100.0f + ymd.day) << day;
        ASSERT_EQ(DayNumberFromFileDate(stored), number) << day;
        const bool leap = expected.month == 2 && expected.year % 4 == 0;
        if (++expected.day > kLength[expected.month - 1] + (leap ? 1 : 0)) {
            expected.day = 1;
            expected.year += expected.month / 12;
            expected.month = expected.month % 12 + 1;
        }
    }
    EXPECT_EQ(Tie(YmdFromDayNumber(65535)), std::make_tuple(240, 6, 4));
    EXPECT_EQ(Tie(YmdFromDayNumber(0)), std::make_tuple(0, 0, 0));
    EXPECT_EQ((kJan3of2000 - 1) % 7, 1);  // a Monday
}

TEST(DayNumberTest, FileDatesWithTwoDigitYearsOrDamage) {
    EXPECT_EQ(DayNumberFromFileDate(103.0f), kJan3of2000);
    EXPECT_EQ(DayNumberFromFileDate(590103.0f), DayNumberFromYmd(159, 1, 3));
    EXPECT_EQ(DayNumberFromFileDate(610103.0f), DayNumberFromYmd(61, 1, 3));
    EXPECT_EQ(DayNumberFromFileDate(991231.0f), DayNumberFromYmd(99, 12, 31));
    for (float damaged : {kNaN, kInf, -kInf, 99991232.0f, 1.0e30f, -2000000.0f, 1001303.0f}) {
        EXPECT_EQ(DayNumberFromFileDate(damaged), 0) << damaged;
    }
    EXPECT_EQ(DayNumberFromYmd(100, 0, 3), 0);
    EXPECT_EQ(DayNumberFromYmd(100, 13, 3), 0);
}

TEST(DateTextTest, ParseLayoutsAndOddTexts) {
    // 1/3/00 with a year that is not four digits long is 1999; 1900 to 1960 are 2000 to 2060;
    // an empty field reads as 00.
    const std::tuple<const char*, int, DayNumber> cases[] = {
        {"1/3/00", 3, kJan3of2000},
        {"  \"01/03/2000", 4, kJan3of2000},
        {"1/3/00", 4, DayNumberFromYmd(99, 1, 3)},
        {"1900.1.3", 2, kJan3of2000},
        {"1/3/60", 3, DayNumberFromYmd(160, 1, 3)},
        {"1/3/61", 3, 3},
        {"1//00", 3, DayNumberFromYmd(100, 1, 0)},
        {"000000", 7, 0},
        {"1/3", 3, 0},
        {"20000103000", 8, 0},
        {"   ", 3, 0},
        {"\"", 3, 0},
        {"1/3/00", 0, 0},
        {"1/3/00", 13, 0},
        {"13/45/00", 3, 0}};
    for (const auto& [text, code, day] : cases) {
        EXPECT_EQ(ParseDateText(text, code), day) << text << " code " << code;
    }
}

TEST(DateTextTest, FormatThenParseGivesTheSameDay) {
    EXPECT_EQ(FormatDateText(kJan3of2000, 2, '-'), "2000-01-03");
    EXPECT_EQ(FormatDateText(kJan3of2000, 9, '-'), "010300");
    EXPECT_EQ(FormatDateText(0, 2, '/'), "0000/00/00");
    EXPECT_EQ(FormatDateText(kJan3of2000, 13, '/'), "");
    // Two-digit years cover 1961 to 2060; codes with a century cover every day number.
    const int lastTwoDigitDay = DayNumberFromYmd(160, 12, 31);
    for (int code = kFirstDateFormat; code <= kLastDateFormat; ++code) {
        for (int day = 1 + code % 3; day <= (code % 2 == 0 ? 65535 : lastTwoDigitDay); day += 3) {
            const std::string text =
                FormatDateText(static_cast<DayNumber>(day), code, "/-. "[day % 4]);
            ASSERT_EQ(ParseDateText(text, code), day) << text << " code " << code;
        }
    }
}

TEST(TimeTest, PackedTimesRoundTrip) {
    EXPECT_EQ(PackTime(9, 30, 15), 17107);
    EXPECT_EQ(
        std::make_tuple(UnpackTime(17107).hour, UnpackTime(17107).minute, UnpackTime(17107).second),
        std::make_tuple(9, 30, 14));
    for (int packed = 0; packed < 24 * 1800; ++packed) {
        const auto time = static_cast<PackedTime>(packed);
        const Hms parts = UnpackTime(time);
        ASSERT_EQ(PackTime(parts.hour, parts.minute, parts.second), time);
        ASSERT_EQ(PackedTimeFromFileTime(FileTimeValue(time)), time);
    }
    EXPECT_EQ(PackedTimeFromFileTime(kNaN), 0);
    EXPECT_EQ(PackedTimeFromFileTime(-5.0f), 0);
}

}  // namespace
}  // namespace ticksmith::store
