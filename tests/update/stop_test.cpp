#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "cli_support.h"
#include "update/run_report.h"
#include "update/undo_update.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

using namespace std::chrono_literals;
using PortfolioSnapshots = std::map<std::string, std::map<std::string, Bytes>>;

constexpr std::string_view kStopLine = "ERROR: Update Quotes was stopped before it reached ";

// `portfolios` portfolios of `symbols` symbols with five sample quotes each, and one update
// file with two newer days for every symbol. Names are long so that few progress lines fill
// a pipe.
std::vector<fs::path> MakeSetup(const World& world, int portfolios, int symbols) {
    world.Profile("Daily", DailyProfile(world.updates));
    std::vector<fs::path> dirs;
    std::string lines;
    for (int p = 0; p < portfolios; ++p) {
        char name[64];
        std::snprintf(name, sizeof name, "portfolio_with_a_rather_long_name_%03d", p);
        dirs.push_back(world.Portfolio(name));
        for (int s = 0; s < symbols; ++s) {
            const std::string symbol = "P" + std::to_string(p) + static_cast<char>('A' + s);
            world.Symbol(dirs.back(), symbol, 5);
            lines += symbol + ",20000110,1,2,1,1.5,100,0\n" + symbol + ",20000111,2,3,1,2.5,90,0\n";
        }
    }
    WriteText(world.updates / "u.txt", lines);
    return dirs;
}

PortfolioSnapshots PortfolioFiles(const std::vector<fs::path>& dirs) {
    PortfolioSnapshots files;
    for (const fs::path& dir : dirs) {
        files[dir.filename().string()] = test::Snapshot(dir);
    }
    return files;
}

std::string LastLine(const std::string& text) {
    const std::size_t end = text.rfind("\r\n");
    const std::size_t start = text.rfind("\r\n", end == 0 ? 0 : end - 1);
    return text.substr(start == std::string::npos ? 0 : start + 2,
                       end == std::string::npos ? std::string::npos : end - start - 2);
}

// A progress sink that asks for a stop once the run shows `symbol`.
class StopAt {
  public:
    explicit StopAt(std::string symbol) : m_symbol(" " + std::move(symbol)) {}
    platform::ProgressSink sink{[this](const platform::ProgressSnapshot& snapshot) {
        if (snapshot.Text(update::kSymbolText) == m_symbol) {
            sink.RequestCancel();
        }
    }};

  private:
    std::string m_symbol;
};

// Every MASTER names what its data files hold, and no replacement was left half-done.
void ExpectEveryPortfolioWhole(const std::vector<fs::path>& dirs) {
    for (const fs::path& dir : dirs) {
        SCOPED_TRACE(dir.string());
        ConsistentSeries(dir);
        EXPECT_EQ(Leftovers(dir), std::vector<std::string>{});
    }
}

class StopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dirs = MakeSetup(world, 3, 4);
        wholeDirs = MakeSetup(whole, 3, 4);
        view.deleteTxt = true;
        ASSERT_TRUE(whole.Run(wholeDirs, view).result.Succeeded());
        original = PortfolioFiles(dirs);
        finished = PortfolioFiles(wholeDirs);
    }

    Scratch temp;
    World world{temp.path() / "stopped"};
    World whole{temp.path() / "whole"};
    std::vector<fs::path> dirs, wholeDirs;
    settings::ViewSettings view;
    PortfolioSnapshots original, finished;
};

// The symbol at work finishes and its portfolio is committed; the rest is left as it was,
// the log and the report say so, the undo takes it back, and the next run finishes the work
// to the same bytes as a run that was never stopped.
TEST_F(StopTest, StopBetweenSymbolsKeepsWhatWasDoneAndTheNextRunFinishes) {
    for (const bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undone" : "finished");
        StopAt stop("P1B");
        const World::Outcome outcome = world.Run(dirs, view, "", &stop.sink);
        EXPECT_TRUE(outcome.result.stopped);
        EXPECT_FALSE(outcome.result.Succeeded());
        EXPECT_EQ(outcome.result.quotesAdded, 12);  // four symbols of the first, two of the second
        EXPECT_EQ(outcome.messages, std::vector<std::string>{});
        ExpectEveryPortfolioWhole(dirs);
        PortfolioSnapshots now = PortfolioFiles(dirs);
        const std::string first = dirs[0].filename().string();
        const std::string second = dirs[1].filename().string();
        const std::string third = dirs[2].filename().string();
        EXPECT_EQ(now[first], finished[first]);
        EXPECT_EQ(now[second]["F1.DAT"], finished[second]["F1.DAT"]);
        EXPECT_EQ(now[second]["F2.DAT"], finished[second]["F2.DAT"]);
        EXPECT_EQ(now[second]["F3.DAT"], original[second]["F3.DAT"]);
        EXPECT_EQ(now[third], original[third]);
        // The update file still holds the quotes of the symbols not reached.
        EXPECT_TRUE(fs::exists(world.updates / "u.txt"));

        const std::string audit = Text(world.working / "AUDIT.TXT");
        EXPECT_EQ(LastLine(audit), std::string(kStopLine) + "P1C in " + dirs[1].string() +
                                       "; 1 more portfolio was not started.");
        EXPECT_EQ(audit.find("P1C"), audit.find(kStopLine) + kStopLine.size());
        EXPECT_EQ(Text(world.working / settings::kLasttimeDirectory / "AUDIT.TXT"), audit);

        settings::ViewSettings reportView = view;
        reportView.auditEnable = true;
        const update::RunReport report =
            update::BuildRunReport(outcome.result, world.working / "AUDIT.TXT", reportView);
        EXPECT_FALSE(report.succeeded);
        EXPECT_EQ(report.messages, std::vector<std::string>{update::StoppedMessage(12)});
        EXPECT_EQ(report.messages[0],
                  "Update Quotes was stopped. 12 quotes were added before it stopped; the next "
                  "run adds the rest.");
        ASSERT_TRUE(report.anomalyReport);
        EXPECT_EQ(report.anomalyReport->entries.back().rfind(kStopLine, 0), 0u);

        if (undo) {
            Recorder messenger;
            EXPECT_TRUE(update::UndoLastUpdate(world.working, {}, messenger).Succeeded());
            EXPECT_EQ(PortfolioFiles(dirs), original);
        } else {
            const World::Outcome rest = world.Run(dirs, view);
            EXPECT_TRUE(rest.result.Succeeded());
            EXPECT_FALSE(rest.result.stopped);
            EXPECT_EQ(rest.result.quotesAdded, 12);
            EXPECT_EQ(PortfolioFiles(dirs), finished);
            EXPECT_FALSE(fs::exists(world.updates / "u.txt"));
        }
    }
}

// A stop asked before the first symbol changes nothing; one asked at the last symbol has
// nothing left to stop.
TEST_F(StopTest, StopBeforeTheStartOrAfterTheLastSymbol) {
    platform::ProgressSink early;
    early.RequestCancel();
    const World::Outcome none = world.Run(dirs, view, "", &early);
    EXPECT_TRUE(none.result.started);
    EXPECT_TRUE(none.result.stopped);
    EXPECT_EQ(none.result.quotesAdded, 0);
    EXPECT_EQ(PortfolioFiles(dirs), original);
    EXPECT_EQ(LastLine(Text(world.working / "AUDIT.TXT")),
              std::string(kStopLine) + "the portfolio " + dirs[0].string() +
                  "; 2 more portfolios were not started.");

    StopAt last("P2D");
    const World::Outcome all = world.Run(dirs, view, "", &last.sink);
    EXPECT_TRUE(last.sink.CancelRequested());
    EXPECT_FALSE(all.result.stopped);
    EXPECT_TRUE(all.result.Succeeded());
    EXPECT_EQ(PortfolioFiles(dirs), finished);
    EXPECT_EQ(Text(world.working / "AUDIT.TXT").find(kStopLine), std::string::npos);
}

// A run that finds a portfolio held by another program says who it waits for, goes on when
// the holder lets go, and a stop ends the wait with nothing changed.
TEST_F(StopTest, WaitForAnotherWriterIsShownAndCanBeStopped) {
    const ShortLockWait wait(20s);
    for (const bool stopWaiting : {true, false}) {
        SCOPED_TRACE(stopWaiting ? "stopped" : "released");
        std::optional<LockHolder> holder(std::in_place, dirs[1]);
        const std::string expected = "(process " + std::to_string(holder->Pid()) +
                                     ") to finish with " + dirs[1].string() + "...";
        std::vector<std::string> waitTexts;
        platform::ProgressSink* self = nullptr;
        platform::ProgressSink progress([&](const platform::ProgressSnapshot& snapshot) {
            const std::string& text = snapshot.Text(update::kFileText);
            if (text.rfind("Waiting for ", 0) == 0) {
                waitTexts.push_back(text);
                if (stopWaiting) {
                    self->RequestCancel();
                } else {
                    holder.reset();
                }
            }
        });
        self = &progress;
        const auto began = std::chrono::steady_clock::now();
        const World::Outcome outcome = world.Run(dirs, view, "", &progress);
        EXPECT_LT(std::chrono::steady_clock::now() - began, 10s);
        ASSERT_EQ(waitTexts.size(), 1u);
        EXPECT_NE(waitTexts[0].find(expected), std::string::npos) << waitTexts[0];
        if (stopWaiting) {
            EXPECT_FALSE(outcome.started);
            EXPECT_TRUE(outcome.result.stopped);
            ASSERT_EQ(outcome.messages.size(), 1u);
            EXPECT_NE(outcome.messages[0].find("Update Quotes was stopped while it waited for "),
                      std::string::npos);
            EXPECT_NE(outcome.messages[0].find("nothing was changed"), std::string::npos);
            EXPECT_EQ(PortfolioFiles(dirs), original);
        } else {
            EXPECT_TRUE(outcome.result.Succeeded());
            EXPECT_EQ(PortfolioFiles(dirs), finished);
        }
    }
}

// ticksmith-cli update, written to a log rather than a terminal, says whom it waits for too.
TEST_F(StopTest, CliSaysWhomItWaitsFor) {
    const ShortLockWait wait(150ms);
    const LockHolder holder(dirs[1]);
    const test::CliResult run = test::RunCliIn(world.working, {"update", dirs[1].string()});
    EXPECT_EQ(run.code, cli::kExitFailure);
    EXPECT_EQ(run.err.rfind("Waiting for ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("(process " + std::to_string(holder.Pid()) + ") to finish with " +
                           dirs[1].string() + "...\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("is being changed by"), std::string::npos) << run.err;
    EXPECT_EQ(PortfolioFiles(dirs), original);
}

struct ChildRun {
    int status = 0;
    std::string err;
    std::chrono::microseconds stopping{0};  // from the signal to the program's end
};

// Runs ticksmith-cli update on `dirs` as a child process. With `signals`, sends them once the
// third portfolio's progress line has come, and reads no further until then: the pipe holds
// only a few dozen lines, so the run cannot have ended when they arrive.
ChildRun RunChild(const World& world, const std::vector<fs::path>& dirs,
                  const std::vector<int>& signals = {}) {
    std::vector<std::string> arguments = {TICKSMITH_CLI, "--settings",
                                          (world.root / "settings.ini").string(), "update"};
    for (const fs::path& dir : dirs) {
        arguments.push_back(dir.string());
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    int err[2];
    EXPECT_EQ(::pipe(err), 0);
    EXPECT_GT(::fcntl(err[0], F_SETPIPE_SZ, 4096), 0);
    const std::string working = world.working.string();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (::chdir(working.c_str()) != 0 || ::dup2(null, 1) < 0 || ::dup2(err[1], 2) < 0) {
            ::_exit(126);
        }
        ::close(err[0]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(err[1]);
    ChildRun run;
    bool sent = signals.empty();
    std::chrono::steady_clock::time_point signalled;
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(err[0], buffer, sent ? sizeof buffer : 1);
        if (got <= 0) {
            break;
        }
        run.err.append(buffer, static_cast<std::size_t>(got));
        std::size_t lines = 0;
        for (std::size_t at = 0;
             (at = run.err.find("Working on portfolio:", at)) != std::string::npos; ++at) {
            ++lines;
        }
        if (!sent && lines == 3 && run.err.back() == '\n') {
            for (const int signal : signals) {
                ::kill(child, signal);
            }
            signalled = std::chrono::steady_clock::now();
            sent = true;
        }
    }
    ::close(err[0]);
    EXPECT_EQ(::waitpid(child, &run.status, 0), child);
    if (!signals.empty()) {
        run.stopping = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now() - signalled);
    }
    return run;
}

// Ctrl+C, SIGTERM and Ctrl+C pressed twice: the program ends on its own with 128 + the signal,
// every portfolio whole, and the next run brings all of them to where one uninterrupted run
// does.
TEST(StopCliTest, SignalsStopTheRunAndTheNextRunFinishesIt) {
    Scratch temp;
    constexpr int kPortfolios = 100;
    const World whole(temp.path() / "whole");
    const std::vector<fs::path> wholeDirs = MakeSetup(whole, kPortfolios, 2);
    const ChildRun reference = RunChild(whole, wholeDirs);
    ASSERT_TRUE(WIFEXITED(reference.status) && WEXITSTATUS(reference.status) == 0) << reference.err;
    const PortfolioSnapshots finished = PortfolioFiles(wholeDirs);
    const std::vector<std::vector<int>> cases = {{SIGINT}, {SIGTERM}, {SIGINT, SIGINT}};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const int signal = cases[i].front();
        SCOPED_TRACE("case " + std::to_string(i));
        const World world(temp.path() / ("stopped" + std::to_string(i)));
        const std::vector<fs::path> dirs = MakeSetup(world, kPortfolios, 2);
        const PortfolioSnapshots original = PortfolioFiles(dirs);
        const ChildRun stopped = RunChild(world, dirs, cases[i]);
        ASSERT_TRUE(WIFEXITED(stopped.status)) << stopped.status;
        EXPECT_EQ(WEXITSTATUS(stopped.status), 128 + signal) << stopped.err;
        EXPECT_NE(stopped.err.find("Update Quotes was stopped. "), std::string::npos);
        EXPECT_EQ(LastLine(Text(world.working / "AUDIT.TXT")).rfind(kStopLine, 0), 0u);
        ExpectEveryPortfolioWhole(dirs);
        const PortfolioSnapshots now = PortfolioFiles(dirs);
        for (std::size_t p = 0; p < 2; ++p) {
            const std::string name = dirs[p].filename().string();
            EXPECT_EQ(now.at(name), finished.at(name)) << name;
        }
        const std::string lastName = dirs.back().filename().string();
        EXPECT_EQ(now.at(lastName), original.at(lastName));

        std::printf("stopped %lld us after the signal\n",
                    static_cast<long long>(stopped.stopping.count()));
        const ChildRun rest = RunChild(world, dirs);
        EXPECT_TRUE(WIFEXITED(rest.status) && WEXITSTATUS(rest.status) == 0) << rest.err;
        EXPECT_EQ(PortfolioFiles(dirs), finished);
    }
}

}  // namespace
}  // namespace ticksmith::update_test
