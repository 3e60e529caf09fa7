#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "crash_support.h"
#include "emaster_support.h"
#include "platform/names.h"
#include "portfolio/master_repair.h"
#include "portfolio/symbol_commands.h"
#include "profiles/profile.h"
#include "store/edit_quotes.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

constexpr std::size_t kSymbols = 16;  // in each of three portfolios

struct Expected {
    store::MasterRecord before;
    Bytes oldData;
    Bytes newData;    // oldData when the symbol gets nothing
    Bytes finalData;  // with the next evening's quote too
};

store::MasterBytes Encoded(const store::MasterRecord& record) {
    store::MasterBytes bytes{};
    store::EncodeMasterRecord(record, bytes.data());
    return bytes;
}

// The first and the last date a data file of the standard layout holds.
std::pair<store::DayNumber, store::DayNumber> DataDates(const Bytes& data) {
    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    const std::size_t length = 4 * static_cast<std::size_t>(layout.PresentFields());
    const auto day = [&](std::size_t record) {
        return store::DecodeQuote(data.data() + length * record, layout, static_cast<int>(length))
            .date;
    };
    const std::size_t last = data.size() / length - 1;
    return last == 0 ? std::pair<store::DayNumber, store::DayNumber>{}
                     : std::pair{day(1), day(last)};
}

// Three portfolios and three update files; each run starts from a copy.
class CrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        World world(m_area);
        world.Profile("Daily", DailyProfile(world.updates));
        std::mt19937 random(2026);
        std::vector<std::string> files(3);
        for (int p = 1; p <= 3; ++p) {
            const fs::path dir = world.Portfolio("p" + std::to_string(p));
            m_portfolios.push_back(dir.string());
            for (std::size_t i = 0; i < kSymbols; ++i) {
                const std::string symbol = "S" + std::to_string(p) + static_cast<char>('A' + i);
                const int count = static_cast<int>(random() % 300);
                world.Symbol(dir, symbol, count);
                Expected want{{}, Series(count), Series(count), Series(count)};
                const store::DayNumber last = count > 0 ? test::SampleQuote(count - 1).date : 14000;
                const auto day = static_cast<store::DayNumber>(last + 1 + random() % 3);
                if (count > 0) {
                    files[random() % 3] +=
                        symbol + "," + store::FormatDateText(last, 8, ' ') + ",9,9,9,9,9,9\n";
                }
                if (p == 1 && i == 0) {
                    Recorder quiet;
                    EXPECT_TRUE(
                        portfolio::SkipSymbol(dir, symbol, portfolio::SkipChange::kOn, quiet));
                }
                if (p != 1 || i > 1) {  // S1A is skipped, S1B has no newer line
                    files[random() % 3] += symbol + "," + store::FormatDateText(day, 8, ' ') +
                                           ",1.5,2,1,1.75," + std::to_string(i) + ",0\r\n";
                    const store::Quote quote =
                        MakeQuote(day, 1.5f, 2, 1, 1.75f, static_cast<float>(i), 0);
                    want.newData = Series(count, {quote});
                    ++m_additions;
                    // The next evening's file, searched after the stale ones.
                    const store::Quote next = MakeQuote(day + 3, 2, 3, 1, 2.5f, 7, 0);
                    m_nextEvening += symbol + "," + store::FormatDateText(next.date, 8, ' ') +
                                     ",2,3,1,2.5,7,0\n";
                    want.finalData = Series(count, {quote, next});
                }
                m_expected.push_back(want);
            }
        }
        for (std::size_t i = 0; i < files.size(); ++i) {
            WriteText(world.updates / ("u" + std::to_string(i + 1) + ".txt"), files[i]);
        }
        for (std::size_t p = 0; p < m_portfolios.size(); ++p) {
            std::vector<store::MasterRecord> records;
            ASSERT_EQ(store::ReadMasterRecords(m_portfolios[p], records), store::kSuccess);
            for (std::size_t i = 0; i < records.size(); ++i) {
                m_expected[p * kSymbols + i].before = records[i];
            }
        }
        fs::copy(m_area, m_pristine, fs::copy_options::recursive);
    }

    void Reset() {
        fs::remove_all(m_area);
        fs::copy(m_pristine, m_area, fs::copy_options::recursive);
    }

    update::UpdateResult RunInProcess() {
        Recorder messenger;
        platform::ProgressSink progress;
        update::UpdateRun run(m_area / "work", m_portfolios, {}, "", progress, messenger);
        return run.Run();
    }

    // Every MASTER readable, every data file the old one or the old one plus its new quote,
    // MASTER's dates the data file's or, after a stop between the two, still the old ones.
    // Returns the number of symbols that hold their new quote. After the next evening's run
    // (`nextEvening`) every symbol holds that evening's quote too.
    int Check(bool complete, bool nextEvening = false) {
        int count = 0;
        for (std::size_t p = 0; p < m_portfolios.size(); ++p) {
            std::vector<store::MasterRecord> records;
            EXPECT_EQ(store::ReadMasterRecords(m_portfolios[p], records), store::kSuccess);
            if (records.size() != kSymbols) {
                ADD_FAILURE() << m_portfolios[p] << " holds " << records.size() << " records";
                continue;
            }
            for (std::size_t i = 0; i < records.size(); ++i) {
                const Expected& want = m_expected[p * kSymbols + i];
                const store::MasterRecord& got = records[i];
                SCOPED_TRACE(got.SymbolText());
                store::MasterRecord same = got;
                same.firstDate = want.before.firstDate;
                same.lastDate = want.before.lastDate;
                EXPECT_EQ(Encoded(same), Encoded(want.before));
                const Bytes data = test::ReadBytes(fs::path(m_portfolios[p]) /
                                                   store::DataFileName(got.fileNumber));
                const Bytes& wanted = nextEvening ? want.finalData : want.newData;
                const bool added = data == wanted && wanted != want.oldData;
                count += added ? 1 : 0;
                EXPECT_TRUE(added || data == want.oldData);
                // Behind by the one new quote only when the run stopped between the two.
                const bool oldDates = Encoded(same) == Encoded(got);
                EXPECT_TRUE((std::pair{got.FirstDay(), got.LastDay()} == DataDates(data)) ||
                            (added && oldDates && !complete));
            }
            EXPECT_TRUE(!complete || Leftovers(m_portfolios[p]).empty());
        }
        EXPECT_TRUE(!complete || count == m_additions);
        return count;
    }

    // The next evening's run, uninterrupted, finishes the work, and a stale file searched
    // first never keeps a symbol from the new evening's quote.
    void Finish() {
        WriteText(m_area / "upd" / "t.txt", m_nextEvening);
        DyingFileSystem fast(-1);
        platform::ScopedFileSystem scope(fast);
        RunInProcess();
        Check(true, true);
    }

    Scratch m_temp;
    fs::path m_area = m_temp.path() / "area";
    fs::path m_pristine = m_temp.path() / "pristine";
    std::vector<std::string> m_portfolios;
    std::vector<Expected> m_expected;
    int m_additions = 0;
    std::string m_nextEvening;
};

TEST_F(CrashTest, DyingAtAnyChangeToTheDiskLosesNothing) {
    DyingFileSystem counter(-1);
    {
        platform::ScopedFileSystem scope(counter);
        EXPECT_EQ(RunInProcess().quotesAdded, m_additions);
    }
    const int total = counter.Calls();
    const int step = LongTests() ? 1 : std::max(1, total / 24);
    int interruptions = 0;
    for (int dieAt = 0;; dieAt = std::min(dieAt + step, total)) {
        SCOPED_TRACE("dies at change " + std::to_string(dieAt) + " of " + std::to_string(total));
        Reset();
        const int status = StatusOfRunDyingAt(dieAt, [this] { RunInProcess(); });
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), dieAt < total ? kDied : 0);
        interruptions += dieAt < total ? 1 : 0;
        Check(dieAt == total);
        Finish();
        if (dieAt == total || HasFailure()) {
            break;
        }
    }
    std::printf("%d of %d changes to the disk interrupted\n", interruptions, total);
}

// Whether the run has begun on the first portfolio: its copy of MASTER is being made.
bool RunBegun(const fs::path& portfolio) {
    for (const auto& entry : fs::directory_iterator(portfolio)) {
        if (entry.path().filename().string().rfind("MASTER.~", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST_F(CrashTest, KilledProgramLeavesEveryPortfolioWhole) {
    const std::string settingsFile = (m_temp.path() / "settings.ini").string();
    const std::string working = (m_area / "work").string();
    std::vector<std::string> arguments = {TICKSMITH_CLI, "--settings", settingsFile, "update"};
    arguments.insert(arguments.end(), m_portfolios.begin(), m_portfolios.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    using Clock = std::chrono::steady_clock;
    int status = 0;
    // Starts the program and returns once its run has begun; 0 when it ended before that.
    const auto start = [&] {
        const pid_t child = ::fork();
        if (child == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            if (::chdir(working.c_str()) != 0 || ::dup2(null, 1) < 0 || ::dup2(null, 2) < 0) {
                ::_exit(126);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        while (!RunBegun(m_portfolios[0])) {
            if (::waitpid(child, &status, WNOHANG) == child) {
                return pid_t{0};
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return child;
    };
    std::mt19937 random(11);
    std::chrono::microseconds run{0};
    const int kills = LongTests() ? 300 : 12;
    int midway = 0;
    // The first run goes to its end and tells how long a run takes.
    for (int kill = 0; kill <= kills && !HasFailure(); ++kill) {
        Reset();
        const auto delay = std::chrono::microseconds(
            std::uniform_int_distribution<long>(0, run.count() * 11 / 10)(random));
        SCOPED_TRACE("killed " + std::to_string(delay.count()) + " us into the run");
        const pid_t child = start();
        const auto begun = Clock::now();
        if (child != 0 && kill > 0) {
            std::this_thread::sleep_for(delay);
            ::kill(child, SIGKILL);
        }
        ASSERT_TRUE(child == 0 || ::waitpid(child, &status, 0) == child);
        if (kill == 0) {
            // A run over before its start was seen is short; 5 ms stands in for it.
            run = child == 0
                      ? std::chrono::microseconds(5000)
                      : std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begun);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        const int added = Check(kill == 0);
        midway += added > 0 && added < m_additions ? 1 : 0;
        Finish();
    }
    std::printf("%d of %d kills stopped a run midway (a run takes %lld us)\n", midway, kills,
                static_cast<long long>(run.count()));
}

// The dates of every quote a data file of the standard layout holds.
std::set<store::DayNumber> HeldDates(const Bytes& data) {
    const store::FieldLayout layout = store::LayoutOf(store::kStandardFields);
    const std::size_t length = 4 * static_cast<std::size_t>(layout.PresentFields());
    std::set<store::DayNumber> dates;
    for (std::size_t at = length; at + length <= data.size(); at += length) {
        dates.insert(store::DecodeQuote(data.data() + at, layout, static_cast<int>(length)).date);
    }
    return dates;
}

// A hand edit killed at any change to the disk: the data file is the old one or the new one,
// F<n>.BAK the previous backup or a whole copy of the old data file, MASTER old or new and
// never naming a date the data file lacks.
TEST(EditCrashTest, DyingDuringAnEditKeepsEveryFileWhole) {
    Scratch temp;
    const fs::path dir = temp.path() / "p", pristine = temp.path() / "pristine";
    fs::create_directories(dir);
    test::AddSymbol(dir, "AAA", 50);
    test::WriteBytes(dir / "F1.BAK", Bytes{9, 9, 9});
    fs::copy(dir, pristine, fs::copy_options::recursive);
    const auto reset = [&] {
        fs::remove_all(dir);
        fs::copy(pristine, dir, fs::copy_options::recursive);
    };
    const Bytes oldData = test::ReadBytes(dir / "F1.DAT");
    const Bytes oldMaster = test::ReadBytes(dir / "MASTER");
    const Bytes oldBackup = test::ReadBytes(dir / "F1.BAK");
    const auto edit = [&](const store::EditRequest& request) {
        return store::EditQuotes(dir, "AAA", request).status;
    };
    const auto deleteOf = [](int quote) {
        const store::DayNumber day = test::SampleQuote(quote).date;
        return store::EditRequest{{}, day, day, 4};
    };
    const store::DayNumber day = test::SampleQuote(20).date;
    for (const auto& request :
         {store::EditRequest{{0.5f, 0.5f, 0.5f, 0.5f, 2, 2}, 0, day, 3},
          store::EditRequest{{1, 2, 3, 4, 5, 6}, day, day, 1}, store::EditRequest{{}, day, day, 5},
          deleteOf(0), deleteOf(20), deleteOf(49)}) {
        SCOPED_TRACE("operation " + std::to_string(request.operation) + " on " +
                     std::to_string(request.date1));
        Bytes newData;
        Bytes newMaster;
        int halfDone = 0;
        const int kills = KillAtEveryChange(
            reset, [&] { edit(request); },
            [&] {
                newData = test::ReadBytes(dir / "F1.DAT");
                newMaster = test::ReadBytes(dir / "MASTER");
                ASSERT_NE(newData, oldData);
            },
            [&] {
                const Bytes data = test::ReadBytes(dir / "F1.DAT");
                const Bytes master = test::ReadBytes(dir / "MASTER");
                EXPECT_TRUE(data == oldData || data == newData);
                EXPECT_TRUE(test::ReadBytes(dir / "F1.BAK") == oldBackup ||
                            test::ReadBytes(dir / "F1.BAK") == oldData);
                EXPECT_TRUE(master == oldMaster || master == newMaster);
                // MASTER's dates move first: until the data file follows, they are dates it
                // still holds.
                std::vector<store::MasterRecord> records;
                ASSERT_EQ(store::ReadMasterRecords(dir, records), store::kSuccess);
                ASSERT_EQ(records.size(), 1u);
                const std::set<store::DayNumber> held = HeldDates(data);
                EXPECT_EQ(held.count(records[0].FirstDay()), 1u);
                EXPECT_EQ(held.count(records[0].LastDay()), 1u);
                if (data == newData) {
                    EXPECT_EQ(master, newMaster);
                } else {
                    halfDone += master != oldMaster ? 1 : 0;
                    // What the interrupted edit left behind does not stand in the way of the
                    // next one, which finishes it.
                    EXPECT_EQ(edit(request), store::kSuccess);
                    EXPECT_EQ(test::ReadBytes(dir / "F1.DAT"), newData);
                    EXPECT_EQ(test::ReadBytes(dir / "MASTER"), newMaster);
                }
            });
        std::printf("operation %d on day %d: %d kill points, %d with MASTER ahead of the file\n",
                    request.operation, request.date1, kills, halfDone);
    }
}

// Two portfolios: a holds AAA (F1) and CORL (F2, with its profile and a backup), b holds BBB.
class SymbolCrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_a);
        fs::create_directories(m_b);
        test::AddSymbol(m_a, "AAA", 10);
        test::AddSymbol(m_a, "CORL", 30);
        profiles::AssignmentBytes profile{};
        profile[0] = 'D';
        ASSERT_TRUE(profiles::WriteAssignmentFile(m_a, 2, profile));
        test::WriteBytes(m_a / "F2.BAK", Bytes{1, 2, 3});
        test::AddSymbol(m_b, "BBB", 5);
        m_corl = test::ReadBytes(m_a / "F2.DAT");
        fs::copy(m_root, m_pristine, fs::copy_options::recursive);
    }

    void Reset() {
        fs::remove_all(m_root);
        fs::copy(m_pristine, m_root, fs::copy_options::recursive);
    }

    bool Transfer(portfolio::Transfer transfer) {
        Recorder quiet;
        portfolio::ViewState view = View(quiet);
        return portfolio::TransferSymbol(view, m_b.string(), transfer, quiet);
    }

    bool Delete() {
        Recorder quiet;
        portfolio::ViewState view = View(quiet);
        return portfolio::DeleteSymbol(view, quiet);
    }

    // Every record names a data file that exists, dated as the first and last quote it holds.
    static void ExpectWhole(const fs::path& dir) {
        std::vector<store::MasterRecord> records;
        ASSERT_EQ(store::ReadMasterRecords(dir, records), store::kSuccess);
        for (const store::MasterRecord& record : records) {
            const auto data = platform::FindEntry(dir, store::DataFileName(record.fileNumber));
            ASSERT_TRUE(data) << dir << " names F" << int{record.fileNumber} << ".DAT";
            EXPECT_EQ((std::pair{record.FirstDay(), record.LastDay()}),
                      DataDates(test::ReadBytes(*data)))
                << record.SymbolText();
        }
    }

    // Whether `dir` has a record for CORL; its data file goes to `data`.
    static bool HoldsCorl(const fs::path& dir, Bytes& data) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(dir, records), store::kSuccess);
        for (const store::MasterRecord& record : records) {
            if (record.SymbolText() == "CORL") {
                data = test::ReadBytes(dir / store::DataFileName(record.fileNumber));
                return true;
            }
        }
        return false;
    }

    // Both portfolios without what an interrupted replacement leaves (a temporary file), and
    // with `orphans` also without the files of a's F2 once no record names them.
    std::map<std::string, Bytes> Settled(bool orphans) const {
        auto files = test::Snapshot(m_root);
        std::erase_if(files, [orphans](const auto& file) {
            const std::string& name = file.first;
            return name.find(".~") != std::string::npos || name.find(".tmp") != std::string::npos ||
                   (orphans && name.rfind("a/F2.", 0) == 0);
        });
        return files;
    }

    // After each kill: both portfolios whole, CORL's quotes (unless deleted) in a or in b, and
    // a retry, when a still holds CORL and b no finished copy, brings both to where the
    // uninterrupted command did.
    int KillEverywhere(const std::function<bool()>& command, bool deleting, bool copying) {
        std::map<std::string, Bytes> expected;
        int retries = 0;
        const int kills =
            KillAtEveryChange([this] { Reset(); }, command, [&] { expected = Settled(false); },
                              [&] {
                                  ExpectWhole(m_a);
                                  ExpectWhole(m_b);
                                  Bytes inA;
                                  Bytes inB;
                                  const bool source = HoldsCorl(m_a, inA);
                                  const bool copy = HoldsCorl(m_b, inB);
                                  EXPECT_TRUE(source || copy || deleting);
                                  EXPECT_TRUE(!source || inA == m_corl);
                                  EXPECT_TRUE(!copy || inB == m_corl);
                                  if (source && !(copy && copying)) {
                                      ++retries;
                                      EXPECT_TRUE(command());
                                  }
                                  EXPECT_EQ(Settled(!source), expected);
                              });
        std::printf("%d kill points, %d finished by a retry\n", kills, retries);
        return kills;
    }

    portfolio::ViewState View(platform::Messenger& messenger) {
        portfolio::ViewState view;
        EXPECT_TRUE(view.OpenPortfolio(m_b.string(), messenger));
        EXPECT_TRUE(view.OpenPortfolio(m_a.string(), messenger));
        EXPECT_TRUE(view.FillSymbolsGrid(0, messenger));
        view.SelectSymbolRow(view.SymbolRowOf("CORL"), messenger);
        return view;
    }

    Scratch m_temp;
    fs::path m_root = m_temp.path() / "root";
    fs::path m_pristine = m_temp.path() / "pristine";
    fs::path m_a = m_root / "a";
    fs::path m_b = m_root / "b";
    Bytes m_corl;
};

TEST_F(SymbolCrashTest, AMoveKilledAnywhereLosesNothingAndARetryFinishesIt) {
    const int kills =
        KillEverywhere([this] { return Transfer(portfolio::Transfer::kMove); }, false, false);
    EXPECT_GT(kills, 0);
}

TEST_F(SymbolCrashTest, ACopyKilledAnywhereLeavesNoRecordWithoutItsFiles) {
    const int kills =
        KillEverywhere([this] { return Transfer(portfolio::Transfer::kCopy); }, false, true);
    EXPECT_GT(kills, 0);
}

TEST_F(SymbolCrashTest, ADeleteKilledAnywhereLeavesNoRecordWithoutItsFiles) {
    const int kills = KillEverywhere([this] { return Delete(); }, true, false);
    EXPECT_GT(kills, 0);
}

// A vendor portfolio (a copy of one with an EMASTER) and a second one, b. After a kill at any
// change to the disk, EMASTER is whole and keeps its long names, and a repair brings it in step
// with whatever MASTER the kill left.
class EmasterCrashTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(test::kRealData / "equis_b" / "EMASTER")) {
            GTEST_SKIP() << test::kRealData << " is not there";
        }
        fs::create_directories(m_pristine / "b");
        const fs::path equis = test::CopyReal(m_pristine, "equis_b");
        test::AddSymbol(m_pristine / "b", "BBB", 5);
        // What an update run of .DJX needs: its profile, the assignment, an update file.
        const World world(m_pristine);
        world.Profile("Daily", DailyProfile(m_root / "upd"));
        EXPECT_FALSE(portfolio::SetSkipString(equis, {}).empty());
        profiles::AssignmentBytes bytes{};
        ASSERT_TRUE(profiles::EncodeAssignment("Daily", bytes));
        test::WriteBytes(equis / profiles::AssignmentFileName(1), bytes);
        WriteText(world.updates / "u.txt", ".DJX,20111228,120,121,119,120.5,1000,0\n");
    }

    portfolio::ViewState View(const std::string& symbol, platform::Messenger& messenger) {
        portfolio::ViewState view;
        EXPECT_TRUE(view.OpenPortfolio(m_b.string(), messenger));
        EXPECT_TRUE(view.OpenPortfolio(m_a.string(), messenger));
        EXPECT_TRUE(view.FillSymbolsGrid(0, messenger));
        view.SelectSymbolRow(view.SymbolRowOf(symbol), messenger);
        return view;
    }

    void KillEverywhere(const std::function<void()>& command) {
        const auto reset = [this] {
            fs::remove_all(m_root);
            fs::copy(m_pristine, m_root, fs::copy_options::recursive);
        };
        const auto check = [this] {
            EXPECT_EQ(test::EmasterLongName(m_a, 1), kDjxName);
            Recorder quiet;
            EXPECT_TRUE(portfolio::RepairMaster(m_a, {true, true}, quiet))
                << testing::PrintToString(quiet.shown);
            test::ExpectInStep(m_a);
            EXPECT_EQ(test::EmasterLongName(m_a, 1), kDjxName);
        };
        const int kills = KillAtEveryChange(reset, command, check, check);
        std::printf("%d kill points\n", kills);
        EXPECT_GT(kills, 0);
    }

    static constexpr const char* kDjxName = "1/100 Dow Jones INDU";
    Scratch m_temp;
    fs::path m_root = m_temp.path() / "root";
    fs::path m_pristine = m_temp.path() / "pristine";
    fs::path m_a = m_root / "equis_b";
    fs::path m_b = m_root / "b";
};

TEST_F(EmasterCrashTest, SymbolCommandsKilledAnywhereKeepLongNames) {
    KillEverywhere([this] {
        Recorder quiet;
        portfolio::ViewState view = View(".FCHI", quiet);
        static_cast<void>(portfolio::AddSymbolCommand(
            view, "NEWL", "A name longer than MASTER holds", std::nullopt, 40000, quiet));
    });
    KillEverywhere([this] {
        Recorder quiet;
        portfolio::ViewState view = View(".FCHI", quiet);
        static_cast<void>(
            portfolio::EditSymbol(view, ".FCHI", "CAC 40 INDICE DE LA BOURSE DE PARIS", quiet));
    });
    KillEverywhere([this] {
        Recorder quiet;
        portfolio::ViewState view = View(".FCHI", quiet);
        static_cast<void>(portfolio::DeleteSymbol(view, quiet));
    });
    KillEverywhere([this] {
        Recorder quiet;
        portfolio::ViewState view = View(".FCHI", quiet);
        static_cast<void>(
            portfolio::TransferSymbol(view, m_b.string(), portfolio::Transfer::kMove, quiet));
    });
}

TEST_F(EmasterCrashTest, AnUpdateRunKilledAnywhereKeepsLongNames) {
    KillEverywhere([this] {
        const World::Outcome outcome = World(m_root).Run({m_a});
        EXPECT_EQ(outcome.result.quotesAdded, 1) << testing::PrintToString(outcome.messages);
    });
}

}  // namespace
}  // namespace ticksmith::update_test
