#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/locks.h"
#include "portfolio/skip_list.h"
#include "test_support.h"
#include "update/update_run.h"

namespace ticksmith::update_test {

namespace fs = std::filesystem;
using test::Bytes;

// Every file a run replaces is synced: ~10 ms each on a disk, nothing on tmpfs.
struct PreferTmpfs {
    PreferTmpfs() {
        if (fs::is_directory("/dev/shm")) {
            ::setenv("TMPDIR", "/dev/shm", 0);
        }
    }
};
class Scratch : PreferTmpfs, public test::TempDir {};

inline bool LongTests() {
    return std::getenv("TICKSMITH_LONG_TESTS") != nullptr;
}

class Recorder : public platform::Messenger {
  public:
    void Show(std::string_view text, platform::MessageIcon) override {
        shown.emplace_back(text);
        if (onShow) {
            onShow(text);
        }
    }
    bool AskYesNo(std::string_view, platform::MessageIcon) override { return false; }
    bool AskOkCancel(std::string_view, platform::MessageIcon) override { return false; }
    void Play(platform::Sound) override {}

    std::vector<std::string> shown;
    std::function<void(std::string_view)> onShow;
};

inline std::string Text(const fs::path& path) {
    const Bytes bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteText(const fs::path& path, std::string_view text) {
    test::WriteBytes(path, text);
}

// What an interrupted replacement leaves: MASTER.~OL, MASTER.~NU, F<n>.~NU, *.tmp.
inline std::vector<std::string> Leftovers(const fs::path& dir) {
    std::vector<std::string> found;
    for (const auto& [name, bytes] : test::Snapshot(dir)) {
        if (name.find(".~") != std::string::npos || name.find(".tmp") != std::string::npos) {
            found.push_back(name);
        }
    }
    return found;
}

// SYMBOL,CCYYMMDD,OPEN,HIGH,LOW,CLOSE,VOL,OI
inline profiles::Profile DailyProfile(const fs::path& updates, bool futures = false) {
    return {1,
            1,
            2,
            3,
            4,
            5,
            6,
            7,
            8,
            futures ? std::uint8_t{1} : std::uint8_t{0},
            8,
            0,
            updates.string()};
}

inline store::Quote MakeQuote(store::DayNumber date, float open, float high, float low, float close,
                              float volume, float openInterest) {
    return {date, 0, open, high, low, close, volume, openInterest};
}

// The data file of a symbol made by World::Symbol, with `added` appended.
inline Bytes Series(int count, const std::vector<store::Quote>& added = {},
                    const store::FieldSet& fields = store::kStandardFields) {
    std::vector<store::Quote> quotes;
    for (int i = 0; i < count; ++i) {
        quotes.push_back(test::SampleQuote(i));
    }
    quotes.insert(quotes.end(), added.begin(), added.end());
    const store::FieldLayout layout = store::LayoutOf(fields);
    return test::DataFile(quotes, layout, 4 * layout.PresentFields());
}

// A working directory, an update directory and portfolios below one root.
struct World {
    explicit World(const fs::path& base) : root(base) {
        fs::create_directories(working / settings::kLasttimeDirectory);
        fs::create_directories(updates);
    }

    void Profile(const std::string& name, const profiles::Profile& profile) const {
        profiles::ProfileBytes bytes{};
        EXPECT_TRUE(profiles::EncodeProfile(profile, bytes));
        test::WriteBytes(working / profiles::ProfileFileName(name), bytes);
    }

    // With its skip file in place, so that a run has no reason to write one.
    fs::path Portfolio(const std::string& name) const {
        const fs::path dir = root / name;
        fs::create_directories(dir);
        EXPECT_EQ(store::CreateEmptyMaster(dir), store::kSuccess);
        EXPECT_FALSE(portfolio::SetSkipString(dir, {}).empty());
        return dir;
    }

    // A symbol with `count` sample quotes, assigned to `profile` (to none when empty).
    int Symbol(const fs::path& dir, const std::string& symbol, int count,
               const std::string& profile = "Daily",
               const store::FieldSet& fields = store::kStandardFields) const {
        const int number = test::AddSymbol(dir, symbol, count, fields);
        profiles::AssignmentBytes bytes{};
        if (!profile.empty() && profiles::EncodeAssignment(profile, bytes)) {
            test::WriteBytes(dir / profiles::AssignmentFileName(number), bytes);
        }
        return number;
    }

    struct Outcome {
        update::UpdateResult result;
        bool started = false;
        std::vector<std::string> messages;
    };

    Outcome Run(const std::vector<fs::path>& portfolios, const settings::ViewSettings& view = {},
                const std::string& currentSymbol = "",
                platform::ProgressSink* progress = nullptr) const {
        std::vector<std::string> list(portfolios.begin(), portfolios.end());
        Recorder messenger;
        platform::ProgressSink quiet;
        update::UpdateRun run(working, list, view, currentSymbol, progress ? *progress : quiet,
                              messenger);
        run.SetClock(kClock);
        const update::UpdateResult result = run.Run();
        return {result, run.Started(), messenger.shown};
    }

    static constexpr std::time_t kClock = 1'700'000'000;
    fs::path root;
    fs::path working = root / "work";
    fs::path updates = root / "upd";
};

// Shortens every lock wait of this process for one test.
class ShortLockWait {
  public:
    explicit ShortLockWait(std::chrono::milliseconds wait) { platform::SetPortfolioLockWait(wait); }
    ~ShortLockWait() { platform::SetPortfolioLockWait(std::chrono::milliseconds(0)); }
};

// Another process holding a directory's lock until it is destroyed.
class LockHolder {
  public:
    explicit LockHolder(const fs::path& directory) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        m_pid = ::fork();
        if (m_pid == 0) {
            platform::DirectoryLock lock;
            const bool held = lock.Acquire(directory, std::chrono::steady_clock::now()) ==
                              platform::DirectoryLock::Result::kAcquired;
            (void)!::write(ready[1], held ? "y" : "n", 1);
            for (;;) {
                ::pause();
            }
        }
        char answer = 0;
        EXPECT_EQ(::read(ready[0], &answer, 1), 1);
        EXPECT_EQ(answer, 'y');
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~LockHolder() {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    pid_t Pid() const { return m_pid; }

  private:
    pid_t m_pid = -1;
};

struct StoredSymbol {
    std::string name;
    std::vector<store::Quote> quotes;
};

// Every MASTER record names a data file whose dates it carries; returns each symbol's quotes.
inline std::map<std::string, StoredSymbol> ConsistentSeries(const fs::path& dir) {
    std::map<std::string, StoredSymbol> found;
    std::vector<store::MasterRecord> records;
    EXPECT_EQ(store::ReadMasterRecordsToEnd(dir, records), store::kSuccess);
    for (const store::MasterRecord& record : records) {
        const std::string symbol = record.SymbolText();
        store::QuoteSeries series;
        EXPECT_EQ(store::AllocSeries(series, 1000), store::kSuccess);
        EXPECT_EQ(store::ReadSeries(series, dir, symbol, 0, -1), store::kSuccess) << symbol;
        EXPECT_EQ(series.count, series.quotesInFile) << symbol;
        std::vector<store::Quote> quotes(series.quotes.begin(),
                                         series.quotes.begin() + std::max(series.count, 0));
        if (!quotes.empty()) {
            EXPECT_EQ(record.FirstDay(), quotes.front().date) << symbol;
            EXPECT_EQ(record.LastDay(), quotes.back().date) << symbol;
        }
        for (std::size_t i = 1; i < quotes.size(); ++i) {
            EXPECT_LT(quotes[i - 1].date, quotes[i].date) << symbol << " quote " << i;
        }
        EXPECT_TRUE(
            found.emplace(symbol, StoredSymbol{record.IssueNameText(), std::move(quotes)}).second)
            << symbol << " twice";
    }
    return found;
}

}  // namespace ticksmith::update_test
