#include "cli_support.h"
#include "crash_support.h"
#include "preparation/preparation_support.h"
#include "store/edit_quotes.h"
#include "update/undo_update.h"
#include "update/update_journal.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

using Outcome = update::UndoResult::Outcome;
using Files = std::map<std::string, Bytes>;

// The names of the files that differ, so that a failure says which.
std::vector<std::string> Differences(const Files& got, const Files& want) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : got) {
        if (!want.count(name) || want.at(name) != bytes) {
            names.push_back(name);
        }
    }
    for (const auto& [name, bytes] : want) {
        if (!got.count(name)) {
            names.push_back(name + " (missing)");
        }
    }
    return names;
}

// Two portfolios fed by a plain update file and a ZIP; the futures symbol has its previous
// record rewritten by the prior-day rule; every used file and the archive are cleaned up.
class UndoTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.Profile("Daily", DailyProfile(world.updates));
        world.Profile("Futures", DailyProfile(world.updates, true));
        world.Symbol(p, "IBM", 5);
        world.Symbol(p, "FUT", 5, "Futures");
        world.Symbol(p, "NEW", 0);
        world.Symbol(p, "OLD", 5);  // no newer line: untouched
        world.Symbol(q, "QQQ", 3);
        // Two evenings at once: the catch-up appends both, the prior-day rule rewrites two
        // records of FUT.
        WriteText(world.updates / "u.txt",
                  "IBM,20000110,1,2,0.5,1.5,100,0\r\nFUT,20000110,20,21,19,20.5,777,88\r\n"
                  "FUT,20000111,21,22,20,21.5,888,99\r\nIBM,20000111,2,3,1,2.5,200,0\r\n");
        WriteText(world.updates / "data.zip",
                  test::MakeZip({{"z.txt",
                                  "NEW,20000105,1,2,0.5,1.5,100,0\r\n"
                                  "QQQ,20000110,3,4,2,3.5,300,0\r\n"
                                  "NEW,20000106,1,2,0.5,1.5,100,0\r\n"}}));
        view.deleteTxt = true;
        view.zipEnable = true;
        view.deleteZip = true;
    }

    // Every file of the portfolios, the update directory and the working directory, but the
    // run's own records (AUDIT.TXT and Lasttime/).
    Files State() const {
        Files files = test::Snapshot(world.root);
        for (auto at = files.begin(); at != files.end();) {
            const bool own =
                at->first.rfind("work/Lasttime", 0) == 0 || at->first == "work/AUDIT.TXT";
            at = own ? files.erase(at) : std::next(at);
        }
        return files;
    }

    update::UndoResult Undo(bool dryRun = false, bool force = false) {
        return update::UndoLastUpdate(world.working, {dryRun, force}, messenger);
    }

    void Run(int expectedQuotes) {
        const World::Outcome outcome = world.Run({p, q}, view);
        ASSERT_TRUE(outcome.result.Succeeded()) << ::testing::PrintToString(outcome.messages);
        ASSERT_EQ(outcome.result.quotesAdded, expectedQuotes);
    }

    Scratch temp;
    World world{temp.path()};
    fs::path p = world.Portfolio("p");
    fs::path q = world.Portfolio("q");
    settings::ViewSettings view;
    Recorder messenger;
};

TEST_F(UndoTest, UndoGivesBackEveryFileByteForByteAndTheRunCanBeRepeated) {
    const Files before = State();
    Run(7);
    const Files afterRun = State();
    EXPECT_FALSE(fs::exists(world.updates / "u.txt"));
    EXPECT_FALSE(fs::exists(world.updates / "data.zip"));
    EXPECT_FALSE(fs::exists(world.updates / "z.txt"));

    const Files everything = test::Snapshot(world.root);
    const update::UndoResult dry = Undo(true);
    EXPECT_EQ(dry.outcome, Outcome::kUndone);
    EXPECT_EQ(dry.restored.size(), 4u);
    EXPECT_EQ(dry.masters.size(), 2u);
    EXPECT_EQ(dry.putBack.size(), 2u);
    EXPECT_EQ(Differences(test::Snapshot(world.root), everything), std::vector<std::string>{});
    // What the window shows before it asks: each symbol with the quotes the run gave it.
    std::map<std::string, long long> added;
    for (const update::UndoneSeries& series : dry.series) {
        added[series.symbol] += series.quotes;
    }
    EXPECT_EQ(added,
              (std::map<std::string, long long>{{"FUT", 2}, {"IBM", 2}, {"NEW", 2}, {"QQQ", 1}}));

    const update::UndoResult undone = Undo();
    EXPECT_EQ(undone.outcome, Outcome::kUndone) << ::testing::PrintToString(messenger.shown);
    EXPECT_EQ(undone.restored, dry.restored);
    EXPECT_TRUE(undone.changed.empty());
    EXPECT_EQ(Differences(State(), before), std::vector<std::string>{});
    const std::string audit = Text(world.working / "AUDIT.TXT");
    EXPECT_NE(audit.find("Undo of the last update run: 4 data files restored, 2 MASTER files "
                         "restored, 2 update files put back\r\n"),
              std::string::npos)
        << audit;

    EXPECT_EQ(Undo().outcome, Outcome::kNothingToUndo);
    EXPECT_EQ(Differences(State(), before), std::vector<std::string>{});
    Run(7);
    EXPECT_EQ(Differences(State(), afterRun), std::vector<std::string>{});
}

TEST_F(UndoTest, EditedSymbolRefusesTheUndoAndForceUndoesOnlyTheOthers) {
    const Files before = State();
    Run(7);
    const store::DayNumber jan10 = store::DayNumberFromYmd(2000, 1, 10);
    ASSERT_EQ(store::EditQuotes(p, "IBM", {{9, 9, 9, 9, 9, 9}, jan10, jan10, 1}).status,
              store::kSuccess);
    const int added = world.Symbol(p, "ADD", 2);  // added since: kept with its dates
    const Files edited = State();

    const update::UndoResult refused = Undo();
    EXPECT_EQ(refused.outcome, Outcome::kRefused);
    EXPECT_EQ(refused.changed, std::vector<std::string>{(p / "F1.DAT").string()});
    ASSERT_FALSE(messenger.shown.empty());
    EXPECT_NE(messenger.shown.back().find((p / "F1.DAT").string()), std::string::npos);
    EXPECT_EQ(Differences(State(), edited), std::vector<std::string>{});

    EXPECT_EQ(Undo(true, true).restored.size(), 3u);
    EXPECT_EQ(Differences(State(), edited), std::vector<std::string>{});

    const update::UndoResult forced = Undo(false, true);
    EXPECT_EQ(forced.outcome, Outcome::kUndone);
    EXPECT_EQ(forced.restored.size(), 3u);
    Files after = State();
    Files want = before;
    // IBM keeps the run's quote with the edit, and its dates; ADD stays as it was made.
    const std::string number = std::to_string(added);
    for (const std::string& name : std::vector<std::string>{
             "p/F1.DAT", "p/F1.BAK", "p/MASTER", "p/MASTER.BAK", "p/F" + number + ".DAT",
             "p/F" + number + ".DOP", "p/" + profiles::AssignmentFileName(added)}) {
        want.erase(name);
        after.erase(name);
    }
    EXPECT_EQ(Differences(after, want), std::vector<std::string>{});
    std::vector<store::MasterRecord> records, old;
    ASSERT_EQ(store::ReadMasterRecords(p, records), store::kSuccess);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].LastDay(), jan10 + 1);                  // IBM: the run's
    EXPECT_EQ(records[1].LastDay(), test::SampleQuote(4).date);  // FUT: before the run
    EXPECT_EQ(records[2].LastDay(), 0);                          // NEW: before the run
    EXPECT_EQ(records[4].LastDay(), test::SampleQuote(1).date);  // ADD: kept
    EXPECT_EQ(test::ReadBytes(p / "F1.DAT"), edited.at("p/F1.DAT"));
    EXPECT_EQ(Undo().outcome, Outcome::kNothingToUndo);
}

TEST_F(UndoTest, UndoAfterASecondRunUndoesOnlyTheSecond) {
    Run(7);
    const Files afterFirst = State();
    WriteText(world.updates / "v.txt", "IBM,20000112,5,6,4,5.5,10,0\r\n");
    Run(1);
    EXPECT_FALSE(fs::exists(world.updates / "v.txt"));
    const update::UndoResult undone = Undo();
    EXPECT_EQ(undone.outcome, Outcome::kUndone);
    EXPECT_EQ(undone.restored, std::vector<std::string>{(p / "F1.DAT").string()});
    EXPECT_EQ(undone.putBack, std::vector<std::string>{(world.updates / "v.txt").string()});
    Files after = State();
    after.erase("upd/v.txt");
    EXPECT_EQ(Differences(after, afterFirst), std::vector<std::string>{});
    EXPECT_EQ(Undo().outcome, Outcome::kNothingToUndo);
}

TEST_F(UndoTest, CommandLineListsWhatItWouldDoAndFailsWhenRefused) {
    Run(7);
    const test::CliResult dry = test::RunCliIn(world.working, {"undo-update", "--dry-run"});
    EXPECT_EQ(dry.code, 0) << dry.err;
    EXPECT_EQ(dry.out.find("Would restore:\n  "), 0u) << dry.out;
    EXPECT_NE(dry.out.find("  " + (q / "F1.DAT").string() + "\n"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("Would put back:"), std::string::npos) << dry.out;
    WriteText(p / "F2.DAT", "damaged");
    const test::CliResult refused = test::RunCliIn(world.working, {"undo-update"});
    EXPECT_EQ(refused.code, 1);
    EXPECT_NE(refused.out.find("Changed since the run:\n  " + (p / "F2.DAT").string()),
              std::string::npos)
        << refused.out;
    const test::CliResult forced = test::RunCliIn(world.working, {"undo-update", "--force"});
    EXPECT_EQ(forced.code, 0) << forced.err;
    EXPECT_EQ(test::RunCliIn(world.working, {"undo-update"}).code, 0);
}

// A journal that is not whole, or names things no run wrote, changes nothing.
TEST_F(UndoTest, DamagedJournalChangesNothing) {
    Run(7);
    const fs::path lasttime = world.working / "Lasttime";
    const Bytes segment = test::ReadBytes(lasttime / "UNDO1.JNL");
    const std::string text(segment.begin(), segment.end());
    for (const std::string& damaged :
         {text.substr(0, text.size() / 2), text + "file 2f6574632f706173737764 ../x\r\nend\r\n",
          std::string("run ") + text.substr(4, text.find('\n') - 3) + "data zz 1\r\nend\r\n"}) {
        WriteText(lasttime / "UNDO1.JNL", damaged);
        const Files everything = test::Snapshot(world.root);
        const update::UndoResult result = Undo();
        EXPECT_EQ(result.outcome, Outcome::kNotStarted);
        ASSERT_FALSE(messenger.shown.empty());
        EXPECT_NE(messenger.shown.back().find("UNDO1.JNL is damaged"), std::string::npos)
            << messenger.shown.back();
        EXPECT_EQ(Differences(test::Snapshot(world.root), everything), std::vector<std::string>{});
    }
}

// An update file whose name was taken again since the run is named and kept, and blocks the
// undo like any changed file; a portfolio listed twice is undone to where the run found it.
TEST_F(UndoTest, UpdateFileTakenAgainIsKeptAndAPortfolioListedTwiceIsUndoneOnce) {
    const Files before = State();
    const World::Outcome outcome = world.Run({p, p, q}, view);
    ASSERT_EQ(outcome.result.quotesAdded, 7);
    WriteText(world.updates / "u.txt", "IBM,20000111,1,1,1,1,1,1\r\n");
    const update::UndoResult refused = Undo();
    EXPECT_EQ(refused.outcome, Outcome::kRefused);
    EXPECT_EQ(refused.changed, std::vector<std::string>{(world.updates / "u.txt").string()});
    const update::UndoResult forced = Undo(false, true);
    EXPECT_EQ(forced.outcome, Outcome::kUndone);
    Files after = State();
    EXPECT_EQ(Text(world.updates / "u.txt"), "IBM,20000111,1,1,1,1,1,1\r\n");
    after.erase("upd/u.txt");
    Files want = before;
    want.erase("upd/u.txt");
    EXPECT_EQ(Differences(after, want), std::vector<std::string>{});
}

// Killed at every change to the disk, of the run or of the undo: one more undo, uninterrupted,
// gives back every file as it was before the run. A killed run leaves what its archive unpacked
// and its scratch copy of MASTER, as it always did; the next run writes them again.
TEST_F(UndoTest, UndoFinishesTheJobAfterAKillAtAnyChangeToTheDisk) {
    const Files before = State();
    Scratch copies;
    const fs::path pristine = copies.path() / "pristine";
    const fs::path ran = copies.path() / "ran";
    fs::copy(world.root, pristine, fs::copy_options::recursive);
    const auto inPlace = [&](const fs::path& from) {
        fs::remove_all(world.root);
        fs::copy(from, world.root, fs::copy_options::recursive);
    };
    const auto finishAndCompare = [&](bool runKilled) {
        const update::UndoResult result = Undo();
        EXPECT_TRUE(result.Succeeded()) << ::testing::PrintToString(messenger.shown);
        Files after = State();
        if (runKilled) {
            for (auto at = after.begin(); at != after.end();) {
                const bool left = at->first == "upd/z.txt" ||
                                  at->first.find(".~") != std::string::npos ||
                                  at->first.find(".tmp") != std::string::npos;
                at = left ? after.erase(at) : std::next(at);
            }
        } else {
            EXPECT_TRUE(Leftovers(p).empty() && Leftovers(q).empty());
        }
        EXPECT_EQ(Differences(after, before), std::vector<std::string>{});
    };
    int changes = KillAtEveryChange([&] { inPlace(pristine); }, [&] { Run(7); }, [] {},
                                    [&] { finishAndCompare(true); });
    std::printf("%d changes of the run interrupted\n", changes);

    inPlace(pristine);
    Run(7);
    fs::copy(world.root, ran, fs::copy_options::recursive);
    changes = KillAtEveryChange(
        [&] { inPlace(ran); }, [&] { static_cast<void>(Undo()); },
        [&] { EXPECT_EQ(Differences(State(), before), std::vector<std::string>{}); },
        [&] { finishAndCompare(false); });
    std::printf("%d changes of the undo interrupted\n", changes);
}

}  // namespace
}  // namespace ticksmith::update_test
