// Intraday portfolios written by other software: every reader shows their bars with the time
// of day, and every writer that would have to choose a time refuses them without a change.
#include <gtest/gtest.h>

#include <sstream>

#include "cli_support.h"
#include "emaster_support.h"
#include "intraday_support.h"
#include "portfolio/grid_format.h"
#include "portfolio/print_pages.h"
#include "store/edit_quotes.h"
#include "update/audit_log.h"
#include "update/update_support.h"

namespace ticksmith::test::intraday {
namespace {

const std::string kRefusal =
    "AAA holds intraday records; this program reads them but does not change them";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> Split(const std::string& line, char separator) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == separator) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// Prices and volumes of a shown or written line, from column `first` on, against the bar's.
void ExpectValues(const std::vector<std::string>& fields, std::size_t first, const Bar& bar) {
    const float values[6] = {bar.open, bar.high, bar.low, bar.close, bar.volume, bar.openInterest};
    ASSERT_EQ(fields.size(), first + 6);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_NEAR(std::stod(fields[first + i]), values[i], 5e-5) << "column " << first + i;
    }
}

class IntradayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir);
        AddIntradaySymbol(m_dir, "AAA", Bars(3, 4, 100.0f));
        AddIntradaySymbol(m_dir, "BBB", Bars(2, 6, 20.0f));
        AddSymbol(m_dir, "DLY", 5);
        // Its skip file in place, which the commands would otherwise write on their first read.
        ASSERT_FALSE(portfolio::SetSkipString(m_dir, {}).empty());
    }

    CliResult Cli(const std::vector<std::string>& arguments) const {
        return RunCliIn(m_temp.path(), arguments);
    }
    std::vector<Bar> FileBars(int fileNumber) const {
        return PlainBars(ReadBytes(m_dir / store::DataFileName(fileNumber)));
    }

    TempDir m_temp;
    fs::path m_dir = m_temp.path() / "intra";
};

TEST_F(IntradayTest, SeriesReadsAsThePlainDecoderDoes) {
    for (const auto& [symbol, number] : {std::pair("AAA", 1), std::pair("BBB", 2)}) {
        SCOPED_TRACE(symbol);
        const std::vector<Bar> bars = FileBars(number);
        store::QuoteSeries series;
        ASSERT_EQ(store::AllocSeries(series, 100), store::kSuccess);
        ASSERT_EQ(store::ReadSeries(series, m_dir, symbol, 0, -1), store::kSuccess);
        ASSERT_EQ(series.count, static_cast<int>(bars.size()));
        for (std::size_t i = 0; i < bars.size(); ++i) {
            const store::Quote& quote = series.quotes[i];
            const Bar& bar = bars[i];
            EXPECT_EQ(quote.date, store::DayNumberFromYmd(bar.date / 10000, bar.date / 100 % 100,
                                                          bar.date % 100));
            EXPECT_EQ(quote.time,
                      store::PackTime(bar.time / 10000, bar.time / 100 % 100, bar.time % 100));
            EXPECT_EQ(std::vector<float>({quote.open, quote.high, quote.low, quote.close,
                                          quote.volume, quote.openInterest}),
                      std::vector<float>(
                          {bar.open, bar.high, bar.low, bar.close, bar.volume, bar.openInterest}));
        }
        store::SeriesInfo info;
        ASSERT_EQ(store::GetSeriesInfo(m_dir, symbol, info), store::kSuccess);
        EXPECT_EQ(std::tuple(info.recordLength, info.fieldCount, info.quoteCount, info.period),
                  std::tuple(32, 8, static_cast<int>(bars.size()), 'I'));
        EXPECT_EQ(info.layout.position, (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
    }
    // Printed, each bar's time follows its date.
    std::vector<std::string> printed;
    ASSERT_EQ(portfolio::ReadPrintLines(m_dir, "AAA", {}, printed), store::kSuccess);
    const std::vector<Bar> bars = FileBars(1);
    ASSERT_EQ(printed.size(), bars.size());
    const std::vector<std::string> firstLine = Split(printed.front(), '\t');
    ASSERT_EQ(firstLine.size(), 8u);
    EXPECT_EQ(firstLine[1],
              portfolio::FormatQuoteTime(store::PackTime(
                  bars[0].time / 10000, bars[0].time / 100 % 100, bars[0].time % 100)));
    ExpectValues(firstLine, 2, bars[0]);
    // Several bars a day: the search goes by date and time.
    const store::DayNumber tuesday = store::DayNumberFromYmd(121, 11, 16);
    store::PackedTime found = 0;
    EXPECT_EQ(
        store::FindQuoteByDate(m_dir, "AAA", tuesday, store::PackTime(9, 45, 0), nullptr, &found),
        6);
    EXPECT_EQ(found, store::PackTime(9, 50, 4));
    EXPECT_EQ(store::FindQuoteByDate(m_dir, "AAA", tuesday, store::PackTime(9, 30, 0)), 4);
    EXPECT_EQ(store::FindQuoteByDate(m_dir, "AAA", tuesday + 1, store::PackTime(10, 0, 8)),
              store::kRecordNotFound);
}

TEST_F(IntradayTest, CommandLineShowsAndExportsTheTimeAfterTheDate) {
    const std::vector<Bar> bars = FileBars(1);
    const CliResult quotes = Cli({"quotes", m_dir.string(), "AAA", "--all"});
    ASSERT_EQ(quotes.code, cli::kExitSuccess) << quotes.err;
    const std::vector<std::string> shown = Lines(quotes.out);
    ASSERT_EQ(shown.size(), bars.size());
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const Bar& bar = bars[bars.size() - 1 - i];  // newest first
        const std::vector<std::string> fields = Split(shown[i], '\t');
        ASSERT_GE(fields.size(), 2u);
        EXPECT_EQ(std::pair(fields[0], fields[1]), std::pair(DateText(bar), TimeText(bar)));
        ExpectValues(fields, 2, bar);
    }
    // A daily series beside it keeps its seven columns.
    const CliResult daily = Cli({"quotes", m_dir.string(), "DLY"});
    ASSERT_EQ(daily.code, cli::kExitSuccess) << daily.err;
    EXPECT_EQ(Split(Lines(daily.out).front(), '\t').size(), 7u);

    const CliResult info = Cli({"info", m_dir.string(), "BBB"});
    ASSERT_EQ(info.code, cli::kExitSuccess) << info.err;
    for (const char* line : {"Record length\t32", "Fields\t8", "Quotes\t12", "Period\tI Intra-day",
                             "TIME\tWhole Num.\tWhole Num.", "OI\tWhole Num.\tWhole Num."}) {
        EXPECT_NE(info.out.find(std::string(line) + "\n"), std::string::npos) << line;
    }

    const fs::path output = m_temp.path() / "aaa.txt";
    const CliResult exported =
        Cli({"export", m_dir.string(), "AAA", output.string(), "--title", "--no-oi"});
    ASSERT_EQ(exported.code, cli::kExitSuccess) << exported.err;
    const Bytes written = ReadBytes(output);
    const std::vector<std::string> lines = Lines(std::string(written.begin(), written.end()));
    ASSERT_EQ(lines.size(), bars.size() + 1);
    EXPECT_EQ(lines[0], "DATE,TIME,OPEN,HIGH,LOW,CLOSE,VOL");
    for (std::size_t i = 0; i < bars.size(); ++i) {
        std::vector<std::string> fields = Split(lines[i + 1], ',');
        ASSERT_EQ(fields.size(), 7u);
        EXPECT_EQ(std::pair(fields[0], fields[1]), std::pair(DateText(bars[i]), TimeText(bars[i])));
        fields.push_back("0");  // open interest, left out
        ExpectValues(fields, 2, bars[i]);
    }
}

TEST_F(IntradayTest, QuoteCommandsRefuseAndChangeNoByte) {
    const std::string dir = m_dir.string();
    const std::vector<std::vector<std::string>> commands = {
        {"edit-quote", dir, "AAA", "11/16/21", "1", "2", "0.5", "1.5", "100", "0"},
        {"split", dir, "AAA", "11/16/21", "2", "1"},
        {"adjust", dir, "AAA", "11/15/21", "11/17/21", "2", "1", "1"},
        {"add-quote", dir, "AAA", "11/16/21"},
        {"--yes", "delete-quote", dir, "AAA", "11/16/21"},
    };
    const auto before = Snapshot(m_dir);
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] == "--yes" ? command[1] : command[0]);
        const CliResult run = Cli(command);
        EXPECT_NE(run.code, cli::kExitSuccess);
        EXPECT_NE(run.err.find(kRefusal), std::string::npos) << run.err;
        EXPECT_EQ(Snapshot(m_dir), before);
    }
    // The engine itself refuses too, before it takes its backup.
    store::EditRequest request;
    request.date1 = request.date2 = store::DayNumberFromYmd(121, 11, 16);
    request.operation = static_cast<std::int16_t>(store::EditOperation::kDelete);
    const store::EditResult result = store::EditQuotes(m_dir, "AAA", request);
    EXPECT_EQ(result.status, store::kIntradayRecords);
    EXPECT_EQ(result.detail, kRefusal);
    EXPECT_EQ(Snapshot(m_dir), before);
    // A daily series of the same portfolio is still edited.
    EXPECT_EQ(
        Cli({"--yes", "delete-quote", dir, "DLY", portfolio::DateText(SampleQuote(2).date)}).code,
        cli::kExitSuccess);
}

// Another program's intraday bars of 28 bytes (no open interest): read with their time, and a
// split, which would have scaled the time of day as a price, is refused.
TEST_F(IntradayTest, SevenFieldBarsOfAnotherProgramKeepTheirTime) {
    if (!fs::exists(kRealData / "stooq")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    const fs::path stooq = CopyReal(m_temp.path(), "stooq");
    const CliResult quotes = Cli({"quotes", stooq.string(), "2HR.DE", "--all"});
    ASSERT_EQ(quotes.code, cli::kExitSuccess) << quotes.err;
    // Its skip file in place, which the split would otherwise write before its check.
    ASSERT_FALSE(portfolio::SetSkipString(stooq, {}).empty());
    const auto before = Snapshot(stooq);
    const std::vector<std::string> newest = Split(Lines(quotes.out).front(), '\t');
    ASSERT_EQ(newest.size(), 8u);
    EXPECT_EQ(newest[1].size(), 8u);  // HH:MM:SS
    EXPECT_NE(newest[1], "00:00:00");
    const CliResult split = Cli({"split", stooq.string(), "2HR.DE", "11/15/13", "2", "1"});
    EXPECT_NE(split.code, cli::kExitSuccess);
    EXPECT_NE(split.err.find("2HR.DE holds intraday records"), std::string::npos) << split.err;
    EXPECT_EQ(Snapshot(stooq), before);
}

TEST_F(IntradayTest, SymbolCommandsMoveTheWholeFiles) {
    const fs::path other = m_temp.path() / "other";
    fs::create_directories(other);
    ASSERT_EQ(store::CreateEmptyMaster(other), store::kSuccess);
    const Bytes aaa = ReadBytes(m_dir / "F1.DAT");
    const Bytes bbb = ReadBytes(m_dir / "F2.DAT");
    const CliResult copied = Cli({"copy-symbol", m_dir.string(), "AAA", other.string()});
    ASSERT_EQ(copied.code, cli::kExitSuccess) << copied.err;
    const CliResult moved = Cli({"move-symbol", m_dir.string(), "BBB", other.string()});
    ASSERT_EQ(moved.code, cli::kExitSuccess) << moved.err;
    EXPECT_EQ(ReadBytes(m_dir / "F1.DAT"), aaa);
    EXPECT_EQ(ReadBytes(other / "F1.DAT"), aaa);
    EXPECT_EQ(ReadBytes(other / "F2.DAT"), bbb);
    store::SeriesInfo info;
    ASSERT_EQ(store::GetSeriesInfo(other, "BBB", info), store::kSuccess);
    EXPECT_EQ(std::tuple(info.recordLength, info.period, info.quoteCount), std::tuple(32, 'I', 12));
    EXPECT_NE(store::GetSeriesInfo(m_dir, "BBB", info), store::kSuccess);
}

// The run passes over an intraday symbol with the refusal in its log, and goes on.
TEST_F(IntradayTest, UpdateRunPassesOverIntradaySymbols) {
    update_test::World world(m_temp.path() / "run");
    world.Profile("Daily", update_test::DailyProfile(world.updates));
    const fs::path p = world.Portfolio("data");
    AddIntradaySymbol(p, "AAA", Bars(2, 3, 50.0f));
    profiles::AssignmentBytes assignment{};
    ASSERT_TRUE(profiles::EncodeAssignment("Daily", assignment));
    WriteBytes(p / profiles::AssignmentFileName(1), assignment);
    world.Symbol(p, "IBM", 5);
    const fs::path updates = world.updates / "u.txt";
    update_test::WriteText(updates, "AAA,20211130,1,2,0.5,1.5,100,0\nIBM,20000110,1,2,3,4,5,6\n");
    const Bytes intraday = ReadBytes(p / "F1.DAT");

    settings::ViewSettings view;
    view.deleteTxt = true;
    const update_test::World::Outcome outcome = world.Run({p}, view);

    EXPECT_EQ(outcome.result.quotesAdded, 1);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(ReadBytes(p / "F1.DAT"), intraday);
    store::SeriesInfo info;
    ASSERT_EQ(store::GetSeriesInfo(p, "IBM", info), store::kSuccess);
    EXPECT_EQ(info.quoteCount, 6);
    EXPECT_TRUE(fs::exists(updates)) << "its lines are kept for the program that can store them";
    const update::AnomalyReport report = update::BuildAnomalyReport(world.working / "AUDIT.TXT", 0);
    const std::string line = "ERROR: " + kRefusal + " (" + (p / "F1.DAT").string() + ")";
    EXPECT_NE(std::find(report.entries.begin(), report.entries.end(), line + " "),
              report.entries.end())
        << update_test::Text(world.working / "AUDIT.TXT");
}

}  // namespace
}  // namespace ticksmith::test::intraday
