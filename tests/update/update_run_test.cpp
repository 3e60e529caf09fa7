#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <sstream>
#include <thread>
#include <tuple>

#include "cli_support.h"
#include "emaster_support.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "update/audit_log.h"
#include "update/run_report.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

constexpr store::DayNumber kJan5 = 14249;
constexpr store::DayNumber kJan10 = 14254;  // the weekday after the sample series' fifth quote
const std::string kFailed(update::kFailedSymbolLine);

std::string Header() {
    return "Results of Ticksmith for " + update::LongDateTimeText(World::kClock) + "\r\n";
}

std::string PortfolioHeader(const fs::path& dir) {
    return "\r\nAudit for MASTER at: " + dir.string() + "\r\n";
}

std::string Added(const std::string& day, const std::string& symbol, const fs::path& dir,
                  const fs::path& file) {
    return "Quote for: " + day + " added to: " + symbol + " in directory " + dir.string() +
           " from file " + file.string() + "\r\n";
}

void SetDates(Bytes& master, int fileNumber, store::DayNumber first, store::DayNumber last) {
    std::uint8_t* at =
        master.data() + store::kMasterRecordSize * static_cast<std::size_t>(fileNumber);
    store::MasterRecord record = store::DecodeMasterRecord(at);
    record.firstDate = store::FileDateFromDayNumber(first);
    record.lastDate = store::FileDateFromDayNumber(last);
    store::EncodeMasterRecord(record, at);
}

class UpdateRunTest : public ::testing::Test {
  protected:
    void SetUp() override { world.Profile("Daily", DailyProfile(world.updates)); }

    // IBM with five quotes, and an update file with its next one.
    fs::path IbmPortfolio() {
        const fs::path p = world.Portfolio("data");
        world.Symbol(p, "IBM", 5);
        WriteText(world.updates / "u.txt", "IBM,20000110,1,2,3,4,5,6\n");
        return p;
    }
    const Bytes ibmUpdated = Series(5, {MakeQuote(kJan10, 1, 2, 3, 4, 5, 6)});

    Scratch temp;
    World world{temp.path()};
};

// Without catch-up, one quote a symbol: the first newer line in search order.
TEST_F(UpdateRunTest, OneDayAppendsTheFirstNewerLineOfEachSymbolAndLogsEveryStep) {
    world.Profile("Futures", DailyProfile(world.updates, true));
    const fs::path p = world.Portfolio("data");
    const store::FieldSet noOi = {true, false, true, true, true, true, true, false};
    ASSERT_EQ(world.Symbol(p, "IBM", 5), 1);
    world.Symbol(p, "NEW", 0);
    world.Symbol(p, "FUT", 5, "Futures");
    world.Symbol(p, "FUTV", 5, "Futures", noOi);
    world.Symbol(p, "SKIP", 5);
    world.Symbol(p, "STALE", 5);
    world.Symbol(p, "LOST", 5, "");
    Recorder quiet;
    ASSERT_TRUE(portfolio::SkipSymbol(p, "SKIP", portfolio::SkipChange::kOn, quiet));
    const fs::path q = world.Portfolio("quiet");
    world.Symbol(q, "QQQ", 3);
    Bytes master = test::ReadBytes(p / "MASTER");
    for (std::uint8_t byte : {0x01, 0x00, 0x54, 0x52}) {
        master.push_back(byte);  // bytes after the records belong to someone else
    }
    test::WriteBytes(p / "MASTER", master);
    // Searched first; a line beginning "ibm" does not name IBM when the symbol is in column 1.
    WriteText(world.updates / "c.txt",
              "ibm,20000111,1,1,1,1,1,1\r\nSTALE,20000107,1,1,1,1,1,1\r\n"
              "STALE,20000106,1,1,1,1,1,1\nSKIP,20000110,1,1,1,1,1,1\nLOST,20000110,1,1,1,1,1,1\n");
    WriteText(world.updates / "b.txt",
              "IBM,20000110,,11.5,9.25,10.75,5000,12\r\nFUT,20000110,20,21,19,20.5,777,88\r\n"
              "\"FUTV\",\"20000110\",20,21,19,20.5,555,66\r\n");
    WriteText(world.updates / "a.txt",
              "IBM,20000112,1,1,1,1,1,1\r\nNEW,20000105,1,2,0.5,1.5,100,0\r\n");
    const auto before = test::Snapshot(p);
    const auto quietBefore = test::Snapshot(q);

    settings::ViewSettings view;
    view.deleteTxt = true;
    view.catchUp = false;
    const World::Outcome outcome = world.Run({p, q}, view, "FUT");

    EXPECT_EQ(outcome.result.quotesAdded, 4);
    EXPECT_TRUE(outcome.result.currentSymbolUpdated);
    EXPECT_TRUE(outcome.result.Succeeded());
    EXPECT_EQ(outcome.messages, std::vector<std::string>{"skip"});
    const fs::path a = world.updates / "a.txt", b = world.updates / "b.txt";
    // Each line names the date of the quote it added.
    const std::string audit = Header() + PortfolioHeader(p) + Added("011000", "IBM", p, b) +
                              Added("010500", "NEW", p, a) + Added("011000", "FUT", p, b) +
                              Added("011000", "FUTV", p, b) + kFailed + "STALE\r\n" + kFailed +
                              "LOST\r\n" + PortfolioHeader(q) + kFailed + "QQQ\r\n";
    EXPECT_EQ(Text(world.working / "AUDIT.TXT"), audit);
    EXPECT_EQ(Text(world.working / "Lasttime" / "AUDIT.TXT"), audit);

    SetDates(master, 1, test::SampleQuote(0).date, kJan10);
    SetDates(master, 2, kJan5, kJan5);
    SetDates(master, 3, test::SampleQuote(0).date, kJan10);
    SetDates(master, 4, test::SampleQuote(0).date, kJan10);
    auto after = test::Snapshot(p);
    EXPECT_EQ(after["MASTER"], master);
    EXPECT_EQ(after["F1.DAT"], Series(5, {MakeQuote(kJan10, 0, 11.5f, 9.25f, 10.75f, 5000, 12)}));
    EXPECT_EQ(after["F2.DAT"], Series(0, {MakeQuote(kJan5, 1, 2, 0.5f, 1.5f, 100, 0)}));
    // Futures: the line's volume and open interest also belong to the previous day.
    std::vector<store::Quote> fut(5);
    for (int i = 0; i < 5; ++i) {
        fut[static_cast<std::size_t>(i)] = test::SampleQuote(i);
    }
    fut[4].volume = 777;
    fut[4].openInterest = 88;
    fut.push_back(MakeQuote(kJan10, 20, 21, 19, 20.5f, 777, 88));
    EXPECT_EQ(after["F3.DAT"], Series(0, fut));
    fut[4].volume = 555;
    fut[5].volume = 555;
    EXPECT_EQ(after["F4.DAT"], Series(0, fut, noOi));
    // Every other file of the portfolio, SKIP's, STALE's and LOST's included, is untouched.
    auto rest = before;
    for (const char* name : {"MASTER", "F1.DAT", "F2.DAT", "F3.DAT", "F4.DAT"}) {
        after.erase(name);
        rest.erase(name);
    }
    EXPECT_EQ(after, rest);
    EXPECT_EQ(test::Snapshot(q), quietBefore);
    EXPECT_EQ(Leftovers(temp.path()), std::vector<std::string>{});
    // Only the files that supplied a quote are deleted.
    EXPECT_EQ(test::Snapshot(world.updates).size(), 1u);
    EXPECT_TRUE(fs::exists(world.updates / "c.txt"));

    const update::AnomalyReport report = update::BuildAnomalyReport(world.working / "AUDIT.TXT", 4);
    EXPECT_EQ(report.header + "\r\n", Header());
    EXPECT_EQ(report.count, 4);
    EXPECT_EQ(report.entries, (std::vector<std::string>{"STALE in " + p.string() + " ",
                                                        "LOST in " + p.string() + " ",
                                                        "QQQ in " + q.string() + " ", ""}));

    // Nothing left to add: every file stays as it is, and the last run's log is kept.
    const auto settled = test::Snapshot(temp.path() / "data");
    const fs::path empty = temp.path() / "empty";
    fs::create_directories(empty);
    const World::Outcome again = world.Run({p, q, empty}, view);
    EXPECT_TRUE(again.started);
    EXPECT_EQ(again.result.quotesAdded, 0);
    EXPECT_EQ(test::Snapshot(p), settled);
    EXPECT_EQ(test::Snapshot(q), quietBefore);
    EXPECT_EQ(Text(world.working / "Lasttime" / "AUDIT.TXT"), audit);
    const update::AnomalyReport nothing =
        update::BuildAnomalyReport(world.working / "AUDIT.TXT", 0);
    ASSERT_EQ(nothing.entries.size(), 10u);
    EXPECT_EQ(nothing.entries[0], "No quotes were updated this time.");
    EXPECT_EQ(nothing.entries[7], "See you next time!");
    EXPECT_EQ(nothing.entries[8], "");
    EXPECT_EQ(nothing.entries[9].rfind("ERROR", 0), 0u);
    EXPECT_NE(nothing.entries[9].find(empty.string()), std::string::npos);
}

// A person who missed evenings gets every missing day, oldest first, in one run; a day that
// two files give comes from the file searched first.
TEST_F(UpdateRunTest, CatchUpAddsEveryMissingDayInDateOrder) {
    world.Profile("Futures", DailyProfile(world.updates, true));
    const fs::path p = world.Portfolio("data");
    world.Symbol(p, "IBM", 5);
    world.Symbol(p, "FUT", 5, "Futures");
    world.Symbol(p, "NEW", 0);
    const store::DayNumber jan11 = kJan10 + 1, jan12 = kJan10 + 2;
    // Searched first.
    WriteText(world.updates / "b.txt",
              "IBM,20000112,7,8,6,7.5,700,0\nFUT,20000111,20,22,19,21,800,90\n");
    WriteText(
        world.updates / "a.txt",
        "IBM,20000111,5,6,4,5.5,600,0\nIBM,20000112,1,1,1,1,1,1\nIBM,20000110,3,4,2,3.5,500,0\n"
        "IBM,20000103,9,9,9,9,9,9\nFUT,20000110,10,12,9,11,700,80\nNEW,20000111,1,2,1,2,10,0\n"
        "NEW,20000110,1,2,1,1,20,0\n");
    Bytes master = test::ReadBytes(p / "MASTER");
    settings::ViewSettings view;
    view.deleteTxt = true;

    const World::Outcome outcome = world.Run({p}, view);
    EXPECT_EQ(outcome.result.quotesAdded, 7);
    EXPECT_TRUE(outcome.result.Succeeded());
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), Series(5, {MakeQuote(kJan10, 3, 4, 2, 3.5f, 500, 0),
                                                        MakeQuote(jan11, 5, 6, 4, 5.5f, 600, 0),
                                                        MakeQuote(jan12, 7, 8, 6, 7.5f, 700, 0)}));
    // Futures: each day's volume and open interest go onto the day before it.
    std::vector<store::Quote> fut;
    for (int i = 0; i < 5; ++i) {
        fut.push_back(test::SampleQuote(i));
    }
    fut[4].volume = 700;
    fut[4].openInterest = 80;
    fut.push_back(MakeQuote(kJan10, 10, 12, 9, 11, 800, 90));
    fut.push_back(MakeQuote(jan11, 20, 22, 19, 21, 800, 90));
    EXPECT_EQ(test::ReadBytes(p / "F2.DAT"), Series(0, fut));
    EXPECT_EQ(test::ReadBytes(p / "F3.DAT"), Series(0, {MakeQuote(kJan10, 1, 2, 1, 1, 20, 0),
                                                        MakeQuote(jan11, 1, 2, 1, 2, 10, 0)}));
    SetDates(master, 1, test::SampleQuote(0).date, jan12);
    SetDates(master, 2, test::SampleQuote(0).date, jan11);
    SetDates(master, 3, kJan10, jan11);
    EXPECT_EQ(test::ReadBytes(p / "MASTER"), master);

    const fs::path a = world.updates / "a.txt", b = world.updates / "b.txt";
    EXPECT_EQ(Text(world.working / "AUDIT.TXT"),
              Header() + PortfolioHeader(p) + Added("011000", "IBM", p, a) +
                  Added("011100", "IBM", p, a) + Added("011200", "IBM", p, b) +
                  Added("011000", "FUT", p, a) + Added("011100", "FUT", p, b) +
                  Added("011000", "NEW", p, a) + Added("011100", "NEW", p, a));
    // Both files supplied quotes; the Anomaly Report reads the log as ever.
    EXPECT_EQ(test::Snapshot(world.updates).size(), 0u);
    EXPECT_EQ(update::BuildAnomalyReport(world.working / "AUDIT.TXT", 7).entries,
              (std::vector<std::string>{"No anomalies to report!", " ", "See you next time!", ""}));

    // The same files again: every day is already there.
    WriteText(b, "IBM,20000112,7,8,6,7.5,700,0\n");
    const auto settled = test::Snapshot(p);
    EXPECT_EQ(world.Run({p}, view).result.quotesAdded, 0);
    EXPECT_EQ(test::Snapshot(p), settled);
}

// The single-quote run of old, for one run (--one-day) or for good (the stored setting): the
// newest file wins and the older day is passed over from then on.
TEST_F(UpdateRunTest, OneDayRunFromTheCommandLineOrTheSetting) {
    const fs::path p = world.Portfolio("data");
    world.Symbol(p, "IBM", 5);
    const auto twoEvenings = [&] {
        WriteText(world.updates / "a.txt", "IBM,20000110,1,2,3,4,5,6\n");
        WriteText(world.updates / "b.txt", "IBM,20000111,1,2,3,4,5,6\n");
    };
    twoEvenings();
    const Bytes before = test::ReadBytes(p / "F1.DAT");
    test::CliResult run = test::RunCliIn(world.working, {"update", "--one-day", p.string()});
    EXPECT_EQ(run.out, "1 quote added\n") << run.err;
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), Series(5, {MakeQuote(kJan10 + 1, 1, 2, 3, 4, 5, 6)}));

    // Stored off; the store outlives the runs as the user's settings file does.
    test::WriteBytes(p / "F1.DAT", before);
    const fs::path master = p / "MASTER";
    Bytes masterBytes = test::ReadBytes(master);
    SetDates(masterBytes, 1, test::SampleQuote(0).date, test::SampleQuote(4).date);
    test::WriteBytes(master, masterBytes);
    auto stored = std::make_shared<settings::MemorySettingsStore>();
    const auto openStored = [stored](const fs::path&) {
        return std::make_unique<settings::MemorySettingsStore>(*stored);
    };
    ASSERT_TRUE(stored->WriteString("Update", "CatchUp", "0"));
    run = test::RunCliIn(world.working, {"update", p.string()}, openStored);
    EXPECT_EQ(run.out, "1 quote added\n") << run.err;
    ASSERT_TRUE(stored->WriteString("Update", "CatchUp", "1"));
    test::WriteBytes(p / "F1.DAT", before);
    test::WriteBytes(master, masterBytes);
    run = test::RunCliIn(world.working, {"update", p.string()}, openStored);
    EXPECT_EQ(run.out, "2 quotes added\n") << run.err;
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), Series(5, {MakeQuote(kJan10, 1, 2, 3, 4, 5, 6),
                                                        MakeQuote(kJan10 + 1, 1, 2, 3, 4, 5, 6)}));
}

TEST_F(UpdateRunTest, PortfolioCopiedFromWindowsKeepsItsLowerCaseNames) {
    const fs::path p = world.Portfolio("win");
    world.Symbol(p, "IBM", 5);
    fs::remove(p / "MASTER.BAK");
    for (const std::string name : {"MASTER", "F1.DAT", "F1.DOP", "F1.pfl", "SKIPQLDR.SKB"}) {
        fs::rename(p / name, p / platform::ToLowerAscii(name));
    }
    WriteText(world.updates / "q.txt", "IBM,20000110,1,2,0.5,1.5,100,7\n");
    const test::CliResult run = test::RunCliIn(world.working, {"update", p.string(), "--report"});
    ASSERT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_EQ(run.out.rfind("1 quote added\n\nAnomaly Report\nResults of Ticksmith for ", 0), 0u);
    const std::string tail =
        "\nNumber of updated quotes: 1\nNo anomalies to report!\n \nSee you next time!\n\n"
        "See file  AUDIT.TXT for more details.\n";
    EXPECT_EQ(run.out.substr(run.out.size() - std::min(run.out.size(), tail.size())), tail);
    std::vector<std::string> names;
    for (const auto& [name, bytes] : test::Snapshot(p)) {
        names.push_back(name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"f1.dat", "f1.dop", "f1.pfl", "master", "skipqldr.skb"}));
    EXPECT_EQ(test::ReadBytes(p / "f1.dat"),
              Series(5, {MakeQuote(kJan10, 1, 2, 0.5f, 1.5f, 100, 7)}));
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(p, records), store::kSuccess);
    EXPECT_EQ(records.at(0).LastDay(), kJan10);
}

TEST_F(UpdateRunTest, RunKeepsTheVendorsEmasterInStep) {
    if (!fs::exists(test::kRealData / "equis_b")) {
        GTEST_SKIP() << test::kRealData << " is not there";
    }
    const fs::path p = test::CopyReal(temp.path(), "equis_b");
    EXPECT_FALSE(portfolio::SetSkipString(p, {}).empty());
    profiles::AssignmentBytes bytes{};
    ASSERT_TRUE(profiles::EncodeAssignment("Daily", bytes));
    test::WriteBytes(p / profiles::AssignmentFileName(1), bytes);
    WriteText(world.updates / "u.txt", ".DJX,20111228,120,121,119,120.5,1000,0\n");
    const World::Outcome outcome = world.Run({p});
    EXPECT_TRUE(outcome.result.Succeeded()) << testing::PrintToString(outcome.messages);
    EXPECT_EQ(outcome.result.quotesAdded, 1);
    test::ExpectInStep(p);
    EXPECT_EQ(test::EmasterLongName(p, 1), "1/100 Dow Jones INDU");
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(p, records), store::kSuccess);
    EXPECT_EQ(records.at(0).LastDay(), store::DayNumberFromYmd(111, 12, 28));
}

TEST_F(UpdateRunTest, BadUpdateFilesGiveNoWrongQuote) {
    const fs::path p = world.Portfolio("data");
    for (const std::string symbol : {"LONG", "WIDE", "NA", "BADDATE", "BIN"}) {
        world.Symbol(p, symbol, 5);
    }
    std::mt19937 random(7);
    std::string binary(8192, '\0');
    for (char& c : binary) {
        c = static_cast<char>(random());
    }
    const fs::path& u = world.updates;
    WriteText(u / "binary.dat", binary);
    WriteText(u / "long.txt", std::string(100000, '9') + "\nLONG,20000110,1,2,3,4,5,6\n" +
                                  std::string(100000, 'L'));
    std::string wide = "WIDE,20000110";
    for (int column = 3; column <= 30; ++column) {
        wide += "," + std::to_string(column - 2);
    }
    WriteText(u / "wide.txt", wide + "\r\n");
    WriteText(u / "na.txt", "NA,20000110,N/A,N/A,,abc,N/A,-\n");
    WriteText(u / "baddate.txt",
              "BADDATE,20001340,1,1,1,1,1,1\nBADDATE,N/A,1,1,1,1,1,1\nBADDATE,,1,1,1,1,1,1\n"
              "BADDATE,00000000,1,1,1,1,1,1\n");
    WriteText(u / "empty.txt", "");
    ASSERT_EQ(::mkfifo((u / "fifo").c_str(), 0644), 0);
    fs::create_symlink(u / "missing", u / "dangling");
    fs::create_directories(u / "adir");

    const World::Outcome outcome = world.Run({p});
    EXPECT_EQ(outcome.result.quotesAdded, 3);
    const auto after = test::Snapshot(p);
    EXPECT_EQ(after.at("F1.DAT"), ibmUpdated);
    EXPECT_EQ(after.at("F2.DAT"), ibmUpdated);
    EXPECT_EQ(after.at("F3.DAT"), Series(5, {MakeQuote(kJan10, 0, 0, 0, 0, 0, 0)}));
    EXPECT_EQ(after.at("F4.DAT"), Series(5));
    EXPECT_EQ(after.at("F5.DAT"), Series(5));
    EXPECT_NE(Text(world.working / "AUDIT.TXT").find(kFailed + "BADDATE\r\n" + kFailed + "BIN\r\n"),
              std::string::npos);
}

TEST_F(UpdateRunTest, RunAfterAnInterruptedOneAddsNothingTwice) {
    const fs::path p = world.Portfolio("data");
    world.Symbol(p, "IBM", 5);
    world.Symbol(p, "NEW", 0);
    WriteText(world.updates / "u.txt", "IBM,20000110,1,2,3,4,5,6\nNEW,20000110,1,2,3,4,5,6\n");
    const Bytes oldMaster = test::ReadBytes(p / "MASTER");
    EXPECT_EQ(world.Run({p}).result.quotesAdded, 2);
    const auto done = test::Snapshot(p);

    // As if the run had stopped after the data files but before MASTER was replaced.
    test::WriteBytes(p / "MASTER", oldMaster);
    const World::Outcome again = world.Run({p});
    EXPECT_EQ(again.result.quotesAdded, 0);
    EXPECT_EQ(test::Snapshot(p), done);
    EXPECT_EQ(Text(world.working / "AUDIT.TXT").find("Quote for:"), std::string::npos);

    EXPECT_EQ(world.Run({p}).result.quotesAdded, 0);
    EXPECT_EQ(test::Snapshot(p), done);

    // Stopped again before MASTER, and the next evening's file has arrived beside the old
    // one: MASTER takes the data file's dates and only the new day is added.
    test::WriteBytes(p / "MASTER", oldMaster);
    WriteText(world.updates / "v.txt", "IBM,20000111,7,8,6,7.5,700,0\n");
    const World::Outcome catchUp = world.Run({p});
    EXPECT_EQ(catchUp.result.quotesAdded, 1);
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"),
              Series(5, {MakeQuote(kJan10, 1, 2, 3, 4, 5, 6),
                         MakeQuote(kJan10 + 1, 7, 8, 6, 7.5f, 700, 0)}));
    const std::string audit = Text(world.working / "AUDIT.TXT");
    EXPECT_NE(audit.find("Dates of IBM in directory " + p.string() +
                         " taken from its data file, which already holds the new quote\r\n"
                         "Quote for: 011100 added to: IBM"),
              std::string::npos)
        << audit;
    Bytes master = oldMaster;
    SetDates(master, 1, test::SampleQuote(0).date, kJan10 + 1);
    SetDates(master, 2, kJan10, kJan10);
    EXPECT_EQ(test::ReadBytes(p / "MASTER"), master);
}

// What a run stopped between the data files and MASTER leaves behind, met by the next evening's
// run with and without catch-up.
TEST_F(UpdateRunTest, NextRunAfterAStoppedOneMendsMasterAndLosesNoDay) {
    for (const bool catchUp : {true, false}) {
        SCOPED_TRACE(catchUp ? "catch-up" : "one day");
        fs::remove_all(world.root / "one");
        fs::remove_all(world.root / "two");
        fs::remove_all(world.updates);
        fs::create_directories(world.updates);
        const fs::path one = world.Portfolio("one"), two = world.Portfolio("two");
        world.Symbol(one, "AAA", 5);
        world.Symbol(two, "BBB", 5);
        world.Symbol(two, "NEW", 0);
        const Bytes twoMaster = test::ReadBytes(two / "MASTER");
        // Wednesday's run: AAA whole; BBB's and NEW's data files written, MASTER not.
        WriteText(world.updates / "wed.txt",
                  "AAA,20000110,1,1,1,1,1,0\nBBB,20000110,2,2,2,2,2,0\n"
                  "NEW,20000110,3,3,3,3,3,0\n");
        ASSERT_EQ(world.Run({one, two}).result.quotesAdded, 3);
        test::WriteBytes(two / "MASTER", twoMaster);
        // Thursday: the stale file is still there and is searched first.
        WriteText(world.updates / "thu.txt",
                  "AAA,20000111,4,4,4,4,4,0\nBBB,20000111,5,5,5,5,5,0\n"
                  "NEW,20000111,6,6,6,6,6,0\n");
        settings::ViewSettings view;
        view.catchUp = catchUp;
        view.deleteTxt = true;
        const World::Outcome outcome = world.Run({one, two}, view);
        EXPECT_EQ(outcome.result.quotesAdded, 3);
        EXPECT_TRUE(outcome.result.Succeeded());
        const store::Quote wed = MakeQuote(kJan10, 2, 2, 2, 2, 2, 0);
        EXPECT_EQ(test::ReadBytes(two / "F1.DAT"),
                  Series(5, {wed, MakeQuote(kJan10 + 1, 5, 5, 5, 5, 5, 0)}));
        EXPECT_EQ(test::ReadBytes(two / "F2.DAT"),
                  Series(0, {MakeQuote(kJan10, 3, 3, 3, 3, 3, 0),
                             MakeQuote(kJan10 + 1, 6, 6, 6, 6, 6, 0)}));
        // Both dates come from the data file: NEW's first date is no longer 0.
        Bytes master = twoMaster;
        SetDates(master, 1, test::SampleQuote(0).date, kJan10 + 1);
        SetDates(master, 2, kJan10, kJan10 + 1);
        EXPECT_EQ(test::ReadBytes(two / "MASTER"), master);
        EXPECT_EQ(test::ReadBytes(one / "F1.DAT"),
                  Series(5, {MakeQuote(kJan10, 1, 1, 1, 1, 1, 0),
                             MakeQuote(kJan10 + 1, 4, 4, 4, 4, 4, 0)}));
        const std::string audit = Text(world.working / "AUDIT.TXT");
        EXPECT_EQ(audit.find(kFailed), std::string::npos) << audit;
        EXPECT_NE(audit.find("Quote for: 011100 added to: BBB"), std::string::npos) << audit;
        EXPECT_FALSE(fs::exists(world.updates / "thu.txt"));
    }
}

TEST_F(UpdateRunTest, SecondRunInTheSameProcessIsRefusedAtOnce) {
    const fs::path p = IbmPortfolio();
    world.Symbol(p, "SKIP", 5);
    Recorder outer, inner;
    ASSERT_TRUE(portfolio::SkipSymbol(p, "SKIP", portfolio::SkipChange::kOn, inner));
    platform::ProgressSink progress;
    std::optional<update::UpdateResult> nested;
    update::UpdateRun run(world.working, {p.string()}, {}, "", progress, outer);
    outer.onShow = [&](std::string_view text) {
        if (text == "skip" && !nested) {
            update::UpdateRun second(world.working, {p.string()}, {}, "", progress, inner);
            nested = second.Run();
            EXPECT_FALSE(second.Started());
        }
    };
    EXPECT_EQ(run.Run().quotesAdded, 1);
    ASSERT_TRUE(nested);
    EXPECT_FALSE(nested->started);
    EXPECT_EQ(nested->quotesAdded, 0);
    ASSERT_EQ(inner.shown.size(), 1u);
    EXPECT_NE(inner.shown[0].find("already running"), std::string::npos);
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), ibmUpdated);
}

// One portfolio reached under two names (a link the scan followed, a directory named twice on
// the command line) is its own holder, not another writer's.
TEST_F(UpdateRunTest, PortfolioListedTwiceIsNotWaitedFor) {
    const fs::path p = IbmPortfolio();
    fs::create_directory_symlink(p, temp.path() / "alias");
    const auto start = std::chrono::steady_clock::now();
    const World::Outcome outcome = world.Run({temp.path() / "alias", p});
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(outcome.result.quotesAdded, 1);
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), ibmUpdated);
}

// A directory that is gone fails that portfolio alone, in the log, and says so as such.
TEST_F(UpdateRunTest, MissingPortfolioDirectoryFailsOnlyThatPortfolio) {
    const fs::path p = IbmPortfolio();
    const World::Outcome outcome = world.Run({p, temp.path() / "gone"});
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.result.quotesAdded, 1);
    for (const std::string& message : outcome.messages) {
        EXPECT_EQ(message.find("another"), std::string::npos) << message;
    }
    EXPECT_NE(Text(world.working / "AUDIT.TXT").find("ERROR"), std::string::npos);
}

// A child holds the portfolio for `hold`, checks that nothing changed meanwhile, and releases.
pid_t HoldPortfolio(const fs::path& dir, const fs::path& working, std::chrono::milliseconds hold) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        platform::DirectoryLock lock;
        const bool held = lock.Acquire(dir, std::chrono::steady_clock::now()) ==
                          platform::DirectoryLock::Result::kAcquired;
        const auto before = test::Snapshot(dir);
        const auto workingBefore = test::Snapshot(working);
        (void)!::write(ready[1], "x", 1);
        std::this_thread::sleep_for(hold);
        const bool same = test::Snapshot(dir) == before && test::Snapshot(working) == workingBefore;
        ::_exit(held && same ? 0 : 1);
    }
    char byte;
    EXPECT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
}

// Another process holding the portfolio, or the working directory (two runs of different
// portfolios share AUDIT.TXT and Lasttime), makes the run wait, and give up after the limit.
TEST_F(UpdateRunTest, RunWaitsForAPortfolioAnotherProcessHoldsAndGivesUpAfterItsLimit) {
    const fs::path p = IbmPortfolio();
    platform::SetPortfolioLockWait(std::chrono::milliseconds(1500));
    const std::tuple<fs::path, std::chrono::milliseconds> cases[] = {
        {p, std::chrono::milliseconds(3000)},
        {p, std::chrono::milliseconds(800)},
        {world.working, std::chrono::milliseconds(800)},
    };
    for (const auto& [held, hold] : cases) {
        SCOPED_TRACE(held.string() + " held for " + std::to_string(hold.count()) + " ms");
        const bool refused = hold > platform::PortfolioLockWait();
        const pid_t child = HoldPortfolio(held, world.working, hold);
        const auto start = std::chrono::steady_clock::now();
        const World::Outcome outcome = world.Run({p});
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700));
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the run wrote while held";
        EXPECT_EQ(outcome.started, !refused);
        EXPECT_EQ(outcome.result.Succeeded(), !refused);
        if (refused) {
            // The person learns which program holds the portfolio, not just that one does.
            ASSERT_FALSE(outcome.messages.empty());
            EXPECT_NE(outcome.messages.back().find("(process " + std::to_string(child) + ")"),
                      std::string::npos)
                << outcome.messages.back();
        }
    }
    // The portfolio gained its one new quote exactly once.
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), ibmUpdated);
    platform::SetPortfolioLockWait(std::chrono::milliseconds(0));
}

// Data files other programs wrote: a header count below the records held, a full header count.
TEST_F(UpdateRunTest, UpdateKeepsEveryRecordAndNeverWrapsTheHeaderCount) {
    const fs::path p = world.Portfolio("data");
    world.Symbol(p, "LOW", 1100);
    Bytes low = test::ReadBytes(p / "F1.DAT");
    platform::WriteU16(low.data() + 2, 71);
    test::WriteBytes(p / "F1.DAT", low);
    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    for (const std::string symbol : {"FULL", "ALMOST"}) {
        const int quotes = symbol == "FULL" ? store::kMaxQuotesInFile : store::kMaxQuotesInFile - 1;
        const int number = world.Symbol(p, symbol, 1);
        test::WriteBytes(p / store::DataFileName(number),
                         test::DataFile(std::vector<store::Quote>(static_cast<std::size_t>(quotes),
                                                                  test::SampleQuote(0)),
                                        layout, 28));
    }
    const Bytes full = test::ReadBytes(p / "F2.DAT");
    WriteText(world.updates / "u.txt",
              "LOW,20100104,1,2,3,4,5,6\nFULL,20000110,1,2,3,4,5,6\nALMOST,20000110,1,2,3,4,5,6\n");

    const World::Outcome outcome = world.Run({p});
    EXPECT_EQ(outcome.result.quotesAdded, 2);
    EXPECT_TRUE(outcome.result.quoteAddFailed);
    EXPECT_FALSE(outcome.result.Succeeded());
    const store::Quote added = MakeQuote(kJan10, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"),
              Series(1100, {MakeQuote(store::DayNumberFromYmd(2010, 1, 4), 1, 2, 3, 4, 5, 6)}));
    EXPECT_EQ(test::ReadBytes(p / "F2.DAT"), full);
    std::vector<store::Quote> almost(static_cast<std::size_t>(store::kMaxQuotesInFile - 1),
                                     test::SampleQuote(0));
    almost.push_back(added);
    EXPECT_EQ(test::ReadBytes(p / "F3.DAT"), test::DataFile(almost, layout, 28));
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].rfind("AddOneQuote failure", 0), 0u);
    EXPECT_NE(outcome.messages[0].find("FULL"), std::string::npos);
    EXPECT_NE(outcome.messages[0].find((p / "F2.DAT").string()), std::string::npos);
    EXPECT_NE(outcome.messages[0].find("65534 quotes"), std::string::npos);
    EXPECT_NE(Text(world.working / "AUDIT.TXT").find(kFailed + "FULL\r\n"), std::string::npos);
}

// A damaged F<n>.DOP is ignored for the record length's layout; with none, nothing is written.
TEST_F(UpdateRunTest, DamagedFieldDescriptionsNeverGiveGarbageRecords) {
    const fs::path p = world.Portfolio("data");
    const std::pair<std::string, std::string> damaged[] = {
        {"EMPTY", ""},
        {"UNKNOWN", "\"FOO\",0,0\r\n\"BAR\",4,4\r\n"},
        {"TWICE", std::string(store::DopText(store::kStandardFields)) + "\"CLOSE\",4,4\r\n"},
        {"NOCLOSE", "\"DATE\",0,0\r\n\"OPEN\",4,4\r\n"},
        {"BINARY", std::string("\0\xff\x01\"\x80", 5)},
    };
    std::string lines;
    for (const auto& [symbol, dop] : damaged) {
        const int number = world.Symbol(p, symbol, 5);
        WriteText(p / store::DopFileName(number), dop);
        lines += symbol + ",20000110,1,2,3,4,5,6\n";
    }
    // Eight bytes, a date and a close: a length that gives no layout of its own.
    const store::FieldSet dateClose = {true, false, false, false, false, true, false, false};
    const int wide = world.Symbol(p, "WIDE", 5, "Daily", dateClose);
    WriteText(p / store::DopFileName(wide), "");
    const Bytes wideBefore = test::ReadBytes(p / store::DataFileName(wide));
    const Bytes masterBefore = test::ReadBytes(p / "MASTER");
    WriteText(world.updates / "u.txt", lines + "WIDE,20000110,1,2,3,4,5,6\n");

    const World::Outcome outcome = world.Run({p});
    EXPECT_EQ(outcome.result.quotesAdded, 5);
    EXPECT_TRUE(outcome.result.quoteAddFailed);
    for (int number = 1; number <= 5; ++number) {
        EXPECT_EQ(test::ReadBytes(p / store::DataFileName(number)), ibmUpdated) << number;
    }
    EXPECT_EQ(test::ReadBytes(p / store::DataFileName(wide)), wideBefore);
    const Bytes master = test::ReadBytes(p / "MASTER");
    EXPECT_TRUE(std::equal(master.end() - store::kMasterRecordSize, master.end(),
                           masterBefore.end() - store::kMasterRecordSize));
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].find("WIDE"), std::string::npos);
    EXPECT_NE(outcome.messages[0].find("F6.DOP"), std::string::npos);
    EXPECT_NE(Text(world.working / "AUDIT.TXT").find(kFailed + "WIDE\r\n"), std::string::npos);
}

// Fails, as the system does, the writes to or the rename of one data file's new version, or
// the creation of one file.
class RefusingFileSystem : public platform::FileSystem {
  public:
    enum class Step { kCreate, kWrite, kRename };
    RefusingFileSystem(std::string prefix, Step step, int error)
        : m_prefix(std::move(prefix)), m_step(step), m_error(error) {}

    int CreateForWrite(const fs::path& path) override {
        if (m_step == Step::kCreate && Refused(path)) {
            errno = m_error;
            return -1;
        }
        const int descriptor = FileSystem::CreateForWrite(path);
        if (Refused(path)) {
            m_descriptor = descriptor;
        }
        return descriptor;
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        if (m_step == Step::kWrite && descriptor == m_descriptor) {
            errno = m_error;
            return false;
        }
        return FileSystem::Write(descriptor, data, size);
    }
    bool Close(int descriptor) override {
        if (descriptor == m_descriptor) {
            m_descriptor = -2;  // the number may come back for another file
        }
        return FileSystem::Close(descriptor);
    }
    bool Rename(const fs::path& from, const fs::path& to) override {
        if (m_step == Step::kRename && Refused(from)) {
            errno = m_error;
            return false;
        }
        return FileSystem::Rename(from, to);
    }

  private:
    bool Refused(const fs::path& path) const {
        return path.filename().string().rfind(m_prefix, 0) == 0;
    }
    std::string m_prefix;
    Step m_step;
    int m_error;
    int m_descriptor = -2;
};

TEST_F(UpdateRunTest, QuoteThatCannotBeStoredIsNotCountedAndSaysWhy) {
    using Step = RefusingFileSystem::Step;
    const std::tuple<Step, int, std::string> failures[] = {
        {Step::kCreate, EROFS, "F1.~NU could not be created: Read-only file system"},
        {Step::kWrite, ENOSPC, "could not be replaced: No space left on device"},
        {Step::kRename, EIO, "could not be replaced: Input/output error"},
    };
    for (const auto& [step, error, reason] : failures) {
        SCOPED_TRACE(reason);
        fs::remove_all(world.root / "data");
        const fs::path p = IbmPortfolio();
        const auto before = test::Snapshot(p);
        RefusingFileSystem refusing("F1.~NU", step, error);
        platform::ScopedFileSystem scope(refusing);
        settings::ViewSettings view;
        view.deleteTxt = true;
        const World::Outcome outcome = world.Run({p}, view, "IBM");
        EXPECT_EQ(outcome.result.quotesAdded, 0);
        EXPECT_TRUE(outcome.result.quoteAddFailed);
        EXPECT_FALSE(outcome.result.Succeeded());
        EXPECT_EQ(test::Snapshot(p), before);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0].rfind("AddOneQuote failure", 0), 0u);
        EXPECT_NE(outcome.messages[0].find("IBM"), std::string::npos);
        EXPECT_NE(outcome.messages[0].find((p / "F1.DAT").string()), std::string::npos);
        EXPECT_NE(outcome.messages[0].find(reason), std::string::npos) << outcome.messages[0];
        const std::string audit = Text(world.working / "AUDIT.TXT");
        EXPECT_NE(audit.find(kFailed + "IBM\r\n"), std::string::npos);
        EXPECT_EQ(audit.find("Quote for:"), std::string::npos);
        EXPECT_TRUE(fs::exists(world.updates / "u.txt"));
    }
}

// A portfolio's data files reach the disk together: when one cannot be written none is put
// in place and MASTER keeps its dates; a rename that fails keeps only that symbol out.
TEST_F(UpdateRunTest, PortfolioDataFilesAreCommittedTogether) {
    using Step = RefusingFileSystem::Step;
    for (const Step step : {Step::kWrite, Step::kRename}) {
        const bool write = step == Step::kWrite;
        SCOPED_TRACE(write ? "write" : "rename");
        fs::remove_all(world.root / "data");
        const fs::path p = world.Portfolio("data");
        for (const std::string symbol : {"IBM", "MSFT", "ORCL"}) {
            world.Symbol(p, symbol, 5);
        }
        WriteText(world.updates / "u.txt",
                  "IBM,20000110,1,2,3,4,5,6\nMSFT,20000110,1,2,3,4,5,6\nMSFT,20000111,1,2,3,4,5,6\n"
                  "ORCL,20000110,1,2,3,4,5,6\n");
        const auto before = test::Snapshot(p);
        RefusingFileSystem refusing("F2.~NU", step, write ? ENOSPC : EIO);
        platform::ScopedFileSystem scope(refusing);
        settings::ViewSettings view;
        view.deleteTxt = true;
        const World::Outcome outcome = world.Run({p}, view);
        EXPECT_EQ(outcome.result.quotesAdded, write ? 0 : 2);
        EXPECT_FALSE(outcome.result.Succeeded());
        ASSERT_EQ(outcome.messages.size(), write ? 2u : 1u);
        // A failed write fails all three together, and the first is named.
        EXPECT_NE(outcome.messages[0].find(
                      write ? "The quote of IBM was not added to " + (p / "F1.DAT").string() +
                                  ": it could not be replaced: No space"
                            : "The quotes of MSFT were not added to " + (p / "F2.DAT").string()),
                  std::string::npos)
            << outcome.messages[0];
        auto after = test::Snapshot(p);
        if (write) {
            EXPECT_EQ(outcome.messages[1],
                      "The quotes of 2 other symbols of " + p.string() + " were not added either.");
            EXPECT_EQ(after, before);
        } else {
            const Bytes added = Series(5, {MakeQuote(kJan10, 1, 2, 3, 4, 5, 6)});
            EXPECT_EQ(after["F1.DAT"], added);
            EXPECT_EQ(after["F2.DAT"], before.at("F2.DAT"));
            EXPECT_EQ(after["F3.DAT"], added);
            Bytes master = before.at("MASTER");
            SetDates(master, 1, test::SampleQuote(0).date, kJan10);
            SetDates(master, 3, test::SampleQuote(0).date, kJan10);
            EXPECT_EQ(after["MASTER"], master);
        }
        const std::string audit = Text(world.working / "AUDIT.TXT");
        EXPECT_NE(audit.find(kFailed + "MSFT\r\n"), std::string::npos);
        EXPECT_EQ(audit.find("Quote for:") == std::string::npos, write);
        // The update file still holds what was not added.
        EXPECT_TRUE(fs::exists(world.updates / "u.txt"));
        EXPECT_EQ(Leftovers(temp.path()), std::vector<std::string>{});
    }
}

TEST_F(UpdateRunTest, PortfolioWhoseIndexCannotBeCopiedSaysWhichFileAndWhy) {
    const fs::path p = IbmPortfolio();
    RefusingFileSystem refusing("MASTER.~OL", RefusingFileSystem::Step::kCreate, EACCES);
    platform::ScopedFileSystem scope(refusing);
    const World::Outcome outcome = world.Run({p});
    EXPECT_EQ(outcome.result.quotesAdded, 0);
    EXPECT_TRUE(outcome.result.portfolioFailed);
    EXPECT_FALSE(outcome.result.Succeeded());
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_NE(outcome.messages[0].find("its index could not be read or copied (MASTER.~OL could "
                                       "not be created: Permission denied)"),
              std::string::npos)
        << outcome.messages[0];
    fs::remove(p / "MASTER");
    const World::Outcome missing = world.Run({p});
    ASSERT_EQ(missing.messages.size(), 1u);
    EXPECT_NE(missing.messages[0].find("(" + (p / "MASTER").string() +
                                       " could not be opened: No such file or directory)"),
              std::string::npos)
        << missing.messages[0];
}

// A portfolio that cannot be updated (read-only, index damaged, disk full) is named with the
// reason when it happens, again among the end-of-run messages, and in the Anomaly Report.
TEST_F(UpdateRunTest, FailedPortfolioIsNamedWithItsReasonAtTheEndAndInTheReport) {
    using Step = RefusingFileSystem::Step;
    struct Case {
        std::string name;
        std::string refused;  // the file the disk refuses; none when empty
        Step step;
        int error;
        std::string reason;
        bool wholePortfolio;  // else one symbol's quotes
    };
    const std::vector<Case> cases = {
        {"read-only", "MASTER.~OL", Step::kCreate, EROFS,
         "MASTER.~OL could not be created: Read-only file system", true},
        {"damaged", "", Step::kCreate, 0, "MASTER is shorter than its header", true},
        {"full", "F1.~NU", Step::kWrite, ENOSPC, "could not be replaced: No space left on device",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(world.root / "data");
        const fs::path p = IbmPortfolio();
        if (c.refused.empty()) {
            test::WriteBytes(p / "MASTER", Bytes(20, 0));
        }
        RefusingFileSystem refusing(c.refused.empty() ? "-" : c.refused, c.step, c.error);
        platform::ScopedFileSystem scope(refusing);
        const World::Outcome outcome = world.Run({p});
        EXPECT_FALSE(outcome.result.Succeeded());
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_NE(outcome.messages[0].find(p.string()), std::string::npos) << outcome.messages[0];
        EXPECT_NE(outcome.messages[0].find(c.reason), std::string::npos) << outcome.messages[0];

        settings::ViewSettings view;
        view.auditEnable = true;
        const update::RunReport report =
            update::BuildRunReport(outcome.result, world.working / "AUDIT.TXT", view);
        const std::string atTheEnd =
            c.wholePortfolio ? "This portfolio was not updated completely:\n\n" + p.string() + ": "
                             : std::string(update::kQuoteImportProblemMessage);
        ASSERT_EQ(report.messages.size(), 1u);
        EXPECT_EQ(report.messages[0].rfind(atTheEnd, 0), 0u) << report.messages[0];
        if (c.wholePortfolio) {
            EXPECT_NE(report.messages[0].find(c.reason), std::string::npos) << report.messages[0];
        }
        ASSERT_TRUE(report.anomalyReport);
        const auto& entries = report.anomalyReport->entries;
        const auto error = std::find_if(entries.begin(), entries.end(), [&](const std::string& e) {
            return e.rfind("ERROR: ", 0) == 0;
        });
        ASSERT_NE(error, entries.end());
        EXPECT_NE(error->find(p.string()), std::string::npos) << *error;
        EXPECT_NE(error->find(c.reason), std::string::npos) << *error;
    }
}

}  // namespace
}  // namespace ticksmith::update_test
