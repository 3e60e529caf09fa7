#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "store/master.h"
#include "test_support.h"

// Intraday portfolios as other software writes them: 32-byte records (date, time, open, high,
// low, close, volume, open interest), no F<n>.DOP. The bytes are made and read back here by
// hand, apart from the store's codecs, so that a fault there cannot hide itself.
namespace ticksmith::test::intraday {

// One bar as its fields stand in the file: the date and time as their digit numbers.
struct Bar {
    int date = 0;  // (year - 1900) * 10000 + month * 100 + day
    int time = 0;  // hour * 10000 + minute * 100 + second
    float open = 0, high = 0, low = 0, close = 0, volume = 0, openInterest = 0;
};

// A value in Microsoft Binary Format: (1 + mantissa / 2^23) * 2^(exponent - 129).
inline void PutMbf(double value, std::uint8_t* at) {
    at[0] = at[1] = at[2] = at[3] = 0;
    if (value == 0) {
        return;
    }
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);  // in [0.5, 1)
    const auto mantissa = static_cast<std::uint32_t>(std::lround((2 * fraction - 1) * 8388608.0));
    at[0] = static_cast<std::uint8_t>(mantissa);
    at[1] = static_cast<std::uint8_t>(mantissa >> 8);
    at[2] = static_cast<std::uint8_t>(((mantissa >> 16) & 0x7F) | (value < 0 ? 0x80 : 0));
    at[3] = static_cast<std::uint8_t>(exponent + 128);
}

inline double PlainMbf(const std::uint8_t* at) {
    if (at[3] == 0) {
        return 0;
    }
    const std::uint32_t mantissa = at[0] | (at[1] << 8) | ((at[2] & 0x7Fu) << 16);
    const double value = std::ldexp(1 + mantissa / 8388608.0, at[3] - 129);
    return (at[2] & 0x80) != 0 ? -value : value;
}

inline Bytes PlainDataFile(const std::vector<Bar>& bars) {
    Bytes bytes(32 * (bars.size() + 1));
    bytes[2] = static_cast<std::uint8_t>((bars.size() + 1) & 0xFF);
    bytes[3] = static_cast<std::uint8_t>((bars.size() + 1) >> 8);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const Bar& bar = bars[i];
        const double fields[8] = {static_cast<double>(bar.date),
                                  static_cast<double>(bar.time),
                                  bar.open,
                                  bar.high,
                                  bar.low,
                                  bar.close,
                                  bar.volume,
                                  bar.openInterest};
        for (int field = 0; field < 8; ++field) {
            PutMbf(fields[field], bytes.data() + 32 * (i + 1) + 4 * field);
        }
    }
    return bytes;
}

inline std::vector<Bar> PlainBars(const Bytes& bytes) {
    std::vector<Bar> bars;
    for (std::size_t at = 32; at + 32 <= bytes.size(); at += 32) {
        const auto field = [&](int index) { return PlainMbf(bytes.data() + at + 4 * index); };
        bars.push_back({static_cast<int>(field(0)), static_cast<int>(field(1)),
                        static_cast<float>(field(2)), static_cast<float>(field(3)),
                        static_cast<float>(field(4)), static_cast<float>(field(5)),
                        static_cast<float>(field(6)), static_cast<float>(field(7))});
    }
    return bars;
}

// MM/DD/YY and HH:MM:SS of a bar, written out by hand.
inline std::string DateText(const Bar& bar) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", bar.date / 100 % 100, bar.date % 100,
                  bar.date / 10000 % 100);
    return text;
}
inline std::string TimeText(const Bar& bar) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", bar.time / 10000, bar.time / 100 % 100,
                  bar.time % 100);
    return text;
}

// `days` weekdays from Monday 15 November 2021, `perDay` bars each, every ten minutes from
// 09:30 (the time field holds even seconds: the in-memory time counts two-second steps).
inline std::vector<Bar> Bars(int days, int perDay, float base) {
    std::vector<Bar> bars;
    for (int day = 0; day < days; ++day) {
        for (int bar = 0; bar < perDay; ++bar) {
            const int minutes = 9 * 60 + 30 + 10 * bar;
            const float open = base + 0.25f * static_cast<float>(day * perDay + bar);
            bars.push_back({1211115 + day, minutes / 60 * 10000 + minutes % 60 * 100 + 2 * bar,
                            open, open + 0.5f, open - 0.75f, open + 0.125f,
                            1000.0f + 10.0f * static_cast<float>(bar), 0.0f});
        }
    }
    return bars;
}

// A symbol of 32-byte records and no F<n>.DOP, its record added by the store's MASTER writer
// with the intraday period; returns its file number.
inline int AddIntradaySymbol(const fs::path& dir, const std::string& symbol,
                             const std::vector<Bar>& bars) {
    if (!fs::exists(store::MasterPath(dir))) {
        EXPECT_EQ(store::CreateEmptyMaster(dir), store::kSuccess);
    }
    store::MasterRecord record = store::NewMasterRecord(symbol, symbol + " INTRADAY", 8);
    record.period = 'I';
    const store::FileNumberResult appended = store::AppendMasterRecord(dir, record);
    EXPECT_TRUE(appended.Succeeded());
    WriteBytes(dir / store::DataFileName(appended.fileNumber), PlainDataFile(bars));
    store::FloatBytes first{}, last{};
    PutMbf(bars.front().date, first.data());
    PutMbf(bars.back().date, last.data());
    EXPECT_EQ(store::SetMasterDates(dir, appended.fileNumber, first, last, false), store::kSuccess);
    return appended.fileNumber;
}

}  // namespace ticksmith::test::intraday
