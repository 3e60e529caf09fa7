#include "update/new_symbols.h"
#include "platform/names.h"
#include "portfolio/symbols.h"
#include "preparation_support.h"
#include "settings/setting_keys.h"
#include "settings/settings_store.h"
#include "store/quotes.h"

namespace ticksmith::test {
namespace {

// Friday 2 January 2004 is the last weekday up to Sunday the 4th.
const store::DayNumber kFriday = store::DayNumberFromYmd(2004, 1, 2);
const store::DayNumber kSunday = store::DayNumberFromYmd(2004, 1, 4);

TEST(NewSymbolDatesTest, ExpectedDateAndShapes) {
    EXPECT_EQ(update::ExpectedDate(kSunday), kFriday);
    EXPECT_EQ(update::ExpectedDate(kSunday - 1), kFriday);
    EXPECT_EQ(update::ExpectedDate(kFriday), kFriday);
    EXPECT_EQ(update::ExpectedDate(kSunday + 1), kSunday + 1);
    const std::vector<std::tuple<std::string, int, bool>> shapes = {
        {"01/02/04", 3, true},   {"1/2/04", 3, false},    {"01/02/2004", 3, false},
        {"2004-01-02", 2, true}, {"01.02.2004", 6, true}, {"010204", 9, true},
        {"01/02/04", 9, false},  {"2004010x", 12, false}, {"whatever", 0, true}};
    for (const auto& [text, code, shaped] : shapes) {
        EXPECT_EQ(update::HasDateShape(text, code), shaped) << text << " " << code;
    }
}

class NewSymbolsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const fs::path& directory :
             {m_work, m_work / "Lasttime", m_comma, m_spaced, m_portfolio, m_other}) {
            fs::create_directories(directory);
        }
        WriteText(m_work / "Lasttime" / "Lasttime.txt", "IBM\r\nMSFT\r\n");
        WriteTestProfile(m_work, "A", m_comma);
        WriteTestProfile(m_work, "B", m_spaced, 2, 10);
        WriteText(m_comma / "old.txt", "OLDCO,01/01/04,1\r\nNEWER,01/02/04,1\r\n");
        WriteText(m_comma / "today.txt",
                  "Symbol,Date,Close\r\n"
                  "IBM,01/02/04,10\r\n"
                  "NEWCO,01/02/04,1\r\n"
                  "\"BRK A\",\"01/02/04\",1\r\n"
                  "NEWCO,01/02/04,2\r\n"
                  "ABCDEFGHIJKLMNOPQRS,01/02/04,1\r\n"
                  "MSFT,01/01/04,1\r\n"
                  "ibm,01/02/04,1\n");
        WriteText(m_comma / "weekend.txt", "SUNCO,01/04/04,1\r\n");
        WriteText(m_spaced / "b.txt", "Quotes of the day\r\nNEWCO   01022004 5\r\n");
        for (const fs::path& directory : {m_portfolio, m_other}) {
            ASSERT_EQ(store::CreateEmptyMaster(directory), store::kSuccess);
        }
        ASSERT_TRUE(portfolio::SelectPortfolio(portfolio::MasterPathOf(m_portfolio.string()),
                                               m_current, m_messenger));
        ASSERT_EQ(portfolio::AddSymbol(m_current, "IBM", "IBM", "A", kSunday, m_messenger),
                  portfolio::AddSymbolResult::kAdded);
    }

    void WriteDelta(std::string_view text) { WriteText(m_work / "Lasttime" / "Delta.txt", text); }

    std::vector<store::MasterRecord> Records(const fs::path& directory) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(directory, records), store::kSuccess);
        return records;
    }

    TempDir m_temp;
    fs::path m_work = m_temp.path() / "work";
    fs::path m_comma = m_temp.path() / "comma";
    fs::path m_spaced = m_temp.path() / "spaced";
    fs::path m_portfolio = m_temp.path() / "port";
    fs::path m_other = m_temp.path() / "other";
    portfolio::CurrentPortfolio m_current;
    settings::MemorySettingsStore m_store;
    RecordingMessenger m_messenger;
};

const std::vector<std::string> kNewOnSunday = {"NEWCO", "BRK_A", "ABCDEFGHIJKLMNOP", "ibm",
                                               "NEWCO"};

TEST_F(NewSymbolsTest, ListsEachNewSymbolOncePerCurrentFile) {
    EXPECT_EQ(update::IdentifyNewSymbols(m_work, kSunday), kNewOnSunday);
    EXPECT_EQ(ReadText(m_work / "Lasttime" / "Delta.txt"),
              "NEWCO\r\nBRK_A\r\nABCDEFGHIJKLMNOP\r\nibm\r\nNEWCO\r\n");
    // On Monday Friday's files are old.
    EXPECT_TRUE(update::IdentifyNewSymbols(m_work, kSunday + 1).empty());
    EXPECT_EQ(ReadText(m_work / "Lasttime" / "Delta.txt"), "");

    fs::remove(m_work / "Lasttime" / "Lasttime.txt");
    WriteDelta("KEPT\r\n");
    EXPECT_TRUE(update::IdentifyNewSymbols(m_work, kSunday).empty());
    EXPECT_EQ(ReadText(m_work / "Lasttime" / "Delta.txt"), "KEPT\r\n");
}

TEST_F(NewSymbolsTest, SessionAddsNamesAndMovesOn) {
    WriteDelta("AAA\r\nbbb,extra\r\n\r\n  CCC more\r\n");
    update::NewSymbolSession session(m_work, m_current, m_store, m_messenger, kSunday);
    ASSERT_EQ(session.Count(), 3);
    EXPECT_EQ(session.Message(), "AAA is a new Symbol (1 of 3)");

    ASSERT_TRUE(session.Yes("  Alpha Incorporated Ltd ", "A"));
    const auto records = Records(m_portfolio);
    ASSERT_EQ(records.size(), 2u);
    const store::MasterRecord& added = records.back();
    EXPECT_EQ(added.SymbolText(), "AAA");
    EXPECT_EQ(added.IssueNameText(), "ALPHA INCORPORAT");
    EXPECT_EQ(added.FirstDay(), kSunday - 365);
    EXPECT_EQ(added.LastDay(), kSunday - 365);
    EXPECT_EQ(added.fieldCount, 7);
    EXPECT_TRUE(fs::exists(m_portfolio / store::DataFileName(added.fileNumber)));
    EXPECT_TRUE(fs::exists(m_portfolio / store::DopFileName(added.fileNumber)));
    EXPECT_EQ(profiles::ReadAssignment(m_portfolio, added.fileNumber), "A");
    EXPECT_EQ(m_store.ReadString("PFD", "LastPFD", ""), "A");

    EXPECT_EQ(session.Message(), "bbb is a new Symbol (2 of 3)");
    portfolio::CurrentPortfolio other;
    ASSERT_TRUE(
        portfolio::SelectPortfolio(portfolio::MasterPathOf(m_other.string()), other, m_messenger));
    session.ChangePortfolio(other);
    ASSERT_TRUE(session.Yes("   ", "B"));
    ASSERT_EQ(Records(m_other).size(), 1u);
    EXPECT_EQ(Records(m_other)[0].SymbolText(), "BBB");
    EXPECT_EQ(Records(m_other)[0].IssueNameText(), "BBB");

    EXPECT_EQ(session.Message(), "CCC is a new Symbol (3 of 3)");
    session.Cancel();
    EXPECT_TRUE(session.Done());
    EXPECT_FALSE(session.Yes("", "A"));
    EXPECT_EQ(Records(m_other).size(), 1u);
    EXPECT_EQ(Records(m_portfolio).size(), 2u);
}

TEST_F(NewSymbolsTest, YesToAllStopsAtTheFirstFailure) {
    WriteDelta("AAA\r\nIBM\r\nZZZ\r\n");
    update::NewSymbolSession session(m_work, m_current, m_store, m_messenger, kSunday);
    EXPECT_FALSE(session.YesToAll("A"));
    EXPECT_FALSE(session.Done());
    EXPECT_EQ(session.Symbol(), "IBM");
    EXPECT_EQ(m_messenger.shown, (std::vector<std::string>{"Duplicate Symbol failure"}));
    EXPECT_EQ(Records(m_portfolio).size(), 2u);
    session.No();
    EXPECT_TRUE(session.YesToAll("A"));
    EXPECT_TRUE(session.Done());
    const auto records = Records(m_portfolio);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records.back().SymbolText(), "ZZZ");
    EXPECT_EQ(records.back().IssueNameText(), "ZZZ");
}

// A counter at 255, as other software leaves it, with numbers free: the add goes ahead.
TEST_F(NewSymbolsTest, AddsToAPortfolioWhoseCounterIs255) {
    Bytes master = ReadBytes(m_portfolio / "MASTER");
    platform::WriteI16(master.data() + 2, 255);
    WriteBytes(m_portfolio / "MASTER", master);
    WriteDelta("AAA\r\n");
    update::NewSymbolSession session(m_work, m_current, m_store, m_messenger, kSunday);
    ASSERT_TRUE(session.Yes("Alpha", "A"));
    EXPECT_TRUE(m_messenger.shown.empty());
    const auto records = Records(m_portfolio);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records.back().SymbolText(), "AAA");
    EXPECT_EQ(records.back().fileNumber, 2);
    EXPECT_TRUE(fs::exists(m_portfolio / "F2.DAT"));
    store::MasterHeader header;
    ASSERT_EQ(store::ReadMasterHeader(m_portfolio, header), store::kSuccess);
    EXPECT_EQ(header.counter, 2);  // the highest number in use, as other software keeps it
}

TEST_F(NewSymbolsTest, CommandLine) {
    CliResult listed = RunCliIn(m_work, {"new-symbols", "--today", "01/04/04"});
    ASSERT_EQ(listed.code, cli::kExitSuccess) << listed.err;
    EXPECT_EQ(listed.out, "NEWCO\nBRK_A\nABCDEFGHIJKLMNOP\nibm\nNEWCO\n");
    EXPECT_EQ(RunCliIn(m_work, {"new-symbols", "--today", "13/45/04"}).code, cli::kExitFailure);
    EXPECT_EQ(RunCliIn(m_work, {"new-symbols", "--add-all", "--profile", "A"}).code,
              cli::kExitUsage);

    // The same symbol twice: the second is passed over, not a failure that ends the additions.
    const CliResult added = RunCliIn(m_work, {"new-symbols", "--today", "01/04/04", "--add-all",
                                              "--profile", "B", "--portfolio", m_other.string()});
    EXPECT_EQ(added.code, cli::kExitSuccess) << added.err;
    EXPECT_EQ(added.err.find("Duplicate Symbol failure"), std::string::npos) << added.err;
    std::vector<std::string> symbols;
    for (const store::MasterRecord& record : Records(m_other)) {
        symbols.push_back(record.SymbolText());
        EXPECT_EQ(profiles::ReadAssignment(m_other, record.fileNumber), "B");
    }
    EXPECT_EQ(symbols, (std::vector<std::string>{"NEWCO", "BRK_A", "ABCDEFGHIJKLMNOP", "IBM"}));

    const CliResult update =
        RunCliIn(m_work, {"update", "--identify-new", "--today", "01/04/04", m_portfolio.string()});
    EXPECT_EQ(update.code, cli::kExitSuccess) << update.err;
    EXPECT_EQ(update.out.rfind("NEWCO\nBRK_A\n", 0), 0u) << update.out;
    EXPECT_NE(update.out.find("quote"), std::string::npos) << update.out;
}

}  // namespace
}  // namespace ticksmith::test
