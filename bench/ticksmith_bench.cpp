// Times the two reads every screen of the program starts with, each beside its floor: the cost
// of merely getting the same bytes from the operating system.
//
//   ticksmith_bench            full run: repetitions, medians, a summary with the ratios
//   ticksmith_bench --quick    milliseconds each, so that a test can keep the program alive
//
// Google Benchmark's own flags pass through: --benchmark_filter=REGEX, and
// --benchmark_out=FILE for the figures as JSON.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/safe_replace.h"
#include "portfolio/grid_format.h"
#include "portfolio/view_state.h"
#include "store/encodings.h"
#include "store/master.h"
#include "store/quotes.h"
#include "store/status.h"

namespace {

namespace fs = std::filesystem;
namespace store = ticksmith::store;
namespace platform = ticksmith::platform;
namespace bench = ticksmith::bench;
using bench::Fail;
using bench::NoSyncFileSystem;

constexpr int kSeriesQuotes = store::kMaxSeriesQuotes;
constexpr int kSeriesPortfolioSymbols = 8;
constexpr int kSearchPortfolioSymbols = store::kMaxSymbols;
// Record 254 of 255: the search has to pass every other symbol first.
constexpr int kSearchTargetRecord = kSearchPortfolioSymbols - 1;
constexpr std::string_view kMissingSymbol = "NOSUCH";
constexpr double kTargetRatio = 2.0;

class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        std::string pattern = (fs::temp_directory_path() / "ticksmith-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(EXIT_FAILURE);
        }
        m_path = pattern;
    }
    ~TemporaryDirectory() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
};

[[noreturn]] void Fail(const std::string& what, int status) {
    Fail(what + " failed: " + std::to_string(status) + " (" +
         std::string(store::StatusText(status)) + ")");
}

void Check(const std::string& what, int status) {
    if (status != store::kSuccess) {
        Fail(what, status);
    }
}

// Distinct tickers of three or four letters: 7919 is prime to 26^3, so the map is one-to-one.
std::string Ticker(int index) {
    int code = (index * 7919 + 1201) % (26 * 26 * 26);
    std::string ticker(3, 'A');
    for (int at = 2; at >= 0; --at) {
        ticker[static_cast<std::size_t>(at)] = static_cast<char>('A' + code % 26);
        code /= 26;
    }
    if (index % 3 == 1) {
        ticker += static_cast<char>('A' + index % 26);
    }
    return ticker;
}

std::string IssueName(const std::string& ticker, int index) {
    static constexpr std::string_view kKinds[] = {" INDUSTRIES", " HOLDINGS", " CORP",
                                                  " MINING",     " BANK",     " PHARMA"};
    return ticker + std::string(kKinds[static_cast<std::size_t>(index) % std::size(kKinds)]);
}

// Weekdays from Monday 2 January 1961 on: a plausible daily series for 16000 sessions ends
// in 2022.
std::vector<store::Quote> DailyQuotes(int count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> drift(0.0003, 0.015);
    std::normal_distribution<double> gap(0.0, 0.004);
    std::normal_distribution<double> range(0.0, 0.007);
    std::lognormal_distribution<double> volume(13.5, 0.6);
    const auto cents = [](double value) {
        return static_cast<float>(std::round(value * 100) / 100);
    };

    std::vector<store::Quote> quotes;
    quotes.reserve(static_cast<std::size_t>(count));
    double close = 12.50;
    store::DayNumber day = 2;
    while (static_cast<int>(quotes.size()) < count) {
        const int weekday = (day - 1) % 7;  // 0 Sunday
        if (weekday != 0 && weekday != 6) {
            const double open = close * (1 + gap(random));
            close = std::max(0.05, close * std::exp(drift(random)));
            store::Quote quote;
            quote.date = day;
            quote.open = cents(open);
            quote.close = cents(close);
            quote.high = cents(std::max(open, close) * (1 + std::abs(range(random))));
            quote.low = cents(std::min(open, close) * (1 - std::abs(range(random))));
            quote.volume = static_cast<float>(std::round(volume(random) / 100) * 100);
            quote.openInterest = 0;
            quotes.push_back(quote);
        }
        ++day;
    }
    return quotes;
}

// Appends a symbol with its header-only files, as Add Symbol does; returns its file number.
int AddSymbol(const fs::path& directory, const std::string& ticker, const std::string& name) {
    store::MasterRecord record = store::NewMasterRecord(ticker, name, 7);
    const store::FileNumberResult appended = store::AppendMasterRecord(directory, record);
    if (!appended.Succeeded()) {
        Fail("AppendMasterRecord " + ticker, appended.status);
    }
    const int fileNumber = appended.fileNumber;
    Check("CreateQuoteFiles " + ticker,
          store::CreateQuoteFiles(directory, fileNumber, store::kStandardFields));
    return fileNumber;
}

void WriteQuotes(const fs::path& directory, int fileNumber,
                 const std::vector<store::Quote>& quotes) {
    constexpr int kRecordLength = 28;
    store::FieldLayout layout;
    Check("ReadFieldLayout",
          store::ReadFieldLayout(directory, fileNumber, kRecordLength, layout, 'D'));
    std::vector<std::uint8_t> bytes(kRecordLength * (quotes.size() + 1));
    for (std::size_t at = 0; at < kRecordLength; at += 4) {
        bytes[at + 2] = 1;
    }
    platform::WriteI16(bytes.data() + 2, static_cast<std::int16_t>(quotes.size() + 1));
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        store::EncodeQuote(quotes[i], layout, bytes.data() + kRecordLength * (i + 1),
                           kRecordLength);
    }
    const std::string name = store::DataFileName(fileNumber);
    if (!platform::ReplaceFileContents(directory, name, name + ".tmp", bytes.data(),
                                       bytes.size())) {
        Fail("writing " + name, store::kFileWrite);
    }
    Check("SetMasterDates",
          store::SetMasterDates(directory, fileNumber,
                                store::FileDateFromDayNumber(quotes.front().date),
                                store::FileDateFromDayNumber(quotes.back().date), false));
}

struct Fixture {
    TemporaryDirectory root;
    fs::path seriesPortfolio;
    std::string seriesSymbol;
    int seriesFileNumber = 0;
    fs::path seriesDataFile;
    fs::path searchPortfolio;
    std::string searchSymbol;
    fs::path searchMaster;
};

void Build(Fixture& fixture) {
    NoSyncFileSystem noSync;
    platform::ScopedFileSystem scoped(noSync);

    fixture.seriesPortfolio = fixture.root.Path() / "SERIES";
    fs::create_directory(fixture.seriesPortfolio);
    Check("CreateEmptyMaster", store::CreateEmptyMaster(fixture.seriesPortfolio));
    for (int i = 0; i < kSeriesPortfolioSymbols; ++i) {
        const std::string ticker = Ticker(1000 + i);
        const int fileNumber = AddSymbol(fixture.seriesPortfolio, ticker, IssueName(ticker, i));
        const int count = i == 0 ? kSeriesQuotes : 250 + 40 * i;
        WriteQuotes(fixture.seriesPortfolio, fileNumber,
                    DailyQuotes(count, 20240101u + static_cast<std::uint32_t>(i)));
        if (i == 0) {
            fixture.seriesSymbol = ticker;
            fixture.seriesFileNumber = fileNumber;
            fixture.seriesDataFile = fixture.seriesPortfolio / store::DataFileName(fileNumber);
        }
    }

    fixture.searchPortfolio = fixture.root.Path() / "SEARCH";
    fs::create_directory(fixture.searchPortfolio);
    Check("CreateEmptyMaster", store::CreateEmptyMaster(fixture.searchPortfolio));
    for (int i = 1; i <= kSearchPortfolioSymbols; ++i) {
        const std::string ticker = Ticker(i);
        AddSymbol(fixture.searchPortfolio, ticker, IssueName(ticker, i));
        if (i == kSearchTargetRecord) {
            fixture.searchSymbol = ticker;
        }
    }
    fixture.searchMaster = store::MasterPath(fixture.searchPortfolio);
}

// What every check below relies on; a failure here means the measured path is not the one
// described.
void Verify(const Fixture& fixture) {
    store::QuoteSeries series;
    Check("AllocSeries", store::AllocSeries(series, kSeriesQuotes));
    Check("ReadSeries",
          store::ReadSeries(series, fixture.seriesPortfolio, fixture.seriesSymbol, 0, -1));
    if (series.count != kSeriesQuotes || series.quotes.back().close <= 0 ||
        series.quotes.front().date >= series.quotes.back().date) {
        Fail("ReadSeries returned " + std::to_string(series.count) + " quotes");
    }
    store::MasterHeader header;
    Check("ReadMasterHeader", store::ReadMasterHeader(fixture.searchPortfolio, header));
    if (header.count != kSearchPortfolioSymbols) {
        Fail("the MASTER holds " + std::to_string(header.count) + " symbols");
    }
    store::MasterRecord record;
    fs::path found;
    Check("FindSymbol",
          store::FindSymbol(fixture.searchPortfolio, fixture.searchSymbol, record, found));
    std::vector<store::MasterRecord> records;
    Check("ReadMasterRecords", store::ReadMasterRecords(fixture.searchPortfolio, records));
    if (record.fileNumber != records[kSearchTargetRecord - 1].fileNumber) {
        Fail("FindSymbol found file " + std::to_string(record.fileNumber));
    }
    const int missing = store::FindSymbol(fixture.searchPortfolio, kMissingSymbol, record, found);
    if (missing != store::kFileNotFound) {
        Fail("FindSymbol for a missing symbol", missing);
    }
}

// The floor: open, size, one read into a buffer that is already large enough, close.
void ReadBytesOnce(const fs::path& path, std::vector<std::uint8_t>& buffer) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0) {
        Fail("open " + path.string(), store::kFileOpen);
    }
    buffer.resize(static_cast<std::size_t>(info.st_size));
    std::size_t total = 0;
    while (total < buffer.size()) {
        const ssize_t got = ::pread(descriptor, buffer.data() + total, buffer.size() - total,
                                    static_cast<off_t>(total));
        if (got <= 0) {
            Fail("read " + path.string(), store::kFileRead);
        }
        total += static_cast<std::size_t>(got);
    }
    ::close(descriptor);
    benchmark::DoNotOptimize(buffer.data());
    benchmark::ClobberMemory();
}

// Which measurement is weighed against which floor in the summary.
struct Comparison {
    std::string label;
    std::string operation;
    std::string floor;
};

// Prints the usual table, keeps each benchmark's times (the medians when repeated), and ends
// with one line per comparison. The CPU-time ratio is printed too: on a busy machine it stays
// put while the real-time one drifts.
class SummaryReporter : public benchmark::ConsoleReporter {
  public:
    SummaryReporter(std::vector<Comparison> comparisons, OutputOptions options)
        : ConsoleReporter(options), m_comparisons(std::move(comparisons)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                continue;
            }
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single) {
                m_times[run.run_name.function_name] = {
                    run.GetAdjustedRealTime() * Scale(run.time_unit),
                    run.GetAdjustedCPUTime() * Scale(run.time_unit)};
            }
        }
    }

    void PrintSummary() const {
        std::printf("\n%-42s %12s %12s %8s %10s\n", "median real time", "time/op", "floor/op",
                    "ratio", "cpu ratio");
        for (const Comparison& comparison : m_comparisons) {
            const auto operation = m_times.find(comparison.operation);
            const auto floor = m_times.find(comparison.floor);
            if (operation == m_times.end() || floor == m_times.end()) {
                continue;
            }
            const double ratio = operation->second.real / floor->second.real;
            std::printf("%-42s %9.2f us %9.2f us %7.2fx %9.2fx%s\n", comparison.label.c_str(),
                        operation->second.real, floor->second.real, ratio,
                        operation->second.cpu / floor->second.cpu,
                        ratio <= kTargetRatio ? "" : "  (above the 2x target)");
        }
    }

  private:
    static double Scale(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond:
                return 1e-3;
            case benchmark::kMicrosecond:
                return 1.0;
            case benchmark::kMillisecond:
                return 1e3;
            case benchmark::kSecond:
                return 1e6;
        }
        return 1.0;
    }

    std::vector<Comparison> m_comparisons;
    struct Times {
        double real = 0;  // microseconds
        double cpu = 0;
    };
    std::map<std::string, Times> m_times;
};

void RegisterAll(const Fixture& fixture, bool quick) {
    const auto configure = [quick](benchmark::internal::Benchmark* benchmark) {
        benchmark->Unit(benchmark::kMicrosecond)->UseRealTime();
        // The warm-up keeps first-touch page faults of the buffers out of the figures.
        if (quick) {
            benchmark->MinWarmUpTime(0.002)->MinTime(0.005);
        } else {
            benchmark->MinWarmUpTime(0.05)->MinTime(0.3)->Repetitions(5)->ReportAggregatesOnly(
                true);
        }
    };

    configure(benchmark::RegisterBenchmark(
        "ReadSeries/all_16000_quotes", [&fixture](benchmark::State& state) {
            store::QuoteSeries series;
            Check("AllocSeries", store::AllocSeries(series, kSeriesQuotes));
            for (auto _ : state) {
                const store::Status status =
                    store::ReadSeries(series, fixture.seriesPortfolio, fixture.seriesSymbol, 0, -1);
                benchmark::DoNotOptimize(status);
                benchmark::DoNotOptimize(series.quotes.data());
            }
            state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(
                                                             fixture.seriesDataFile)));
        }));
    configure(benchmark::RegisterBenchmark(
        "Floor/read_F1.DAT_whole", [&fixture](benchmark::State& state) {
            std::vector<std::uint8_t> buffer;
            for (auto _ : state) {
                ReadBytesOnce(fixture.seriesDataFile, buffer);
            }
            state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(buffer.size()));
        }));

    const auto find = [&fixture](std::string_view text, store::Status expected) {
        return [&fixture, text, expected](benchmark::State& state) {
            store::MasterRecord record;
            fs::path found;
            for (auto _ : state) {
                const store::Status status =
                    store::FindSymbol(fixture.searchPortfolio, text, record, found);
                if (status != expected) {
                    state.SkipWithError("FindSymbol gave an unexpected status");
                    break;
                }
                benchmark::DoNotOptimize(record);
            }
        };
    };
    configure(benchmark::RegisterBenchmark("FindSymbol/record_254_of_255",
                                           find(fixture.searchSymbol, store::kSuccess)));
    configure(benchmark::RegisterBenchmark("FindSymbol/missing_of_255",
                                           find(kMissingSymbol, store::kFileNotFound)));
    configure(benchmark::RegisterBenchmark("Floor/read_MASTER_whole",
                                           [&fixture](benchmark::State& state) {
                                               std::vector<std::uint8_t> buffer;
                                               for (auto _ : state) {
                                                   ReadBytesOnce(fixture.searchMaster, buffer);
                                               }
                                           }));

    // The quote grid on "ALL": the view keeps the quotes in chunks of 400, beside the floor of
    // ReadSeries above; the grid formats only the rows it paints, here all of them.
    configure(benchmark::RegisterBenchmark(
        "Grid/FillQuotesGrid_all_16000", [&fixture](benchmark::State& state) {
            bench::StrictMessenger messenger;
            ticksmith::portfolio::ViewState view;
            view.settings.displayRecent = false;
            if (!view.OpenPortfolio(fixture.seriesPortfolio.string(), messenger) ||
                !view.FillSymbolsGrid(0, messenger) ||
                !view.SelectSymbolRow(view.SymbolRowOf(fixture.seriesSymbol), messenger)) {
                state.SkipWithError("the series portfolio cannot be shown");
                return;
            }
            for (auto _ : state) {
                if (!view.FillQuotesGrid(0, messenger) || view.QuoteCount() != kSeriesQuotes) {
                    state.SkipWithError("FillQuotesGrid did not fill every row");
                    break;
                }
                benchmark::DoNotOptimize(view.quotes.data());
            }
        }));
    configure(
        benchmark::RegisterBenchmark("Grid/format_16000_rows", [&fixture](benchmark::State& state) {
            store::QuoteSeries series;
            Check("AllocSeries", store::AllocSeries(series, kSeriesQuotes));
            Check("ReadSeries",
                  store::ReadSeries(series, fixture.seriesPortfolio, fixture.seriesSymbol, 0, -1));
            for (auto _ : state) {
                std::size_t characters = 0;
                for (const store::Quote& quote : series.quotes) {
                    for (const std::string& text : ticksmith::portfolio::QuoteRowTexts(quote)) {
                        characters += text.size();
                    }
                }
                benchmark::DoNotOptimize(characters);
            }
        }));

    // The parts of ReadSeries, so that a ratio above target can be read off the table.
    configure(benchmark::RegisterBenchmark(
        "Part/ReadSeries_FindSymbol", [&fixture](benchmark::State& state) {
            store::MasterRecord record;
            fs::path found;
            for (auto _ : state) {
                benchmark::DoNotOptimize(store::FindSymbol(fixture.seriesPortfolio,
                                                           fixture.seriesSymbol, record, found));
            }
        }));
    configure(benchmark::RegisterBenchmark(
        "Part/ReadSeries_ReadFieldLayout", [&fixture](benchmark::State& state) {
            store::FieldLayout layout;
            for (auto _ : state) {
                benchmark::DoNotOptimize(store::ReadFieldLayout(
                    fixture.seriesPortfolio, fixture.seriesFileNumber, 28, layout, 'D'));
            }
        }));
    configure(benchmark::RegisterBenchmark(
        "Part/ReadSeries_decode_16000_in_memory", [&fixture](benchmark::State& state) {
            std::vector<std::uint8_t> bytes;
            ReadBytesOnce(fixture.seriesDataFile, bytes);
            store::FieldLayout layout;
            Check("ReadFieldLayout",
                  store::ReadFieldLayout(fixture.seriesPortfolio, fixture.seriesFileNumber, 28,
                                         layout, 'D'));
            std::vector<store::Quote> quotes(kSeriesQuotes);
            for (auto _ : state) {
                for (std::size_t i = 0; i < quotes.size(); ++i) {
                    quotes[i] = store::DecodeQuote(bytes.data() + 28 * (i + 1), layout, 28);
                }
                benchmark::DoNotOptimize(quotes.data());
                benchmark::ClobberMemory();
            }
        }));
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_bench";
    bool quick = false;
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--quick") {
            quick = true;
        } else {
            arguments.push_back(argv[i]);
        }
    }
    int remaining = static_cast<int>(arguments.size());
    benchmark::Initialize(&remaining, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(remaining, arguments.data())) {
        return EXIT_FAILURE;
    }

    Fixture fixture;
    Build(fixture);
    Verify(fixture);
    std::printf("portfolios in %s: %d quotes of %s (%ju bytes), %d-symbol MASTER (%ju bytes)\n",
                fixture.root.Path().c_str(), kSeriesQuotes, fixture.seriesSymbol.c_str(),
                static_cast<std::uintmax_t>(fs::file_size(fixture.seriesDataFile)),
                kSearchPortfolioSymbols,
                static_cast<std::uintmax_t>(fs::file_size(fixture.searchMaster)));

    RegisterAll(fixture, quick);
    SummaryReporter reporter(
        {
            {"ReadSeries, all 16000 quotes", "ReadSeries/all_16000_quotes",
             "Floor/read_F1.DAT_whole"},
            {"FindSymbol, record 254 of 255", "FindSymbol/record_254_of_255",
             "Floor/read_MASTER_whole"},
            {"FindSymbol, missing symbol, 255 records", "FindSymbol/missing_of_255",
             "Floor/read_MASTER_whole"},
        },
        ::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    if (quick) {
        std::printf(
            "(--quick: a few milliseconds each, a check that the benchmark runs; "
            "run without --quick for figures)\n");
    }
    benchmark::Shutdown();
    // The ratio is a figure to read, not a pass/fail condition; only a broken run fails.
    return EXIT_SUCCESS;
}
