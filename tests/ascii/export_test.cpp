#include "ascii/export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "cli_support.h"
#include "settings/setting_keys.h"
#include "settings/settings_support.h"
#include "test_support.h"

namespace ticksmith::ascii {
namespace {

namespace fs = std::filesystem;
using test::RecordingMessenger;

#ifdef TICKSMITH_REAL_DATA_DIR
const fs::path kRealData = TICKSMITH_REAL_DATA_DIR;
#else
const fs::path kRealData = fs::path(__FILE__).parent_path() / "../../../shared/data/real";
#endif

std::string Text(const fs::path& path) {
    const test::Bytes bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The first lines of test::SampleQuote's series, as the export writes them by default.
constexpr const char* kLine0 = "01/03/00,10.0000,11.0000,9.5000,10.5000,1000.00,0.00\r\n";
constexpr const char* kLine1 = "01/04/00,10.2500,11.2500,9.7500,10.7500,2000.00,1.00\r\n";
constexpr const char* kLine2 = "01/05/00,10.5000,11.5000,10.0000,11.0000,3000.00,2.00\r\n";

class ExportTest : public testing::Test {
  protected:
    void SetUp() override {
        test::AddSymbol(dir(), "XYZ", 3);
        test::AddSymbol(dir(), "EMPTY", 0);
        // No OPEN and no OI field: both read as -1.
        test::AddSymbol(dir(), "NOOPEN", 2, {true, false, false, true, true, true, true, false});
    }

    fs::path dir() const { return temp.path(); }
    fs::path out() const { return temp.path() / "out.txt"; }

    ExportResult Export(std::string_view symbol, ExportChoices choices, bool yes = true) {
        RecordingMessenger messenger({yes});
        const ExportResult result =
            ExportQuotes(dir(), symbol, choices, dir(), store, true, messenger);
        shown = messenger.shown;
        asked = messenger.asked;
        return result;
    }

    std::string Exported(std::string_view symbol, ExportChoices choices) {
        fs::remove(out());
        choices.outputPath = "out.txt";  // relative to the working directory
        EXPECT_EQ(Export(symbol, choices), ExportResult::kWritten);
        EXPECT_TRUE(asked.empty());
        return Text(out());
    }

    test::TempDir temp;
    settings::MemorySettingsStore store;
    std::vector<std::string> shown;
    std::vector<std::string> asked;
};

TEST_F(ExportTest, WritesColumnsDelimitersAndOrder) {
    EXPECT_EQ(Exported("XYZ", {}), std::string(kLine0) + kLine1 + kLine2);

    ExportChoices choices;
    choices.title = true;
    choices.newestFirst = true;
    choices.delimiter = 1;
    choices.useVolume = false;
    choices.useOpenInterest = false;
    EXPECT_EQ(Exported("XYZ", choices),
              "DATE\tOPEN\tHIGH\tLOW\tCLOSE\r\n"
              "01/05/00\t10.5000\t11.5000\t10.0000\t11.0000\r\n"
              "01/04/00\t10.2500\t11.2500\t9.7500\t10.7500\r\n"
              "01/03/00\t10.0000\t11.0000\t9.5000\t10.5000\r\n");

    choices = {};
    choices.title = true;
    choices.delimiter = 2;
    choices.useOpen = choices.useHigh = choices.useLow = choices.useClose = false;
    choices.useVolume = choices.useOpenInterest = false;
    EXPECT_EQ(Exported("XYZ", choices), "DATE\r\n01/03/00\r\n01/04/00\r\n01/05/00\r\n");
    choices.useClose = choices.useOpenInterest = true;
    EXPECT_EQ(Exported("XYZ", choices).substr(0, 38), "DATE CLOSE OI\r\n01/03/00 10.5000 0.00\r\n");

    // Fields the records lack are N/A; a symbol without quotes gives the title row at most.
    choices = {};
    choices.newestFirst = true;
    EXPECT_EQ(Exported("NOOPEN", choices),
              "01/04/00,N/A,11.2500,9.7500,10.7500,2000.00,N/A\r\n"
              "01/03/00,N/A,11.0000,9.5000,10.5000,1000.00,N/A\r\n");
    EXPECT_EQ(Exported("EMPTY", choices), "");
    choices.title = true;
    EXPECT_EQ(Exported("EMPTY", choices), "DATE,OPEN,HIGH,LOW,CLOSE,VOL,OI\r\n");
}

// The values are printed without printf; they must be its digits, ties and huge volumes too.
TEST(ExportValuesTest, SameDigitsAsPrintf) {
    std::vector<float> values = {0.0f,    -0.0f,  0.03125f, 10.03125f, 0.125f,
                                 2.5f,    0.005f, 0.015f,   1e-9f,     99.99995f,
                                 1.5e15f, 3e10f,  1e20f,    3.4e38f,   16777217.0f};
    std::mt19937 random(7);
    for (int i = 0; i < 20000; ++i) {
        std::uint32_t bits = random();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value)) {
            values.push_back(std::fabs(value));
        }
        values.push_back(static_cast<float>(random() % 10000000) / 32.0f);
    }
    ExportChoices choices;
    choices.useHigh = choices.useLow = choices.useClose = choices.useOpenInterest = false;
    for (const float value : values) {
        store::Quote quote;
        quote.date = 14247;
        quote.open = value;
        quote.volume = value;
        std::string line;
        AppendExportLine(quote, choices, line);
        char expected[160];
        std::snprintf(expected, sizeof expected, "01/03/00,%.4f,%.2f\r\n",
                      static_cast<double>(value), static_cast<double>(value));
        ASSERT_EQ(line, expected) << value;
    }
    // The date is MM/DD/YY for every day a data file can hold.
    for (int day = 0; day <= 65535; day += 7) {
        std::string line;
        store::Quote quote;
        quote.date = static_cast<store::DayNumber>(day);
        AppendExportLine(quote, {}, line);
        ASSERT_EQ(line.substr(0, 8), store::GridDateText(quote.date)) << day;
    }
}

TEST_F(ExportTest, ReplacesOnlyWhenTheAnswerIsYes) {
    test::WriteBytes(out(), std::string("keep me"));
    ExportChoices choices;
    choices.outputPath = "out.txt";
    choices.title = true;
    EXPECT_EQ(Export("XYZ", choices, false), ExportResult::kDeclined);
    EXPECT_EQ(asked, std::vector<std::string>{out().string() +
                                              "\nThis file already exists\n\nReplace existing "
                                              "file?"});
    EXPECT_EQ(Text(out()), "keep me");
    EXPECT_TRUE(store.Values().empty());  // No stores nothing, not even the settings

    // The new file keeps the old one's permissions.
    fs::permissions(out(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Export("XYZ", choices, true), ExportResult::kWritten);
    EXPECT_EQ(Text(out()).substr(0, 6), "DATE,O");
    EXPECT_EQ(fs::status(out()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(ReadExportChoices(store), choices);
    EXPECT_EQ(store.Values().size(), 10u);

    // An existing file under another spelling is the one asked about and replaced.
    fs::remove(out());
    test::WriteBytes(dir() / "OUT.TXT", std::string("old"));
    EXPECT_EQ(Export("XYZ", choices, true), ExportResult::kWritten);
    EXPECT_EQ(asked.at(0).substr(0, asked[0].find('\n')), (dir() / "OUT.TXT").string());
    EXPECT_FALSE(fs::exists(out()));
    EXPECT_EQ(Text(dir() / "OUT.TXT").substr(0, 6), "DATE,O");

    // A file under the temporary name is the person's too: it stays.
    test::WriteBytes(dir() / "OUT.TXT.tmp", std::string("mine"));
    EXPECT_EQ(Export("XYZ", choices, true), ExportResult::kWritten);
    EXPECT_EQ(Text(dir() / "OUT.TXT.tmp"), "mine");
    EXPECT_FALSE(fs::exists(dir() / "OUT.TXT.tmp1"));
}

TEST_F(ExportTest, FailuresKeepTheOldFile) {
    test::WriteBytes(out(), std::string("old export"));
    ExportChoices choices;
    choices.outputPath = out().string();
    const fs::path pristine = temp.path().string() + "-pristine";
    fs::copy(dir(), pristine, fs::copy_options::recursive);
    const auto statuses = test::ExpectAllOrNothing(pristine, dir(), [&](const fs::path& work) {
        RecordingMessenger messenger({true});
        choices.outputPath = (work / "out.txt").string();
        const ExportResult result =
            ExportQuotes(work, "XYZ", choices, work, store, true, messenger);
        if (result != ExportResult::kWritten) {
            EXPECT_EQ(messenger.shown, std::vector<std::string>{"File export error"});
        }
        return result == ExportResult::kWritten ? 0 : -1;
    });
    fs::remove_all(pristine);
    EXPECT_EQ(statuses.size(), 4u);  // create, write, sync, rename
    EXPECT_EQ(Text(out()), std::string(kLine0) + kLine1 + kLine2);

    // A symbol that cannot be read writes nothing and says why.
    choices.outputPath = "none.txt";
    EXPECT_EQ(Export("NOPE", choices), ExportResult::kFailed);
    EXPECT_EQ(shown, std::vector<std::string>{
                         "File export error\nThe quotes of NOPE cannot be read: File Not Found "
                         "(NOPE is not in " +
                         (dir() / "MASTER").string() + ")"});
    EXPECT_FALSE(fs::exists(dir() / "none.txt"));
    choices.outputPath = (dir() / "missing" / "out.txt").string();
    EXPECT_EQ(Export("XYZ", choices), ExportResult::kFailed);
    EXPECT_EQ(shown, std::vector<std::string>{"File export error"});

    // The portfolio's own files are never written over, whatever the answer.
    const auto before = test::Snapshot(dir());
    for (const char* name : {"master", "f1.dat", "F2.DOP", "MASTER.BAK", "EMASTER"}) {
        choices.outputPath = name;
        EXPECT_EQ(Export("XYZ", choices), ExportResult::kFailed);
        EXPECT_TRUE(asked.empty());
    }
    EXPECT_EQ(test::Snapshot(dir()), before);

    RecordingMessenger messenger;
    choices.outputPath.clear();
    EXPECT_FALSE(AcceptExportChoices(choices, messenger));
    EXPECT_EQ(messenger.shown, std::vector<std::string>{"Please enter a name"});
}

TEST_F(ExportTest, AllSymbolsIntoAFolder) {
    ExportChoices choices;
    choices.outputPath = "remembered.txt";
    choices.title = true;
    choices.useVolume = false;
    RecordingMessenger messenger({false});
    ExportAllResult result = ExportAllSymbols(dir(), "out", choices, dir(), store, true, messenger);
    EXPECT_EQ(result.result, ExportResult::kWritten);
    EXPECT_EQ(result.written, 3);
    // Each file is the single export of its symbol.
    for (const char* symbol : {"XYZ", "EMPTY", "NOOPEN"}) {
        choices.outputPath = std::string("single-") + symbol + ".txt";
        ASSERT_EQ(Export(symbol, choices), ExportResult::kWritten);
        EXPECT_EQ(Text(dir() / "out" / (std::string(symbol) + ".txt")),
                  Text(dir() / choices.outputPath))
            << symbol;
    }
    EXPECT_TRUE(messenger.asked.empty());

    // Existing files are asked about once; No keeps every file and the settings.
    test::WriteBytes(dir() / "out" / "xyz.TXT", std::string("mine"));
    fs::remove(dir() / "out" / "XYZ.txt");
    const auto before = test::Snapshot(dir() / "out");
    const auto stored = store.Values();
    ExportChoices other;
    result =
        ExportAllSymbols(dir(), (dir() / "out").string(), other, dir(), store, true, messenger);
    EXPECT_EQ(result.result, ExportResult::kDeclined);
    EXPECT_EQ(messenger.asked, std::vector<std::string>{
                                   (dir() / "out").string() +
                                   "\n3 of the files already exist\n\nReplace existing files?"});
    EXPECT_EQ(test::Snapshot(dir() / "out"), before);
    EXPECT_EQ(store.Values(), stored);

    // A symbol that cannot be read keeps its old file and is named; the others are written.
    fs::remove(dir() / "F1.DAT");
    RecordingMessenger yes({true});
    result = ExportAllSymbols(dir(), "out", other, dir(), store, true, yes);
    EXPECT_EQ(result.result, ExportResult::kFailed);
    EXPECT_EQ(result.written, 2);
    EXPECT_EQ(result.failed, std::vector<std::string>{"XYZ"});
    ASSERT_EQ(yes.shown.size(), 1u);
    EXPECT_EQ(yes.shown[0].rfind("File export error\nThese symbols were not exported:\nXYZ: ", 0),
              0u)
        << yes.shown[0];
    EXPECT_EQ(Text(dir() / "out" / "xyz.TXT"), "mine");
    EXPECT_EQ(Text(dir() / "out" / "EMPTY.txt"), "");
    EXPECT_EQ(ReadExportChoices(store), other);
}

TEST(ExportFileNameTest, StaysInItsFolder) {
    EXPECT_EQ(ExportFileName("MSFT"), "MSFT.txt");
    EXPECT_EQ(ExportFileName("../A/B"), "_.._A_B.txt");
    EXPECT_EQ(ExportFileName("A\\B"), "A_B.txt");
    EXPECT_EQ(ExportFileName(".."), "_...txt");
    EXPECT_EQ(ExportFileName(""), "_.txt");
}

// Portfolios another program wrote export what another reader decoded from them.
TEST(ExportRealTest, MatchesAnotherReader) {
    if (!fs::exists(kRealData / "bbfinance")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    test::TempDir temp;
    fs::copy(kRealData / "bbfinance", temp.path() / "bbfinance");
    settings::MemorySettingsStore store;
    std::istringstream csv(Text(kRealData / "bbfinance.quotes.csv"));
    std::string row;
    std::getline(csv, row);
    std::map<std::string, std::vector<std::vector<std::string>>> expected;
    while (std::getline(csv, row)) {
        std::vector<std::string> fields(1);
        for (char c : row) {
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        expected[fields[0]].push_back(fields);
    }
    ASSERT_GT(expected.size(), 30u);
    for (const auto& [symbol, quotes] : expected) {
        SCOPED_TRACE(symbol);
        RecordingMessenger messenger({true});
        ExportChoices choices;
        choices.outputPath = "out.csv";
        ASSERT_EQ(ExportQuotes(temp.path() / "bbfinance", symbol, choices, temp.path(), store, true,
                               messenger),
                  ExportResult::kWritten);
        std::istringstream lines(Text(temp.path() / "out.csv"));
        std::string line;
        for (const auto& quote : quotes) {
            ASSERT_TRUE(std::getline(lines, line));
            ASSERT_EQ(line.back(), '\r');
            const std::string& iso = quote[1];
            EXPECT_EQ(line.substr(0, 9),
                      iso.substr(5, 2) + "/" + iso.substr(8, 2) + "/" + iso.substr(2, 2) + ",");
            std::istringstream values(line.substr(9));
            std::string value;
            for (std::size_t column = 3; column < 9 && std::getline(values, value, ','); ++column) {
                EXPECT_NEAR(std::stod(value), std::stod(quote[column]), 6e-3) << line;
            }
        }
        EXPECT_FALSE(std::getline(lines, line));
    }
    EXPECT_EQ(test::Snapshot(temp.path() / "bbfinance"), test::Snapshot(kRealData / "bbfinance"));
}

// A settings store that outlives the command lines which open it.
class SharedStore : public settings::SettingsStore {
  public:
    explicit SharedStore(settings::MemorySettingsStore& store) : m_store(store) {}
    std::optional<std::string> ReadText(std::string_view section,
                                        std::string_view value) const override {
        return m_store.ReadText(section, value);
    }
    bool WriteText(std::string_view section, std::string_view value,
                   std::string_view text) override {
        return m_store.WriteText(section, value, text);
    }

  private:
    settings::MemorySettingsStore& m_store;
};

test::CliResult Cli(const std::vector<std::string>& arguments, const fs::path& working,
                    settings::MemorySettingsStore& store) {
    return test::RunCliIn(working, arguments, [&store](const fs::path&) {
        return std::make_unique<SharedStore>(store);
    });
}

TEST_F(ExportTest, ExportAndSplitSearchCommands) {
    const std::string d = dir().string();
    test::CliResult run =
        Cli({"export", d, "XYZ", "out.txt", "--newest-first", "--delimiter", "space", "--no-open",
             "--no-high", "--no-low", "--no-volume", "--title"},
            dir(), store);
    ASSERT_EQ(run.code, cli::kExitSuccess) << run.err;
    const std::string written =
        "DATE CLOSE OI\r\n01/05/00 11.0000 2.00\r\n"
        "01/04/00 10.7500 1.00\r\n01/03/00 10.5000 0.00\r\n";
    EXPECT_EQ(Text(out()), written);
    // As the dialog's OK: the choices are remembered.
    ExportChoices remembered = ReadExportChoices(store);
    EXPECT_EQ(remembered.outputPath, "out.txt");
    EXPECT_TRUE(remembered.newestFirst && remembered.title && remembered.useClose);
    EXPECT_FALSE(remembered.useOpen || remembered.useVolume);
    EXPECT_EQ(remembered.delimiter, 2);

    // Without --yes an existing file stays; with it, it is replaced.
    run = Cli({"export", d, "XYZ", (dir() / "out.txt").string()}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitFailure);
    EXPECT_NE(run.err.find("This file already exists"), std::string::npos) << run.err;
    EXPECT_EQ(Text(out()), written);
    EXPECT_EQ(ReadExportChoices(store), remembered);
    run = Cli({"export", d, "XYZ", "out.txt", "--yes"}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_EQ(Text(out()), std::string(kLine0) + kLine1 + kLine2);

    EXPECT_EQ(Cli({"export", d, "XYZ", ""}, dir(), store).code, cli::kExitUsage);
    EXPECT_EQ(Cli({"export", d, "XYZ", "x", "--delimiter", "semicolon"}, dir(), store).code,
              cli::kExitUsage);
    run = Cli({"export", d, "NOPE", "x.txt"}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitFailure);
    EXPECT_NE(run.err.find("File Not Found"), std::string::npos) << run.err;

    // A 2-for-1 split in a symbol of its own.
    std::vector<store::Quote> quotes = {test::SampleQuote(0), test::SampleQuote(1)};
    quotes[0].low = 10.4f;
    quotes[1].close = quotes[0].close / 2;
    quotes[1].high = quotes[1].close + 0.1f;
    quotes[1].low = quotes[1].close - 0.1f;
    const int number = test::AddSymbol(dir(), "SPLIT", 0);
    test::WriteBytes(dir() / store::DataFileName(number),
                     test::DataFile(quotes, store::LayoutOf(store::kStandardFields), 28));
    run = Cli({"split-search", d, "--save", "found.txt"}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "SPLIT possible 2 for 1 split on 01/04/00\n");
    EXPECT_NE(run.err.find("For symbol EMPTY\nSplitSearch cannot perform search\n"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(Text(dir() / "found.txt"), "SPLIT possible 2 for 1 split on 01/04/00\r\n");
    test::WriteBytes(dir() / "found.txt", std::string("older"));
    run = Cli({"split-search", d, "--save", "found.txt"}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitFailure);
    EXPECT_EQ(Text(dir() / "found.txt"), "older");
    EXPECT_EQ(Cli({"split-search", d, "--save", "found.txt", "--yes"}, dir(), store).code,
              cli::kExitSuccess);
    EXPECT_EQ(Text(dir() / "found.txt"), "SPLIT possible 2 for 1 split on 01/04/00\r\n");
    EXPECT_EQ(Cli({"split-search", (dir() / "none").string()}, dir(), store).code,
              cli::kExitFailure);

    // Every symbol into a folder; the remembered output file stays.
    run = Cli({"export", d, "all", "--all", "--no-oi"}, dir(), store);
    EXPECT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_EQ(run.out, "4 files written\n");
    EXPECT_EQ(Text(dir() / "all" / "XYZ.txt").substr(0, 18), "01/03/00,10.0000,1");
    EXPECT_TRUE(fs::exists(dir() / "all" / "SPLIT.txt"));
    EXPECT_EQ(ReadExportChoices(store).outputPath, "x.txt");
    EXPECT_FALSE(ReadExportChoices(store).useOpenInterest);
    EXPECT_EQ(Cli({"export", d, "all", "--all"}, dir(), store).code, cli::kExitFailure);
    EXPECT_EQ(Cli({"export", d, "all", "x.txt", "--all"}, dir(), store).code, cli::kExitUsage);
    EXPECT_EQ(Cli({"export", d, "XYZ"}, dir(), store).code, cli::kExitUsage);
}

}  // namespace
}  // namespace ticksmith::ascii
