// Writes the bundled sample portfolio: a handful of symbols with four years of plausible,
// synthetic daily quotes. The output is committed; rerun scripts/make-sample to remake it.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <random>
#include <string_view>
#include <vector>

#include "store/master.h"
#include "store/quotes.h"

namespace {

using namespace ticksmith::store;

struct SampleSymbol {
    std::string_view symbol;
    std::string_view name;
    float startPrice;
    double baseVolume;
};

constexpr SampleSymbol kSymbols[] = {
    {"KBAY", "KESTREL BAY HLDG", 42.10f, 850000},
    {"NWRL", "NORTHWIND RAIL", 18.35f, 1400000},
    {"CORL", "CORAL ENERGY", 67.80f, 600000},
    {"ALDR", "ALDER PHARMA", 120.40f, 300000},
    {"SLVX", "SILVERLINE MINES", 9.85f, 2200000},
};

// A fixed generator and our own normal variate, so the output is the same on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_engine(seed) {}
    double Uniform() { return (static_cast<double>(m_engine()) + 0.5) / 4294967296.0; }
    double Normal() {
        return std::sqrt(-2.0 * std::log(Uniform())) * std::cos(2.0 * std::numbers::pi * Uniform());
    }

private:
    std::mt19937 m_engine;
};

float Cents(double value) { return static_cast<float>(std::round(value * 100.0) / 100.0); }

bool IsWeekday(DayNumber day) {
    const int weekday = (day - 1) % 7;  // 0 Sunday
    return weekday != 0 && weekday != 6;
}

std::vector<Quote> MakeQuotes(const SampleSymbol& sample, Random& random, DayNumber first,
                              DayNumber last) {
    std::vector<Quote> quotes;
    double close = sample.startPrice;
    for (DayNumber day = first; day <= last; ++day) {
        if (!IsWeekday(day)) {
            continue;
        }
        const double open = close * (1.0 + 0.004 * random.Normal());
        close = std::max(0.5, open * (1.0 + 0.0003 + 0.015 * random.Normal()));
        Quote quote;
        quote.date = day;
        quote.open = Cents(open);
        quote.close = Cents(close);
        quote.high = Cents(std::max(open, close) * (1.0 + std::abs(0.006 * random.Normal())));
        quote.low = Cents(std::min(open, close) * (1.0 - std::abs(0.006 * random.Normal())));
        quote.volume = static_cast<float>(
            std::round(sample.baseVolume * std::exp(0.35 * random.Normal()) / 100.0) * 100.0);
        quote.openInterest = 0.0f;
        quotes.push_back(quote);
    }
    return quotes;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_sample OUTPUT_DIRECTORY\n";
        return 2;
    }
    const std::filesystem::path portfolio = std::filesystem::path(argv[1]) / "Portfolio";
    std::filesystem::remove_all(portfolio);
    std::filesystem::create_directories(portfolio);
    if (CreateEmptyMaster(portfolio) != kSuccess) {
        std::cerr << "cannot create " << portfolio << "/MASTER\n";
        return 1;
    }
    const DayNumber first = DayNumberFromYmd(2021, 1, 4);
    const DayNumber last = DayNumberFromYmd(2024, 12, 31);
    Random random(20261206);
    for (const SampleSymbol& sample : kSymbols) {
        const FieldLayout layout = LayoutOf(kStandardFields);
        MasterRecord record = NewMasterRecord(sample.symbol, sample.name, 7);
        const int fileNumber = AppendMasterRecord(portfolio, record);
        const std::vector<Quote> quotes = MakeQuotes(sample, random, first, last);
        if (fileNumber <= 0 || CreateQuoteFiles(portfolio, fileNumber, kStandardFields) != kSuccess ||
            WriteSeries(portfolio, fileNumber, layout, record.recordLength, quotes,
                        "F" + std::to_string(fileNumber) + ".NEW") != kSuccess ||
            SetMasterDates(portfolio, fileNumber, FileDateFromDayNumber(quotes.front().date),
                           FileDateFromDayNumber(quotes.back().date), false) != kSuccess) {
            std::cerr << "cannot write " << sample.symbol << '\n';
            return 1;
        }
        std::cout << sample.symbol << ": " << quotes.size() << " quotes\n";
    }
    return 0;
}
