#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cli/cli.h"
#include "cli_support.h"
#include "emaster_support.h"
#include "platform/names.h"
#include "settings/settings_store.h"
#include "store/xmaster.h"
#include "test_support.h"

namespace ticksmith::cli {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;
const fs::path kRealData = TICKSMITH_REAL_DATA_DIR;

using CliRun = test::CliResult;

CliRun Cli(const std::vector<std::string>& arguments) {
    return test::RunCliIn(fs::temp_directory_path(), arguments);
}

// Lines split at `separator`; the column names of a csv file are left out.
Rows Table(const std::string& text, char separator) {
    Rows rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        rows.emplace_back(1);
        for (char c : line) {
            if (c == separator) {
                rows.back().emplace_back();
            } else {
                rows.back().back() += c;
            }
        }
    }
    if (separator == ',') {
        rows.erase(rows.begin());
    }
    return rows;
}

Rows Csv(const std::string& name) {
    const test::Bytes bytes = test::ReadBytes(kRealData / name);
    return Table(std::string(bytes.begin(), bytes.end()), ',');
}

// 2009-03-02 as the grid shows it: 03/02/09.
std::string GridDate(const std::string& iso) {
    return iso.substr(5, 2) + "/" + iso.substr(8, 2) + "/" + iso.substr(2, 2);
}

// `symbols` and `quotes --all` show what another reader decoded from the same files: the same
// symbols and dates, and when `values` the same prices to the four decimals printed.
void ExpectSameAsOtherReader(const std::string& name) {
    const std::string dir = (kRealData / name).string();
    const CliRun symbols = Cli({"symbols", dir});
    ASSERT_EQ(symbols.code, kExitSuccess) << symbols.err;
    std::map<std::string, std::vector<std::string>> listed;
    for (const auto& fields : Table(symbols.out, '\t')) {
        listed[fields.at(1)] = fields;
    }
    const Rows expected = Csv(name + ".symbols.csv");
    EXPECT_EQ(listed.size(), expected.size());
    // That reader decodes MASTER alone; we show EMASTER's long name where it agrees with
    // MASTER, and MASTER's name is where it begins.
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(dir, records), store::kSuccess);
    const std::vector<std::string> longNames = store::LongNames(dir, records);
    std::map<std::string, std::string> shownName;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!longNames[i].empty()) {
            shownName[std::to_string(records[i].fileNumber)] = longNames[i];
        }
    }
    std::map<std::string, Rows> quotes;
    for (auto& row : Csv(name + ".quotes.csv")) {
        quotes[row[0]].push_back(row);
    }
    for (const auto& row : expected) {
        SCOPED_TRACE(name + " " + row[0]);
        // number, symbol, name, first and last date, period, fields
        std::string longName = shownName.count(row[5]) > 0 ? shownName[row[5]] : row[1];
        EXPECT_EQ(longName.rfind(row[1], 0), 0u) << longName;
        EXPECT_EQ(listed[row[0]],
                  (std::vector<std::string>{row[5], row[0], longName, GridDate(row[3]),
                                            GridDate(row[4]), row[2], "7"}));
        const CliRun run = Cli({"quotes", dir, row[0], "--all"});
        ASSERT_EQ(run.code, kExitSuccess) << run.err;
        const Rows got = Table(run.out, '\t');
        const Rows& want = quotes[row[0]];
        ASSERT_EQ(got.size(), want.size());
        // Intraday bars (period I) carry the time of day in a column after the date.
        const bool intraday = row[2] == "I";
        const std::size_t first = intraday ? 2 : 1;
        for (std::size_t i = 0; i < want.size(); ++i) {
            const auto& line = got[got.size() - 1 - i];  // newest first
            ASSERT_EQ(line.size(), first + 6);
            EXPECT_EQ(line[0], GridDate(want[i][1]));
            if (intraday) {
                EXPECT_EQ(line[1], want[i][2]);
            }
            for (std::size_t column = 0; column < 6; ++column) {
                const std::string& value = line[first + column];
                // That reader shows an absent open interest as 0; the grid leaves it empty.
                const double shown = value.empty() ? 0.0 : std::stod(value);
                EXPECT_NEAR(shown, std::stod(want[i][column + 3]), 6e-5);
            }
        }
    }
}

TEST(RealPortfolioTest, ReadsAsAnotherReaderDoes) {
    if (!fs::exists(kRealData / "bbfinance")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    ExpectSameAsOtherReader("bbfinance");
    ExpectSameAsOtherReader("equis_b");
    // 28-byte intraday records: DATE, TIME, OPEN, HIGH, LOW, CLOSE, VOL.
    ExpectSameAsOtherReader("stooq");

    // The same files under lower-case names read the same.
    test::TempDir temp;
    for (const auto& entry : fs::directory_iterator(kRealData / "bbfinance")) {
        fs::copy_file(entry.path(),
                      temp.path() / platform::ToLowerAscii(entry.path().filename().string()));
    }
    ASSERT_TRUE(fs::exists(temp.path() / "master"));
    const auto output = [](const fs::path& dir) {
        std::string all = Cli({"symbols", dir.string()}).out;
        for (const auto& row : Csv("bbfinance.symbols.csv")) {
            all += Cli({"quotes", dir.string(), row[0], "--all"}).out;
        }
        return all;
    };
    EXPECT_EQ(output(temp.path()), output(kRealData / "bbfinance"));
}

// A data vendor's portfolio with its counter at 255 and numbers free: every way in takes the
// lowest free number, passes over files that stand without a record, and keeps the counter.
TEST(RealPortfolioTest, CounterAt255WithFreeNumbersTakesNewSymbols) {
    if (!fs::exists(kRealData / "bbfinance")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    test::TempDir temp;
    const fs::path port = test::CopyReal(temp.path(), "bbfinance");
    const fs::path source = temp.path() / "source";
    // As the vendors' larger portfolios are: file number 255 in use, and the counter naming it.
    test::Bytes master = test::ReadBytes(port / "MASTER");
    for (std::size_t at = store::kMasterRecordSize; at < master.size();
         at += store::kMasterRecordSize) {
        if (master[at] == 44) {
            master[at] = 255;
        }
    }
    platform::WriteI16(master.data() + 2, 255);
    test::WriteBytes(port / "MASTER", master);
    fs::rename(port / "F44.DAT", port / "F255.DAT");
    const std::string stray = "stray quotes";
    test::WriteBytes(port / "F30.DAT", stray);
    fs::create_directory(source);
    test::AddSymbol(source, "SRC", 3);
    test::WriteBytes(temp.path() / "imp.txt", std::string("01/05/2004,1,2,0.5,1.5,100,7\r\n"));
    const auto run = [&](const std::vector<std::string>& arguments, int code) {
        const CliRun result = test::RunCliIn(temp.path(), arguments);
        EXPECT_EQ(result.code, code) << testing::PrintToString(arguments) << result.err;
        return result.out + result.err;
    };
    EXPECT_EQ(run({"add-symbol", port.string(), "NEWA"}, kExitSuccess),
              port.string() + "\t16\tNEWA\n");
    run({"copy-symbol", source.string(), "SRC", port.string()}, kExitSuccess);
    run({"import", "imp.txt", port.string(), "--symbol", "IMP", "--date-format", "mm_dd_ccyy"},
        kExitSuccess);
    EXPECT_EQ(run({"add-symbol", port.string(), "NEWB"}, kExitSuccess),
              port.string() + "\t44\tNEWB\n");
    test::AddSymbol(source, "MOV", 2);
    run({"move-symbol", source.string(), "MOV", port.string()}, kExitSuccess);
    std::vector<store::MasterRecord> records;
    store::MasterHeader header;
    ASSERT_EQ(store::ReadMasterRecords(port, records, &header), store::kSuccess);
    EXPECT_EQ(header.count, 45);
    EXPECT_EQ(header.counter, 255);
    test::ExpectInStep(port);
    std::map<std::string, int> added;
    for (const auto& record : records) {
        added[record.SymbolText()] = record.fileNumber;
    }
    EXPECT_EQ(added["SRC"], 32);
    EXPECT_EQ(added["IMP"], 34);
    EXPECT_EQ(added["MOV"], 45);
    EXPECT_EQ(test::ReadBytes(port / "F30.DAT"), test::Bytes(stray.begin(), stray.end()));
    EXPECT_EQ(test::ReadBytes(port / "F34.DAT").size(), 28U * 2);

    // 255 records are the limit, whatever the numbers.
    std::vector<store::MasterRecord> all;
    for (int number = 1; number <= 255; ++number) {
        all.push_back(test::Record(number, "S" + std::to_string(number)));
    }
    const test::Bytes full = test::MasterFile(255, 200, all);
    test::WriteBytes(port / "MASTER", full);
    EXPECT_NE(run({"add-symbol", port.string(), "NEWC"}, kExitFailure)
                  .find("This portfolio already has the\nmaximum number of symbols (255).\nChoose "
                        "a different or new portfolio."),
              std::string::npos);
    EXPECT_EQ(test::ReadBytes(port / "MASTER"), full);
}

// The vendor's own EMASTER follows every command that changes MASTER, long names kept.
TEST(RealPortfolioTest, CommandsKeepEmasterInStep) {
    if (!fs::exists(kRealData / "equis_b")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    test::TempDir temp;
    const fs::path bb = test::CopyReal(temp.path(), "bbfinance");
    const fs::path equis = test::CopyReal(temp.path(), "equis_b");
    const auto run = [](std::vector<std::string> arguments) {
        const CliRun result = Cli(arguments);
        EXPECT_EQ(result.code, kExitSuccess) << testing::PrintToString(arguments) << result.err;
        EXPECT_EQ(result.err.find("EMASTER"), std::string::npos) << result.err;
    };
    for (const fs::path& dir : {bb, equis}) {
        SCOPED_TRACE(dir.filename().string());
        run({"add-symbol", dir, "NEWONE", "A new symbol"});
        test::ExpectInStep(dir);
    }
    run({"edit-symbol", equis, ".FCHI", ".FCHI", "CAC QUARANTE"});
    test::ExpectInStep(equis);
    // A long name it never had stays empty: readers take the short one.
    EXPECT_EQ(test::EmasterLongName(equis, 2), "");

    // Deleting the oldest quote moves the first date; the long names stay.
    for (const auto& [dir, symbol] : {std::pair{equis, ".FCHI"}, std::pair{bb, "AEMI"}}) {
        const Rows quotes = Table(Cli({"quotes", dir, symbol, "--all"}).out, '\t');
        ASSERT_GE(quotes.size(), 2u);
        run({"delete-quote", dir, symbol, quotes.back().at(0), "--yes"});
        test::ExpectInStep(dir);
    }
    EXPECT_EQ(test::EmasterLongName(equis, 1), "1/100 Dow Jones INDU");

    run({"copy-symbol", equis, ".DJX", bb});
    test::ExpectInStep(bb);
    run({"--yes", "delete-symbol", bb, "AEMI"});
    test::ExpectInStep(bb);
}

// Where EMASTER holds a long name it is shown; XMASTER's symbols are counted, never shown.
TEST(RealPortfolioTest, ShowsLongNamesAndCountsXmasterSymbols) {
    if (!fs::exists(kRealData / "equis_b")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    const std::string equis = (kRealData / "equis_b").string();
    const std::string note = "XMASTER holds 2 more symbols that this program does not show.\n";
    const CliRun symbols = Cli({"symbols", equis});
    EXPECT_EQ(Table(symbols.out, '\t').at(0).at(2), "1/100 Dow Jones INDU");
    EXPECT_EQ(Table(symbols.out, '\t').at(1).at(2), "CAC 40 INDICE");
    EXPECT_EQ(symbols.err, note);
    const CliRun info = Cli({"info", equis, ".DJX"});
    EXPECT_NE(info.out.find("\nName\t1/100 Dow Jones INDU\n"), std::string::npos) << info.out;
    EXPECT_EQ(info.err, note);
    // bbfinance's XMASTER is a placeholder, not an index.
    EXPECT_EQ(Cli({"symbols", (kRealData / "bbfinance").string()}).err, "");
    EXPECT_EQ(store::SymbolsOnlyInXmaster(kRealData / "equis_b"), 2);

    // The header and records as the vendor writes them: the count, the next free number and
    // records of 150 bytes naming F<n>.MWD files.
    const test::Bytes bytes = test::ReadBytes(kRealData / "equis_b" / "XMASTER");
    ASSERT_EQ(bytes.size(), 3 * store::kXmasterRecordSize);
    const store::XmasterHeader header = store::DecodeXmasterHeader(bytes.data());
    EXPECT_EQ(header.magic, store::kXmasterMagic);
    EXPECT_EQ(header.count, 2);
    EXPECT_EQ(header.nextFileNumber, 2854);
    const store::XmasterRecord first =
        store::DecodeXmasterRecord(bytes.data() + store::kXmasterRecordSize);
    const store::XmasterRecord second =
        store::DecodeXmasterRecord(bytes.data() + 2 * store::kXmasterRecordSize);
    EXPECT_EQ(first.symbol, "AZM.L");
    EXPECT_EQ(first.period, 'D');
    for (const store::XmasterRecord& record : {first, second}) {
        EXPECT_TRUE(
            fs::exists(kRealData / "equis_b" / ("F" + std::to_string(record.fileNumber) + ".MWD")))
            << record.fileNumber;
    }
    EXPECT_EQ(second.fileNumber, 2853);
}

// A name longer than MASTER's 16 characters goes whole to EMASTER, where there is one.
TEST(RealPortfolioTest, LongNamesTypedGoWholeToEmaster) {
    if (!fs::exists(kRealData / "equis_b")) {
        GTEST_SKIP() << kRealData << " is not there";
    }
    test::TempDir temp;
    const fs::path equis = test::CopyReal(temp.path(), "equis_b");
    const fs::path stooq = test::CopyReal(temp.path(), "stooq");
    const std::string longName = "Aardvark Holdings International Preferred";
    const CliRun added = Cli({"add-symbol", equis.string(), "AARD", longName});
    ASSERT_EQ(added.code, kExitSuccess) << added.err;
    EXPECT_NE(added.err.find("first 16 characters of the name, \"Aardvark Holding\""),
              std::string::npos)
        << added.err;
    test::ExpectInStep(equis);
    EXPECT_EQ(test::EmasterLongName(equis, 3), longName);
    EXPECT_EQ(Table(Cli({"symbols", equis.string()}).out, '\t').at(2).at(2), longName);
    EXPECT_NE(Cli({"info", equis.string(), "AARD"}).out.find("\nName\t" + longName + "\n"),
              std::string::npos);

    const std::string renamed = "CAC 40 INDICE DE LA BOURSE DE PARIS";
    ASSERT_EQ(Cli({"edit-symbol", equis.string(), ".FCHI", ".FCHI", renamed}).code, kExitSuccess);
    test::ExpectInStep(equis);
    EXPECT_EQ(test::EmasterLongName(equis, 2), renamed);
    // Left out, the name stays, and so does its long form.
    ASSERT_EQ(Cli({"edit-symbol", equis.string(), ".FCHI", ".FCH"}).code, kExitSuccess);
    EXPECT_EQ(test::EmasterLongName(equis, 2), renamed);

    // Too long for the field, or longer than 16 where no EMASTER could hold it: refused,
    // nothing changed.
    const std::string tooLong(store::kMaxLongNameText + 1, 'N');
    const auto indexes = [&] {
        return std::vector<test::Bytes>{test::ReadBytes(equis / "MASTER"),
                                        test::ReadBytes(equis / "EMASTER"),
                                        test::ReadBytes(stooq / "MASTER")};
    };
    const std::vector<test::Bytes> before = indexes();
    for (const auto& [dir, name] :
         {std::pair{equis, tooLong}, std::pair{stooq, std::string("Seventeen letters")}}) {
        const CliRun add = Cli({"add-symbol", dir.string(), "REFUSED", name});
        EXPECT_EQ(add.code, kExitFailure);
        EXPECT_NE(add.err.find("may have at most"), std::string::npos) << add.err;
        const std::string symbol = dir == equis ? ".DJX" : "2HR.DE";
        EXPECT_EQ(Cli({"edit-symbol", dir.string(), symbol, symbol, name}).code, kExitFailure);
    }
    EXPECT_EQ(indexes(), before);
    const std::string fits(store::kMaxLongNameText, 'F');
    ASSERT_EQ(Cli({"add-symbol", equis.string(), "FITS", fits}).code, kExitSuccess);
    EXPECT_EQ(test::EmasterLongName(equis, 4), fits);

    // The import takes a long name as the symbol commands do.
    test::WriteBytes(temp.path() / "imp.txt", std::string("01/05/2004,1,2,0.5,1.5,100,7\r\n"));
    const std::string imported = "Imported with a name past sixteen";
    const auto import = [&](const fs::path& dir) {
        return test::RunCliIn(temp.path(), {"import", "imp.txt", dir.string(), "--symbol", "IMP",
                                            "--name", imported, "--date-format", "mm_dd_ccyy"});
    };
    const CliRun intoEquis = import(equis);
    ASSERT_EQ(intoEquis.code, kExitSuccess) << intoEquis.err;
    test::ExpectInStep(equis);
    EXPECT_EQ(test::EmasterLongName(equis, 5), imported);
    const test::Bytes stooqMaster = test::ReadBytes(stooq / "MASTER");
    const CliRun intoStooq = import(stooq);
    EXPECT_EQ(intoStooq.code, kExitUsage);
    EXPECT_NE(intoStooq.err.find("at most 16 characters"), std::string::npos) << intoStooq.err;
    EXPECT_EQ(test::ReadBytes(stooq / "MASTER"), stooqMaster);
}

TEST(CliTest, QuotesNewestFirst) {
    test::TempDir temp;
    const std::string dir = temp.path().string();
    test::AddSymbol(temp.path(), "LONG", 1000);
    test::AddSymbol(temp.path(), "NONE", 0);
    test::AddSymbol(temp.path(), "FIVE", 2, {true, false, false, true, true, true, true});

    const CliRun all = Cli({"quotes", dir, "LONG", "--all"});
    ASSERT_EQ(all.code, kExitSuccess) << all.err;
    const Rows lines = Table(all.out, '\t');
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines.back(), (std::vector<std::string>{"01/03/00", "10.0000", "11.0000", "9.5000",
                                                      "10.5000", "1000.0000", "0.0000"}));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const store::Quote quote = test::SampleQuote(999 - static_cast<int>(i));
        ASSERT_EQ(lines[i][0], store::GridDateText(quote.date)) << i;
        ASSERT_EQ(std::stof(lines[i][5]), quote.volume) << i;
    }
    EXPECT_EQ(Table(Cli({"quotes", dir, "long"}).out, '\t'),
              Rows(lines.begin(), lines.begin() + 30));
    EXPECT_EQ(Cli({"quotes", dir, "NONE", "--all"}).out, "");
    // Fields the records lack print empty.
    EXPECT_EQ(Cli({"quotes", dir, "FIVE"}).out,
              "01/04/00\t\t11.2500\t9.7500\t10.7500\t2000.0000\t\n"
              "01/03/00\t\t11.0000\t9.5000\t10.5000\t1000.0000\t\n");
}

TEST(CliTest, InfoAndExitStatuses) {
    test::TempDir temp;
    const std::string dir = temp.path().string();
    test::AddSymbol(temp.path(), "INFO", 3);
    const CliRun info = Cli({"info", dir, "info"});
    ASSERT_EQ(info.code, kExitSuccess) << info.err;
    EXPECT_EQ(info.out.substr(info.out.find("\nFile")),
              "\nFile number\t1\nRecord length\t28\nFields\t7\nQuotes\t3\nName\tINFO CORP       \n"
              "First date\t1000103\nLast date\t1000105\nPeriod\tD Daily\nSymbol\tINFO            \n"
              "DATE\tWhole Num.\tWhole Num.\nTIME\t\t\nOPEN\t10,000ths\t10,000ths\n"
              "HIGH\t10,000ths\t10,000ths\nLOW\t10,000ths\t10,000ths\n"
              "CLOSE\t10,000ths\t10,000ths\nVOL\t10,000ths\t10,000ths\nOI\t10,000ths\t10,000ths\n");

    // A damaged date is shown with every digit.
    const float damaged = -1.7e38f;
    ASSERT_EQ(store::SetMasterDates(temp.path(), 1, store::FloatToMbf(1000103),
                                    store::FloatToMbf(damaged), false),
              store::kSuccess);
    std::string digits =
        std::to_string(static_cast<double>(store::MbfToFloat(store::FloatToMbf(damaged))));
    digits.resize(digits.find('.'));
    ASSERT_EQ(digits.size(), 40u);
    EXPECT_NE(Cli({"info", dir, "INFO"}).out.find("\nLast date\t" + digits + "\n"),
              std::string::npos);

    const std::string noMaster =
        "File Open (" + dir + "/missing/MASTER could not be opened: No such file or directory)";
    // A command line that does not parse points to the help.
    const std::string usage = "Run with --help for more information.";
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{}, kExitUsage, usage},
        {{"bogus"}, kExitUsage, usage},
        {{"quotes", dir}, kExitUsage, usage},
        {{"quotes", dir, "INFO", "--newest"}, kExitUsage, usage},
        {{"quotes", dir, "NOPE"}, kExitFailure, "File Not Found"},
        {{"info", dir, "NOPE"}, kExitFailure, "NOPE"},
        {{"info", dir + "/missing", "INFO"}, kExitFailure, noMaster.substr(11)},
        {{"symbols", dir + "/missing"}, kExitFailure, noMaster},
        {{"profile", "assign-all", dir + "/missing", "Daily"}, kExitFailure, noMaster},
    };
    for (const auto& [arguments, code, error] : cases) {
        const CliRun run = Cli(arguments);
        EXPECT_EQ(run.code, code) << testing::PrintToString(arguments);
        EXPECT_NE(run.err.find(error), std::string::npos) << run.err;
    }
    fs::remove(temp.path() / "F1.DAT");
    for (const char* command : {"quotes", "info"}) {
        const CliRun noData = Cli({command, dir, "INFO"});
        EXPECT_EQ(noData.code, kExitFailure);
        EXPECT_NE(noData.err.find("File Open (" + (temp.path() / "F1.DAT").string() +
                                  " could not be opened: No such file or directory)"),
                  std::string::npos)
            << noData.err;
    }
}

// The symbol and quote commands end to end: questions answered No without --yes.
TEST(CliTest, SymbolAndQuoteCommands) {
    test::TempDir temp;
    const fs::path one = temp.path() / "one", two = temp.path() / "two";
    fs::create_directories(one);
    fs::create_directories(two);
    ASSERT_EQ(store::CreateEmptyMaster(two), store::kSuccess);
    test::AddSymbol(one, "AAA", 10);
    const std::string monday = store::GridDateText(test::SampleQuote(5).date);
    const std::string friday = store::GridDateText(test::SampleQuote(4).date);
    const auto run = [](std::vector<std::string> arguments, int code) {
        const CliRun result = Cli(arguments);
        EXPECT_EQ(result.code, code) << testing::PrintToString(arguments) << result.err;
        return result;
    };
    EXPECT_EQ(run({"add-symbol", one, "ibm"}, kExitSuccess).out, one.string() + "\t2\tIBM\n");
    run({"add-symbol", one, "IBM"}, kExitFailure);
    EXPECT_EQ(run({"find-symbol", "ibm", "--all", two, one}, kExitSuccess).out,
              one.string() + "\t2\tIBM\n");
    run({"find-symbol", "--number", "x", one}, kExitUsage);
    run({"copy-symbol", one, "IBM", two}, kExitSuccess);
    run({"edit-symbol", one, "ibm", "IBX", "New name"}, kExitSuccess);
    run({"delete-symbol", one, "IBX"}, kExitFailure);
    run({"--yes", "delete-symbol", one, "IBX"}, kExitSuccess);
    EXPECT_EQ(Table(run({"symbols", two}, kExitSuccess).out, '\t').at(0).at(1), "IBM");
    // Relative portfolio paths, and two symbols whose grid text is the same: a delete takes
    // the selected one's record and files only, a quote edit refuses to guess.
    const fs::path working = fs::current_path();
    fs::current_path(temp.path());
    EXPECT_EQ(run({"add-symbol", "one", "BRK A"}, kExitSuccess).out, "one\t2\tBRK A\n");
    run({"add-symbol", "one", "BRK B"}, kExitSuccess);
    run({"edit-quote", "one", "BRK", monday, "1", "2", "3", "4", "5", "6"}, kExitFailure);
    run({"--yes", "delete-symbol", "one", "BRK"}, kExitSuccess);
    EXPECT_FALSE(fs::exists(one / "F2.DAT"));
    EXPECT_TRUE(fs::exists(one / "F3.DAT"));
    EXPECT_EQ(Table(run({"symbols", "one"}, kExitSuccess).out, '\t').size(), 2u);
    fs::current_path(working);

    run({"edit-quote", one, "AAA", monday, "1", "2", "3", "4", "5"}, kExitUsage);
    run({"edit-quote", one, "AAA", "12/25/99", "1", "2", "3", "4", "5", "6"}, kExitFailure);
    run({"edit-quote", one, "AAA", monday, "1", "2", "3", "4", "5", "6"}, kExitSuccess);
    run({"delete-quote", one, "AAA", friday}, kExitFailure);
    run({"delete-quote", one, "AAA", friday, "--yes"}, kExitSuccess);
    EXPECT_EQ(run({"add-quote", one, "AAA", monday}, kExitSuccess).out, friday + "\n");
    run({"split", one, "AAA", monday, "2", "0"}, kExitFailure);
    run({"split", one, "AAA", monday, "2", "1"}, kExitSuccess);
    run({"adjust", one, "AAA", friday, monday, "1", "1", "0"}, kExitFailure);
    const Rows rows = Table(run({"quotes", one, "AAA"}, kExitSuccess).out, '\t');
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[4], (std::vector<std::string>{monday, "1.0000", "2.0000", "3.0000", "4.0000",
                                                 "5.0000", "6.0000"}));
    // The copy of Monday dated Friday, then split 2 for 1.
    EXPECT_EQ(rows[5], (std::vector<std::string>{friday, "0.5000", "1.0000", "1.5000", "2.0000",
                                                 "10.0000", "12.0000"}));
}

}  // namespace
}  // namespace ticksmith::cli
