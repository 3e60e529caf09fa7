#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <thread>

#include "cli_support.h"
#include "platform/locks.h"
#include "platform/safe_replace.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

using namespace std::chrono_literals;

class LockingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        world.Profile("Daily", DailyProfile(world.updates));
        p = world.Portfolio("p");
        q = world.Portfolio("q");
        world.Symbol(p, "IBM", 5);
        world.Symbol(p, "MSFT", 5);
    }

    Scratch temp;
    World world{temp.path()};
    fs::path p;
    fs::path q;
};

// Every command that changes a portfolio waits for a writer that holds it, then gives up with
// the holder named and every file as it was.
TEST_F(LockingTest, EveryChangingCommandRefusesAPortfolioAnotherProcessHolds) {
    const std::string dir = p.string();
    const std::vector<std::vector<std::string>> commands = {
        {"edit-symbol", dir, "IBM", "IBMX"},
        {"delete-symbol", dir, "IBM", "--yes"},
        {"add-symbol", dir, "NEW"},
        {"move-symbol", dir, "IBM", q.string()},
        {"copy-symbol", dir, "IBM", q.string()},
        {"edit-quote", dir, "IBM", "01/04/00", "1", "2", "3", "4", "5", "6"},
        {"split", dir, "IBM", "01/05/00", "2", "1"},
        {"adjust", dir, "IBM", "01/03/00", "01/07/00", "2", "1", "1"},
        {"add-quote", dir, "GAP", "01/05/00"},
        {"delete-quote", dir, "IBM", "01/05/00", "--yes"},
        {"skip", dir, "IBM", "on"},
        {"skip-adjust", dir, "all"},
        {"profile", "assign", dir, "IBM", "Daily"},
        {"profile", "assign-all", dir, "Daily"},
        {"repair", dir, "--yes"},
        {"delete-portfolio", dir, "--yes"},
        {"add-portfolio", dir, "--yes"},
        {"update", dir},
    };
    // Monday and Wednesday: a quote can be added before Wednesday.
    const int gap = world.Symbol(p, "GAP", 0);
    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    test::WriteBytes(p / store::DataFileName(gap),
                     test::DataFile({test::SampleQuote(0), test::SampleQuote(2)}, layout,
                                    4 * layout.PresentFields()));
    const ShortLockWait wait(150ms);
    const auto before = test::Snapshot(p);
    const auto beforeDestination = test::Snapshot(q);
    const LockHolder holder(p);
    for (const auto& command : commands) {
        SCOPED_TRACE(command.front());
        const test::CliResult run = test::RunCliIn(world.working, command);
        EXPECT_NE(run.code, cli::kExitSuccess);
        EXPECT_NE(run.err.find("is being changed by"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("(process " + std::to_string(holder.Pid()) + ")"), std::string::npos)
            << run.err;
        EXPECT_EQ(test::Snapshot(p), before);
        EXPECT_EQ(test::Snapshot(q), beforeDestination);
    }
}

TEST_F(LockingTest, ALockIsHeldAgainstOtherThreadsButNotAgainstItsOwnThread) {
    const ShortLockWait wait(100ms);
    Recorder outerMessenger;
    auto outer = platform::LockPortfolios({p}, "Update Quotes", outerMessenger);
    ASSERT_TRUE(outer);
    {
        // A command calling another command on the same portfolio.
        Recorder messenger;
        auto inner = platform::LockPortfolios({p, q}, "Add Symbol", messenger);
        EXPECT_TRUE(inner);
        EXPECT_TRUE(messenger.shown.empty());
    }
    std::string shown;
    std::thread other([&] {
        Recorder messenger;
        EXPECT_FALSE(platform::LockPortfolios({q, p}, "Edit Symbol", messenger));
        shown = messenger.shown.empty() ? "" : messenger.shown.front();
        // q was taken back when p could not be had.
        Recorder second;
        EXPECT_TRUE(platform::LockPortfolios({q}, "Edit Symbol", second));
    });
    other.join();
    EXPECT_NE(shown.find(p.string() + " is being changed by Update Quotes in this program"),
              std::string::npos)
        << shown;
    outer.reset();
    Recorder messenger;
    std::thread after([&] { EXPECT_TRUE(platform::LockPortfolios({p}, "Edit", messenger)); });
    after.join();
}

TEST_F(LockingTest, TwoPortfoliosLockedInOppositeOrdersDoNotWaitForEachOther) {
    const ShortLockWait wait(2000ms);
    std::atomic<int> acquired{0};
    const auto lockMany = [&](std::vector<fs::path> order) {
        for (int round = 0; round < 200; ++round) {
            Recorder messenger;
            if (platform::LockPortfolios(order, "Move Symbol", messenger)) {
                ++acquired;
            }
        }
    };
    std::thread first(lockMany, std::vector<fs::path>{p, q});
    std::thread second(lockMany, std::vector<fs::path>{q, p});
    first.join();
    second.join();
    EXPECT_EQ(acquired, 400);
}

// Two writers replacing one file under the format's one temporary name: the second must not
// take over, or rename, the first one's half-written file (MASTER once became 0 bytes so).
TEST_F(LockingTest, TwoWritersOfOneFileNeverShareATemporaryFile) {
    test::WriteBytes(p / "X.DAT", std::string("old"));
    platform::ReplacementFile first(p, "X.DAT", "X.~NU");
    platform::ReplacementFile second(p, "X.DAT", "X.~NU");
    EXPECT_NE(first.TemporaryPath(), second.TemporaryPath());
    ASSERT_TRUE(first.Open());
    ASSERT_TRUE(first.Write("first", 5));
    ASSERT_TRUE(second.Open());
    ASSERT_TRUE(first.Commit());
    EXPECT_EQ(Text(p / "X.DAT"), "first");
    ASSERT_TRUE(second.Write("second", 6));
    ASSERT_TRUE(second.Commit());
    EXPECT_EQ(Text(p / "X.DAT"), "second");
    EXPECT_TRUE(Leftovers(p).empty());
}

TEST_F(LockingTest, TheNextWriterRemovesOnlyTheTemporariesOfDeadWriters) {
    const pid_t dead = ::fork();
    if (dead == 0) {
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const std::string deadSuffix = ".ts" + std::to_string(dead) + "-3";
    const std::string liveSuffix = ".ts" + std::to_string(::getppid()) + "-1";
    for (const std::string& name : {"MASTER.~NU" + deadSuffix, "F1.~NU" + deadSuffix,
                                    "MASTER.~NU" + liveSuffix, "notes.ts" + std::to_string(dead),
                                    std::string("F1.~NU.ts-1"), std::string("F2.ts12x-1")}) {
        test::WriteBytes(p / name, std::string("x"));
    }
    const test::CliResult run = test::RunCliIn(world.working, {"skip", p.string(), "IBM", "on"});
    ASSERT_EQ(run.code, cli::kExitSuccess) << run.err;
    EXPECT_FALSE(fs::exists(p / ("MASTER.~NU" + deadSuffix)));
    EXPECT_FALSE(fs::exists(p / ("F1.~NU" + deadSuffix)));
    EXPECT_TRUE(fs::exists(p / ("MASTER.~NU" + liveSuffix)));
    EXPECT_TRUE(fs::exists(p / ("notes.ts" + std::to_string(dead))));
    EXPECT_TRUE(fs::exists(p / "F1.~NU.ts-1"));
    EXPECT_TRUE(fs::exists(p / "F2.ts12x-1"));
}

// An update runs while the person edits, moves and deletes in the same portfolio: whatever
// the interleaving, every change that reported success is there and no quote is lost or doubled.
TEST_F(LockingTest, AnUpdateAndAStreamOfEditsOnOnePortfolioLoseNothing) {
    world.Symbol(p, "ORCL", 5);
    int msftDeleted = 0;
    std::size_t orclQuotes = 5;
    const int rounds = 50;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const store::DayNumber day = static_cast<store::DayNumber>(14254 + round);
        const std::string date = store::FormatDateText(day, 8, '\0');
        WriteText(world.updates / "u.txt", "IBM," + date + ",1,2,1,1.5,100,0\nMSFT," + date +
                                               ",1,2,1,1.5,100,0\nORCL," + date +
                                               ",1,2,1,1.5,100,0\n");
        std::optional<World::Outcome> update;
        std::thread worker([&] { update = world.Run({p}); });
        const std::string close = std::to_string(100 + round);
        const std::string name = "N" + std::to_string(round);
        EXPECT_EQ(
            test::RunCliIn(world.working, {"edit-symbol", p.string(), "MSFT", "MSFT", name}).code,
            cli::kExitSuccess);
        EXPECT_EQ(test::RunCliIn(world.working, {"edit-quote", p.string(), "IBM", "01/03/00", "10",
                                                 "11", "9", close, "1000", "0"})
                      .code,
                  cli::kExitSuccess);
        const bool orclInP = round % 2 == 0;
        const fs::path from = orclInP ? p : q;
        EXPECT_EQ(test::RunCliIn(world.working,
                                 {"move-symbol", from.string(), "ORCL", (orclInP ? q : p).string()})
                      .code,
                  cli::kExitSuccess);
        if (round % 10 == 5) {
            EXPECT_EQ(test::RunCliIn(
                          world.working,
                          {"delete-quote", p.string(), "MSFT",
                           store::GridDateText(static_cast<store::DayNumber>(14247 + msftDeleted)),
                           "--yes"})
                          .code,
                      cli::kExitSuccess);
            ++msftDeleted;
        }
        worker.join();
        ASSERT_TRUE(update);
        EXPECT_TRUE(update->result.Succeeded());

        auto inP = ConsistentSeries(p);
        auto inQ = ConsistentSeries(q);
        const auto& ibm = inP["IBM"].quotes;
        ASSERT_EQ(ibm.size(), static_cast<std::size_t>(6 + round));
        EXPECT_EQ(ibm.back().date, day);
        EXPECT_EQ(ibm.front().close, static_cast<float>(100 + round));
        EXPECT_EQ(inP["MSFT"].name, name);
        const auto& msft = inP["MSFT"].quotes;
        EXPECT_EQ(msft.size(), static_cast<std::size_t>(6 + round - msftDeleted));
        EXPECT_EQ(msft.back().date, day);
        // ORCL is where the last move put it, and gains a quote only in rounds whose update
        // found it in p; it never loses one.
        EXPECT_EQ(inP.count("ORCL"), orclInP ? 0u : 1u);
        const auto& orcl = orclInP ? inQ["ORCL"].quotes : inP["ORCL"].quotes;
        EXPECT_GE(orcl.size(), orclQuotes);
        EXPECT_LE(orcl.size(), orclQuotes + 1);
        orclQuotes = orcl.size();
        EXPECT_TRUE(Leftovers(p).empty());
        EXPECT_TRUE(Leftovers(q).empty());
    }
}

}  // namespace
}  // namespace ticksmith::update_test
