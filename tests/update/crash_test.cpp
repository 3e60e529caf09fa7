#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "store/edit_quotes.h"
#include "update_support.h"

namespace ticksmith::update_test {
namespace {

constexpr int kDied = 77;
constexpr std::size_t kSymbols = 16;  // in each of three portfolios

// Ends the process at its N-th change to the disk, as a kill would; a write that dies leaves
// half its bytes. Syncs only guard against power loss, so they are counted but skipped.
class DyingFileSystem : public platform::FileSystem {
  public:
    explicit DyingFileSystem(int dieAt) : m_dieAt(dieAt) {}
    int Calls() const { return m_calls; }

    int CreateForWrite(const fs::path& path) override {
        return Step() ? FileSystem::CreateForWrite(path) : -1;
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        if (m_calls == m_dieAt) {
            FileSystem::Write(descriptor, data, size / 2);
        }
        Step();
        return FileSystem::Write(descriptor, data, size);
    }
    bool Sync(int) override { return Step(); }
    bool Close(int descriptor) override { return Step() && FileSystem::Close(descriptor); }
    bool Rename(const fs::path& from, const fs::path& to) override {
        return Step() && FileSystem::Rename(from, to);
    }
    bool Remove(const fs::path& path) override { return Step() && FileSystem::Remove(path); }
    bool CreateDirectory(const fs::path& path) override {
        return Step() && FileSystem::CreateDirectory(path);
    }
    bool SyncDirectory(const fs::path&) override { return Step(); }

  private:
    bool Step() {
        if (m_calls++ == m_dieAt) {
            ::_exit(kDied);
        }
        return true;
    }
    int m_dieAt;
    int m_calls = 0;
};

struct Expected {
    store::MasterRecord before;
    Bytes oldData;
    Bytes newData;  // oldData when the symbol gets nothing
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
                Expected want{{}, Series(count), Series(count)};
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
                    want.newData = Series(
                        count, {MakeQuote(day, 1.5f, 2, 1, 1.75f, static_cast<float>(i), 0)});
                    ++m_additions;
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
        update::UpdateProgress progress;
        update::UpdateRun run(m_area / "work", m_portfolios, {}, "", progress, messenger);
        return run.Run();
    }

    // Every MASTER readable, every data file the old one or the old one plus its new quote,
    // MASTER's dates the data file's or, after a stop between the two, still the old ones.
    // Returns the number of symbols that hold their new quote.
    int Check(bool complete) {
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
                const bool added = data == want.newData && want.newData != want.oldData;
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

    // A second, uninterrupted run finishes the work.
    void Finish() {
        DyingFileSystem fast(-1);
        platform::ScopedFileSystem scope(fast);
        RunInProcess();
        Check(true);
    }

    Scratch m_temp;
    fs::path m_area = m_temp.path() / "area";
    fs::path m_pristine = m_temp.path() / "pristine";
    std::vector<std::string> m_portfolios;
    std::vector<Expected> m_expected;
    int m_additions = 0;
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
        const pid_t child = ::fork();
        if (child == 0) {
            DyingFileSystem dying(dieAt);
            platform::ScopedFileSystem scope(dying);
            RunInProcess();
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
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

// A hand edit killed at any change to the disk: the data file is the old one or the new one,
// F<n>.BAK the previous backup or a whole copy of the old data file, MASTER old or new.
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
        Recorder quiet;
        return store::EditQuotes(dir, "AAA", request, quiet);
    };
    const store::DayNumber day = test::SampleQuote(20).date;
    const store::DayNumber last = test::SampleQuote(49).date;
    int interruptions = 0;
    for (const auto& request :
         {store::EditRequest{{0.5f, 0.5f, 0.5f, 0.5f, 2, 2}, 0, day, 3},
          store::EditRequest{{1, 2, 3, 4, 5, 6}, day, day, 1}, store::EditRequest{{}, day, day, 5},
          store::EditRequest{{}, last, last, 4}}) {
        SCOPED_TRACE("operation " + std::to_string(request.operation));
        reset();
        DyingFileSystem counter(-1);
        {
            platform::ScopedFileSystem scope(counter);
            ASSERT_EQ(edit(request), store::kSuccess);
        }
        const Bytes newData = test::ReadBytes(dir / "F1.DAT");
        const Bytes newMaster = test::ReadBytes(dir / "MASTER");
        ASSERT_NE(newData, oldData);
        for (int dieAt = 0; dieAt < counter.Calls(); ++dieAt) {
            SCOPED_TRACE("dies at change " + std::to_string(dieAt));
            reset();
            const pid_t child = ::fork();
            if (child == 0) {
                DyingFileSystem dying(dieAt);
                platform::ScopedFileSystem scope(dying);
                edit(request);
                ::_exit(0);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == kDied) << status;
            ++interruptions;
            const Bytes data = test::ReadBytes(dir / "F1.DAT");
            const Bytes backup = test::ReadBytes(dir / "F1.BAK");
            const Bytes master = test::ReadBytes(dir / "MASTER");
            EXPECT_TRUE(data == oldData || data == newData);
            EXPECT_TRUE(backup == oldBackup || backup == oldData);
            EXPECT_TRUE(master == oldMaster || master == newMaster);
            // What the interrupted edit left behind does not stand in the way of the next one.
            if (data == oldData) {
                EXPECT_EQ(edit(request), store::kSuccess);
                EXPECT_EQ(test::ReadBytes(dir / "F1.DAT"), newData);
            }
        }
    }
    std::printf("%d interrupted edits\n", interruptions);
}

}  // namespace
}  // namespace ticksmith::update_test
