// Writes the bundled sample: a working directory with a portfolio of a handful of symbols
// holding four years of plausible, synthetic daily quotes (Portfolio/), each assigned to the
// default profile, and two daily update files for the days after (Sample/Textdata/), whose
// directory is the one the default profile points at. The output is committed; rerun
// scripts/make-sample to remake it.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <numbers>
#include <random>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "profiles/profile.h"
#include "settings/settings_store.h"
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
    {"KBAY", "KESTREL BAY HLDG", 42.10f, 850000}, {"NWRL", "NORTHWIND RAIL", 18.35f, 1400000},
    {"CORL", "CORAL ENERGY", 67.80f, 600000},     {"ALDR", "ALDER PHARMA", 120.40f, 300000},
    {"SLVX", "SILVERLINE MINES", 9.85f, 2200000},
};

// Update files: which symbols each day's file carries. ALDR is in none, so the sample run has
// an anomaly to report; MAPL is in no portfolio, a new symbol.
constexpr std::string_view kUpdateDays[][2] = {{"250102", "KBAY NWRL CORL SLVX MAPL"},
                                               {"250103", "KBAY NWRL CORL MAPL"}};

class SilentMessenger : public ticksmith::platform::Messenger {
  public:
    void Show(std::string_view text, ticksmith::platform::MessageIcon) override {
        std::cerr << text << '\n';
    }
    bool AskYesNo(std::string_view, ticksmith::platform::MessageIcon) override { return false; }
    bool AskOkCancel(std::string_view, ticksmith::platform::MessageIcon) override { return false; }
    void Play(ticksmith::platform::Sound) override {}
};

std::string UpdateLine(std::string_view symbol, const Quote& quote) {
    char line[160];
    std::snprintf(line, sizeof line, "%s,%s,%.2f,%.2f,%.2f,%.2f,%.0f\r\n",
                  std::string(symbol).c_str(), GridDateText(quote.date).c_str(),
                  static_cast<double>(quote.open), static_cast<double>(quote.high),
                  static_cast<double>(quote.low), static_cast<double>(quote.close),
                  static_cast<double>(quote.volume));
    return line;
}

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

float Cents(double value) {
    return static_cast<float>(std::round(value * 100.0) / 100.0);
}

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
    const std::filesystem::path output(argv[1]);
    const std::filesystem::path portfolio = output / "Portfolio";
    const std::filesystem::path updates = output / "Sample" / "Textdata";
    std::filesystem::remove_all(portfolio);
    std::filesystem::remove_all(output / "Sample");
    std::filesystem::create_directories(portfolio);
    std::filesystem::create_directories(updates);
    if (CreateEmptyMaster(portfolio) != kSuccess) {
        std::cerr << "cannot create " << portfolio << "/MASTER\n";
        return 1;
    }
    const DayNumber first = DayNumberFromYmd(2021, 1, 4);
    const DayNumber updateLast = DayNumberFromYmd(2025, 1, 3);
    Random random(20261206);
    ticksmith::settings::MemorySettingsStore settings;
    SilentMessenger messenger;
    std::map<std::string, std::string> updateFiles;
    for (const SampleSymbol& sample : kSymbols) {
        const FieldLayout layout = LayoutOf(kStandardFields);
        MasterRecord record = NewMasterRecord(sample.symbol, sample.name, 7);
        const FileNumberResult appended = AppendMasterRecord(portfolio, record);
        const int fileNumber = appended.fileNumber;
        std::vector<Quote> quotes = MakeQuotes(sample, random, first, updateLast);
        for (const auto& [day, symbols] : kUpdateDays) {
            const Quote& quote = quotes[quotes.size() - (day == kUpdateDays[0][0] ? 2 : 1)];
            if (symbols.find(sample.symbol) != std::string_view::npos) {
                updateFiles["Q" + std::string(day) + ".TXT"] += UpdateLine(sample.symbol, quote);
            }
        }
        quotes.resize(quotes.size() - 2);
        if (!appended.Succeeded() ||
            CreateQuoteFiles(portfolio, fileNumber, kStandardFields) != kSuccess ||
            WriteSeries(portfolio, fileNumber, layout, record.recordLength, quotes,
                        "F" + std::to_string(fileNumber) + ".NEW") != kSuccess ||
            SetMasterDates(portfolio, fileNumber, FileDateFromDayNumber(quotes.front().date),
                           FileDateFromDayNumber(quotes.back().date), false) != kSuccess) {
            std::cerr << "cannot write " << sample.symbol << '\n';
            return 1;
        }
        if (!ticksmith::profiles::AssignProfile(portfolio, fileNumber,
                                                ticksmith::profiles::kDefaultProfileName, settings,
                                                messenger)) {
            return 1;
        }
        std::cout << sample.symbol << ": " << quotes.size() << " quotes\n";
    }
    // A symbol no portfolio holds yet.
    Quote newcomer;
    newcomer.date = DayNumberFromYmd(2025, 1, 2);
    newcomer.open = 31.20f;
    newcomer.high = 31.95f;
    newcomer.low = 30.85f;
    newcomer.close = 31.70f;
    newcomer.volume = 415000.0f;
    updateFiles["Q250102.TXT"] += UpdateLine("MAPL", newcomer);
    newcomer.date = DayNumberFromYmd(2025, 1, 3);
    updateFiles["Q250103.TXT"] += UpdateLine("MAPL", newcomer);
    for (const auto& [name, text] : updateFiles) {
        std::ofstream(updates / name, std::ios::binary) << text;
    }
    return 0;
}
