#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cli_support.h"
#include "emaster_support.h"
#include "platform/names.h"
#include "portfolio/view_state.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

// Everything a writer may touch, set up once per case: a copy of a real portfolio with an
// EMASTER, another portfolio to move and copy between, an update file and an import file.
struct Setting {
    World& world;
    fs::path dir;
    fs::path other;
    std::vector<store::MasterRecord> records;

    void Cli(const std::vector<std::string>& arguments) const {
        const test::CliResult result = test::RunCliIn(world.root, arguments);
        EXPECT_EQ(result.code, cli::kExitSuccess)
            << testing::PrintToString(arguments) << result.err;
    }
    std::string Symbol(std::size_t row) const { return records.at(row).SymbolText(); }
};

struct Writer {
    const char* name;
    std::function<void(const Setting&)> run;
};

const Writer kWriters[] = {
    {"AddSymbol",
     [](const Setting& s) {
         s.Cli({"add-symbol", s.dir, "NEWLONG", "A new symbol whose name is longer than MASTER's"});
     }},
    {"DeleteSymbol",
     [](const Setting& s) {
         s.Cli({"--yes", "delete-symbol", s.dir, s.Symbol(1)});
     }},
    {"EditSymbol",
     [](const Setting& s) {
         s.Cli(
             {"edit-symbol", s.dir, s.Symbol(1), s.Symbol(1) + "X", "Renamed at length, past 16"});
         s.Cli({"edit-symbol", s.dir, s.Symbol(0), s.Symbol(0) + "Y"});
     }},
    {"MoveSymbol",
     [](const Setting& s) {
         s.Cli({"move-symbol", s.dir, s.Symbol(1), s.other});
         s.Cli({"move-symbol", s.other, "OTHER", s.dir});
     }},
    {"CopySymbol",
     [](const Setting& s) {
         s.Cli({"copy-symbol", s.other, "OTHER", s.dir});
     }},
    {"DeleteQuote",
     [](const Setting& s) {
         const std::string quotes =
             test::RunCliIn(s.world.root, {"quotes", s.dir, s.Symbol(0), "--all"}).out;
         const std::string oldest = quotes.substr(quotes.rfind('\n', quotes.size() - 2) + 1, 8);
         s.Cli({"delete-quote", s.dir, s.Symbol(0), oldest, "--yes"});
     }},
    {"Repair",
     [](const Setting& s) {
         // A header that undercounts its records is what the repair mends.
         Bytes master = test::ReadBytes(s.dir / "MASTER");
         platform::WriteI16(master.data(), 1);
         test::WriteBytes(s.dir / "MASTER", master);
         s.Cli({"--yes", "repair", s.dir});
     }},
    {"UpdateRun",
     [](const Setting& s) {
         EXPECT_FALSE(portfolio::SetSkipString(s.dir, {}).empty());
         profiles::AssignmentBytes bytes{};
         ASSERT_TRUE(profiles::EncodeAssignment("Daily", bytes));
         test::WriteBytes(s.dir / profiles::AssignmentFileName(s.records.at(0).fileNumber), bytes);
         WriteText(s.world.updates / "u.txt", s.Symbol(0) + ",20141228,120,121,119,120.5,1000,0\n");
         const World::Outcome outcome = s.world.Run({s.dir});
         EXPECT_EQ(outcome.result.quotesAdded, 1) << testing::PrintToString(outcome.messages);
     }},
    {"Import",
     [](const Setting& s) {
         WriteText(s.world.root / "imp.txt", "01/05/2004,1,2,0.5,1.5,100,7\r\n");
         s.Cli({"import", "imp.txt", s.dir, "--symbol", "IMP", "--date-format", "mm_dd_ccyy"});
     }},
};

class EmasterWritersTest : public ::testing::TestWithParam<std::tuple<const char*, const Writer*>> {
};

// After every writer, EMASTER says what MASTER says, keeps every long name whose symbol and
// name stayed, and XMASTER is untouched.
TEST_P(EmasterWritersTest, EmasterFollowsMasterAndXmasterStaysAsItWas) {
    const auto [portfolio, writer] = GetParam();
    if (!fs::exists(test::kRealData / portfolio / "EMASTER")) {
        GTEST_SKIP() << test::kRealData << " is not there";
    }
    Scratch temp;
    World world(temp.path());
    world.Profile("Daily", DailyProfile(world.updates));
    Setting setting{world, test::CopyReal(world.root, portfolio), world.Portfolio("other"), {}};
    world.Symbol(setting.other, "OTHER", 3);
    ASSERT_EQ(store::ReadMasterRecords(setting.dir, setting.records), store::kSuccess);
    // Where EMASTER disagrees before (bbfinance's is older than its MASTER), no long name is
    // there to keep.
    const std::vector<std::string> longNames = store::LongNames(setting.dir, setting.records);
    const auto xmaster = platform::FindEntry(setting.dir, "XMASTER");
    const Bytes xmasterBefore = xmaster ? test::ReadBytes(*xmaster) : Bytes{};

    writer->run(setting);

    test::ExpectInStep(setting.dir);
    std::vector<store::MasterRecord> now;
    ASSERT_EQ(store::ReadMasterRecords(setting.dir, now), store::kSuccess);
    for (std::size_t i = 0; i < setting.records.size(); ++i) {
        const store::MasterRecord& old = setting.records[i];
        for (const store::MasterRecord& record : now) {
            if (record.fileNumber == old.fileNumber &&
                record.IssueNameText() == old.IssueNameText() && !longNames[i].empty()) {
                EXPECT_EQ(test::EmasterLongName(setting.dir, old.fileNumber), longNames[i]);
            }
        }
    }
    if (xmaster) {
        EXPECT_EQ(test::ReadBytes(*xmaster), xmasterBefore);
    }
}

// The grid cannot show XMASTER's symbols; the window's status says how many there are.
TEST(XmasterNoteTest, TheSymbolGridSaysHowManySymbolsItCannotShow) {
    if (!fs::exists(test::kRealData / "equis_b" / "XMASTER")) {
        GTEST_SKIP() << test::kRealData << " is not there";
    }
    Scratch temp;
    Recorder quiet;
    portfolio::ViewState view;
    for (const char* name : {"bbfinance", "equis_b"}) {
        ASSERT_TRUE(view.OpenPortfolio(test::CopyReal(temp.path(), name).string(), quiet));
    }
    ASSERT_TRUE(view.FillSymbolsGrid(0, quiet));
    EXPECT_EQ(view.SymbolCount(), 2);
    EXPECT_EQ(view.hiddenSymbolsNote,
              "XMASTER holds 2 more symbols that this program does not show.");
    ASSERT_TRUE(view.OpenPortfolio((temp.path() / "bbfinance").string(), quiet));
    ASSERT_TRUE(view.FillSymbolsGrid(0, quiet));
    EXPECT_EQ(view.hiddenSymbolsNote, "");
}

INSTANTIATE_TEST_SUITE_P(RealPortfolios, EmasterWritersTest,
                         ::testing::Combine(::testing::Values("bbfinance", "equis_b"),
                                            ::testing::ValuesIn([] {
                                                std::vector<const Writer*> writers;
                                                for (const Writer& writer : kWriters) {
                                                    writers.push_back(&writer);
                                                }
                                                return writers;
                                            }())),
                         [](const auto& param) {
                             return std::string(std::get<0>(param.param)) + "_" +
                                    std::get<1>(param.param)->name;
                         });

}  // namespace
}  // namespace ticksmith::update_test
