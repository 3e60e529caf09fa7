#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <sstream>

#include "ascii/import.h"
#include "import_support.h"
#include "settings/settings_support.h"
#include "update/update_support.h"

namespace ticksmith::ascii {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

constexpr int kDied = 77;
constexpr int kOldSymbols = 2;
constexpr int kNewSymbols = 6;

// Counts the changes to the disk and ends the process at the chosen one, as a kill would; a
// write that dies leaves half its bytes. Syncs only guard against power loss: counted, skipped.
class KillingFileSystem : public platform::FileSystem {
  public:
    explicit KillingFileSystem(int killAt) : m_killAt(killAt) {}
    int Changes() const { return m_changes; }

    int CreateForWrite(const fs::path& path) override {
        Change();
        return FileSystem::CreateForWrite(path);
    }
    bool Write(int descriptor, const void* data, std::size_t size) override {
        if (m_changes == m_killAt) {
            static_cast<void>(FileSystem::Write(descriptor, data, size / 2));
        }
        Change();
        return FileSystem::Write(descriptor, data, size);
    }
    bool Sync(int) override { return Change(); }
    bool SyncDirectory(const fs::path&) override { return Change(); }
    bool Close(int descriptor) override { return Change() && FileSystem::Close(descriptor); }
    bool Rename(const fs::path& from, const fs::path& to) override {
        return Change() && FileSystem::Rename(from, to);
    }
    bool Remove(const fs::path& path) override { return Change() && FileSystem::Remove(path); }

  private:
    bool Change() {
        if (m_changes++ == m_killAt) {
            ::_exit(kDied);
        }
        return true;
    }
    int m_killAt;
    int m_changes = 0;
};

// A portfolio with two symbols and six histories to add to it; every run starts from a copy.
class ImportCrashTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(m_pristine / "out");
        fs::create_directories(m_pristine / "wd");
        for (int i = 0; i < kOldSymbols; ++i) {
            test::AddSymbol(m_pristine / "out", "OLD" + std::to_string(i), 10 + i);
        }
        for (int i = 0; i < kNewSymbols; ++i) {
            const std::string name = "NEW" + std::to_string(i) + ".txt";
            test::WriteBytes(m_pristine / "wd" / name, History(5 + 40 * i, i));
        }
        Reset();
        m_before = test::Snapshot(m_out);
        // The files each symbol gets from an import that nothing interrupts.
        EXPECT_EQ(Import(), std::vector<ImportOutcome>(kNewSymbols, ImportOutcome::kSucceeded));
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(m_out, records), store::kSuccess);
        for (const store::MasterRecord& record : records) {
            m_files[record.SymbolText()] = SymbolFiles(record);
        }
        EXPECT_EQ(m_files.size(), static_cast<std::size_t>(kOldSymbols + kNewSymbols));
    }

    void Reset() {
        fs::remove_all(m_area);
        fs::copy(m_pristine, m_area, fs::copy_options::recursive);
    }

    std::vector<ImportOutcome> Import() {
        std::vector<ImportForm> forms;
        for (int i = 0; i < kNewSymbols; ++i) {
            ImportForm& form = forms.emplace_back();
            form.inputPath = "NEW" + std::to_string(i) + ".txt";
            form.outputDirectory = m_out.string();
            form.symbol = "NEW" + std::to_string(i);
            form.dateFormat = "MM_DD_CCYY";
        }
        test::RecordingMessenger messenger;
        settings::MemorySettingsStore store;
        return ImportForms(forms, m_area / "wd", kToday, messenger, store);
    }

    std::pair<Bytes, Bytes> SymbolFiles(const store::MasterRecord& record) const {
        return {test::ReadBytes(m_out / store::DataFileName(record.fileNumber)),
                test::ReadBytes(m_out / store::DopFileName(record.fileNumber))};
    }

    // MASTER readable, its old records and their files untouched, and either none of the new
    // symbols or all of them, each with the files an uninterrupted import gives it. Where a
    // disk change failed, `eachAlone`: a symbol may be missing, or in without its quotes.
    // Returns the number of new symbols.
    int Check(bool eachAlone = false) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(m_out, records), store::kSuccess);
        std::map<std::string, int> seen;
        for (const store::MasterRecord& record : records) {
            SCOPED_TRACE(record.SymbolText());
            ++seen[record.SymbolText()];
            const auto files = SymbolFiles(record);
            const auto& want = m_files[record.SymbolText()];
            EXPECT_EQ(files.second, want.second);
            const bool empty =
                files.first.size() == record.recordLength && record.LastDay() == kToday;
            EXPECT_TRUE(files.first == want.first || (eachAlone && empty));
        }
        for (int i = 0; i < kOldSymbols; ++i) {
            const std::string name = "F" + std::to_string(i + 1);
            EXPECT_EQ(test::ReadBytes(m_out / (name + ".DAT")), m_before.at(name + ".DAT"));
        }
        const int added = static_cast<int>(records.size()) - kOldSymbols;
        EXPECT_TRUE(added == 0 || added == kNewSymbols || eachAlone) << added;
        for (const auto& [symbol, count] : seen) {
            EXPECT_EQ(count, 1) << symbol;
        }
        return added;
    }

    update_test::Scratch m_temp;
    fs::path m_pristine = m_temp.path() / "pristine";
    fs::path m_area = m_temp.path() / "area";
    fs::path m_out = m_area / "out";
    std::map<std::string, Bytes> m_before;
    std::map<std::string, std::pair<Bytes, Bytes>> m_files;
};

bool HasTemporaries(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().filename().string().find(".ts") != std::string::npos) {
            return true;
        }
    }
    return false;
}

// A batch killed at any change to the disk leaves the portfolio as it was or with all of its
// symbols whole; running it again finishes the job and leaves no temporary file.
TEST_F(ImportCrashTest, KilledAtAnyChangeTheBatchIsAllOrNothingAndARerunFinishes) {
    Reset();
    KillingFileSystem counter(-1);
    {
        platform::ScopedFileSystem scope(counter);
        EXPECT_EQ(Import(), std::vector<ImportOutcome>(kNewSymbols, ImportOutcome::kSucceeded));
    }
    const int total = counter.Changes();
    int whole = 0;
    for (int killAt = 0; killAt < total && !HasFailure(); ++killAt) {
        SCOPED_TRACE("killed at change " + std::to_string(killAt) + " of " + std::to_string(total));
        Reset();
        const pid_t child = ::fork();
        if (child == 0) {
            KillingFileSystem killing(killAt);
            platform::ScopedFileSystem scope(killing);
            static_cast<void>(Import());
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), kDied);
        whole += Check() == kNewSymbols ? 1 : 0;
        static_cast<void>(Import());
        EXPECT_EQ(Check(), kNewSymbols);
        EXPECT_FALSE(HasTemporaries(m_out));
    }
    // Only the last steps (MASTER.BAK and the syncs after MASTER) come after the commit.
    EXPECT_GT(whole, 0);
    EXPECT_LT(whole, total / 4);
    std::printf("%d of %d kills left every new symbol in\n", whole, total);
}

// A disk that refuses any one change leaves MASTER's records matching their files, the old
// symbols untouched and no temporary file.
TEST_F(ImportCrashTest, FailingDiskLeavesRecordsMatchingTheirFiles) {
    for (int failAt = 0;; ++failAt) {
        SCOPED_TRACE("disk change " + std::to_string(failAt) + " fails");
        ASSERT_LT(failAt, 400);
        Reset();
        test::FailingFileSystem failing(failAt);
        std::vector<ImportOutcome> outcomes;
        {
            platform::ScopedFileSystem scope(failing);
            outcomes = Import();
        }
        const int added = Check(true);
        EXPECT_FALSE(HasTemporaries(m_out));
        // A data file that could not take the quotes leaves its symbol in without them.
        EXPECT_LE(std::count(outcomes.begin(), outcomes.end(), ImportOutcome::kSucceeded), added);
        if (!failing.Failed()) {
            EXPECT_EQ(added, kNewSymbols);
            break;
        }
    }
}

}  // namespace
}  // namespace ticksmith::ascii
