#include "update/undo_update.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <optional>
#include <set>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "store/emaster.h"
#include "store/master.h"
#include "store/quotes.h"
#include "update/audit_log.h"
#include "update/update_journal.h"

namespace ticksmith::update {

namespace {

using Bytes = std::vector<std::uint8_t>;

enum class FileState { kAsLeft, kRestored, kChanged };

std::span<const std::uint8_t> Slice(const Bytes& bytes, std::int64_t from) {
    return std::span<const std::uint8_t>(bytes).subspan(static_cast<std::size_t>(from));
}

fs::path DataPath(const DataFileEntry& entry) {
    return platform::ResolveEntry(entry.portfolio, store::DataFileName(entry.fileNumber));
}

std::int64_t OldTailStart(const DataFileEntry& entry) {
    return entry.oldLength - static_cast<std::int64_t>(entry.oldTail.size());
}

bool StartsWith(const Bytes& bytes, const Bytes& prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

// What the run added to one data file, named by the MASTER it found.
UndoneSeries SeriesOf(const JournalContents& journal, const DataFileEntry& entry) {
    UndoneSeries series;
    series.portfolio = entry.portfolio.string();
    series.fileNumber = entry.fileNumber;
    if (entry.recordLength > 0 && entry.newLength > entry.oldLength) {
        series.quotes = (entry.newLength - entry.oldLength) / entry.recordLength;
    }
    for (const MasterEntry& master : journal.masters) {
        if (master.portfolio != entry.portfolio) {
            continue;
        }
        const Bytes& bytes = master.oldMaster;
        for (std::size_t at = store::kMasterRecordSize;
             at + store::kMasterRecordSize <= bytes.size(); at += store::kMasterRecordSize) {
            const store::MasterRecord record = store::DecodeMasterRecord(bytes.data() + at);
            if (record.fileNumber == entry.fileNumber && !record.IsSubdirectory()) {
                series.symbol = record.SymbolText();
                return series;
            }
        }
    }
    return series;
}

// Exactly what the run left (length and tail), already back to the old state (an entry noted
// for a change that never reached the disk, or an undo stopped half-way), or neither.
FileState DataFileState(const DataFileEntry& entry, Bytes& current) {
    if (!platform::ReadWholeFile(DataPath(entry), current)) {
        return FileState::kChanged;
    }
    const auto size = static_cast<std::int64_t>(current.size());
    if (size == entry.newLength && entry.tailStart <= size &&
        Fnv1a64(Slice(current, entry.tailStart)) == entry.newTailHash) {
        return FileState::kAsLeft;
    }
    const std::int64_t tailStart = OldTailStart(entry);
    if (size == entry.oldLength && tailStart >= 0 && StartsWith(current, entry.oldHeader) &&
        std::equal(entry.oldTail.begin(), entry.oldTail.end(), current.begin() + tailStart)) {
        return FileState::kRestored;
    }
    return FileState::kChanged;
}

// The old header, the records the run kept, the old last record and what followed it.
bool RestoreDataFile(const DataFileEntry& entry, const Bytes& current) {
    const std::int64_t tailStart = OldTailStart(entry);
    const auto header = static_cast<std::int64_t>(entry.oldHeader.size());
    if (tailStart < header || tailStart > static_cast<std::int64_t>(current.size())) {
        return false;
    }
    const std::string name = store::DataFileName(entry.fileNumber);
    platform::ReplacementFile out(entry.portfolio, name,
                                  "F" + std::to_string(entry.fileNumber) + ".~NU");
    // The portfolio's directory is synced once, before its MASTER is replaced.
    out.DeferDirectorySync();
    return out.Open() && out.Write(entry.oldHeader.data(), entry.oldHeader.size()) &&
           out.Write(current.data() + header, static_cast<std::size_t>(tailStart - header)) &&
           out.Write(entry.oldTail.data(), entry.oldTail.size()) && out.Commit();
}

// Gives the records of `fileNumbers` whose symbol is still the one they had the dates they had
// before the run; a symbol added or renamed since keeps its dates. Nothing is written when
// MASTER already holds them.
bool RestoreMasterDates(const MasterEntry& entry, const std::set<int>& fileNumbers, bool& changed) {
    changed = false;
    Bytes master;
    if (!platform::ReadWholeFile(store::MasterPath(entry.portfolio), master) ||
        master.size() < store::kMasterRecordSize ||
        entry.oldMaster.size() < store::kMasterRecordSize) {
        return false;
    }
    const auto records = [](Bytes& bytes) {
        std::vector<std::uint8_t*> found;
        const int count = std::max<int>(platform::ReadI16(bytes.data()), 0);
        for (std::size_t offset = store::kMasterRecordSize;
             static_cast<int>(found.size()) < count &&
             offset + store::kMasterRecordSize <= bytes.size();
             offset += store::kMasterRecordSize) {
            found.push_back(bytes.data() + offset);
        }
        return found;
    };
    Bytes old = entry.oldMaster;
    const std::vector<std::uint8_t*> oldRecords = records(old);
    for (std::uint8_t* at : records(master)) {
        store::MasterRecord record = store::DecodeMasterRecord(at);
        if (fileNumbers.count(record.fileNumber) == 0) {
            continue;
        }
        for (const std::uint8_t* oldAt : oldRecords) {
            const store::MasterRecord before = store::DecodeMasterRecord(oldAt);
            if (before.fileNumber == record.fileNumber && before.symbol == record.symbol) {
                changed = changed || before.firstDate != record.firstDate ||
                          before.lastDate != record.lastDate;
                record.firstDate = before.firstDate;
                record.lastDate = before.lastDate;
                store::EncodeMasterRecord(record, at);
                break;
            }
        }
    }
    return !changed || platform::ReplaceFileContents(entry.portfolio, store::kMasterName,
                                                     "MASTER.~NU", master.data(), master.size());
}

enum class MovedState { kToPutBack, kBack, kTaken, kGone };

MovedState MovedFileState(const MovedFileEntry& entry, const fs::path& stored) {
    const bool there = platform::IsRegularFile(stored);
    const bool original = fs::exists(fs::symlink_status(entry.original));
    if (!there) {
        return original ? MovedState::kBack : MovedState::kGone;
    }
    if (!original) {
        return MovedState::kToPutBack;
    }
    // Copied but not yet removed by a move that stopped: the file is where it was.
    Bytes kept, now;
    return platform::ReadWholeFile(stored, kept) && platform::ReadWholeFile(entry.original, now) &&
                   kept == now
               ? MovedState::kBack
               : MovedState::kTaken;
}

std::string ListText(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += "\n  " + name;
    }
    return text;
}

std::vector<fs::path> Portfolios(const JournalContents& journal) {
    std::vector<fs::path> portfolios;
    const auto add = [&](const fs::path& portfolio) {
        if (std::find(portfolios.begin(), portfolios.end(), portfolio) == portfolios.end()) {
            portfolios.push_back(portfolio);
        }
    };
    for (const DataFileEntry& entry : journal.dataFiles) {
        add(entry.portfolio);
    }
    for (const MasterEntry& entry : journal.masters) {
        add(entry.portfolio);
    }
    return portfolios;
}

}  // namespace

UndoResult UndoLastUpdate(const fs::path& workingDirectory, const UndoOptions& options,
                          platform::Messenger& messenger) {
    UndoResult result;
    result.dryRun = options.dryRun;
    std::string error;
    std::optional<JournalContents> journal = ReadJournal(workingDirectory, error);
    const auto notStarted = [&](const std::string& why) {
        messenger.Show(why + "\nNothing was undone.");
        return result;
    };
    if (!error.empty()) {
        return notStarted("The last update run cannot be undone: " + error + ".");
    }
    // The run's portfolios and the working directory, as the run held them.
    std::vector<fs::path> directories;
    if (journal) {
        for (const fs::path& portfolio : Portfolios(*journal)) {
            if (platform::IsDirectory(portfolio)) {
                directories.push_back(portfolio);
            }
        }
    }
    directories.push_back(workingDirectory);
    std::optional<platform::PortfolioLocks> locks =
        platform::LockPortfolios(directories, "Undo Last Update", messenger);
    if (!locks) {
        return result;
    }
    // A run may have finished while this waited for its locks.
    std::optional<JournalContents> locked = ReadJournal(workingDirectory, error);
    if (!error.empty()) {
        return notStarted("The last update run cannot be undone: " + error + ".");
    }
    if (locked && (!journal || locked->runId != journal->runId)) {
        return notStarted("Another update run finished meanwhile; undo again to undo that one.");
    }
    if (!locked || locked->undone || (locked->dataFiles.empty() && locked->movedFiles.empty())) {
        result.outcome = UndoResult::Outcome::kNothingToUndo;
        messenger.Show("There is no update run to undo.");
        return result;
    }
    journal = std::move(locked);

    // Check everything before changing anything.
    std::vector<std::pair<const DataFileEntry*, Bytes>> toRestore;
    std::map<std::string, std::set<int>> undoneNumbers;  // by portfolio: restored or to be
    for (const DataFileEntry& entry : journal->dataFiles) {
        Bytes current;
        switch (DataFileState(entry, current)) {
            case FileState::kAsLeft:
                toRestore.emplace_back(&entry, std::move(current));
                [[fallthrough]];
            case FileState::kRestored:
                undoneNumbers[entry.portfolio.string()].insert(entry.fileNumber);
                break;
            case FileState::kChanged:
                result.changed.push_back(DataPath(entry).string());
                break;
        }
    }
    const fs::path moved =
        platform::ResolveEntry(LasttimeDirectory(workingDirectory), kMovedFilesDirectory);
    std::vector<const MovedFileEntry*> toPutBack;
    for (const MovedFileEntry& entry : journal->movedFiles) {
        switch (MovedFileState(entry, moved / entry.storedName)) {
            case MovedState::kToPutBack:
                toPutBack.push_back(&entry);
                break;
            case MovedState::kBack:
                break;
            case MovedState::kTaken:
                result.changed.push_back(entry.original.string());
                break;
            case MovedState::kGone:
                result.missing.push_back(entry.original.string());
                break;
        }
    }
    for (const auto& [entry, current] : toRestore) {
        result.restored.push_back(DataPath(*entry).string());
        result.series.push_back(SeriesOf(*journal, *entry));
    }
    for (const MasterEntry& entry : journal->masters) {
        if (undoneNumbers.count(entry.portfolio.string()) != 0) {
            result.masters.push_back(store::MasterPath(entry.portfolio).string());
        }
    }
    for (const MovedFileEntry* entry : toPutBack) {
        result.putBack.push_back(entry->original.string());
    }
    if (!result.changed.empty() && !options.force) {
        result.outcome = UndoResult::Outcome::kRefused;
        messenger.Show("These files changed since the last update run:" + ListText(result.changed) +
                       "\nNothing was undone. Undo only the unchanged files to keep these as "
                       "they are.");
        return result;
    }
    if (options.dryRun) {
        result.outcome = UndoResult::Outcome::kUndone;
        return result;
    }

    // Data files first, then MASTER, so that MASTER never names quotes its files lack.
    std::set<std::string> failedPortfolios;
    for (const auto& [entry, current] : toRestore) {
        errno = 0;
        if (!RestoreDataFile(*entry, current)) {
            result.failures.push_back(DataPath(*entry).string() + " could not be restored" +
                                      platform::LastErrorText());
            failedPortfolios.insert(entry->portfolio.string());
        }
    }
    for (const MasterEntry& entry : journal->masters) {
        const std::string portfolio = entry.portfolio.string();
        const auto numbers = undoneNumbers.find(portfolio);
        if (numbers == undoneNumbers.end() || failedPortfolios.count(portfolio) != 0) {
            continue;
        }
        const std::string masterPath = store::MasterPath(entry.portfolio).string();
        bool changed = false;
        errno = 0;
        if (!platform::CurrentFileSystem().SyncDirectory(entry.portfolio)) {
            result.failures.push_back(portfolio + " could not be flushed to disk" +
                                      platform::LastErrorText());
        } else if (!RestoreMasterDates(entry, numbers->second, changed)) {
            result.failures.push_back(masterPath + " could not be restored" +
                                      platform::LastErrorText());
        } else if (const store::Status status = store::SyncEmaster(entry.portfolio);
                   status != store::kSuccess) {
            result.failures.push_back(
                store::StatusReport(status, store::EmasterPath(entry.portfolio).string()));
        }
    }
    for (const MovedFileEntry* entry : toPutBack) {
        errno = 0;
        if (!MoveFile(moved / entry->storedName, entry->original.parent_path(),
                      entry->original.filename().string())) {
            result.failures.push_back(entry->original.string() + " could not be put back" +
                                      platform::LastErrorText());
        }
    }
    std::string line = "Undo of the last update run: " + std::to_string(result.restored.size()) +
                       " data files restored, " + std::to_string(result.masters.size()) +
                       " MASTER files restored, " + std::to_string(result.putBack.size()) +
                       " update files put back";
    if (!result.changed.empty()) {
        line += ", " + std::to_string(result.changed.size()) + " changed since and kept";
    }
    if (!result.failures.empty()) {
        line += ", " + std::to_string(result.failures.size()) + " not restored";
    }
    if (!AppendAuditLine(workingDirectory, AuditName(line))) {
        result.failures.push_back(
            platform::ResolveEntry(workingDirectory, kAuditFileName).string() +
            " could not be written");
    }
    if (result.failures.empty() && !MarkJournalUndone(workingDirectory, journal->runId)) {
        result.failures.push_back(
            platform::ResolveEntry(LasttimeDirectory(workingDirectory), kJournalHeadName).string() +
            " could not be written");
    }
    if (!result.failures.empty()) {
        result.outcome = UndoResult::Outcome::kFailed;
        messenger.Show("The last update run was not undone completely:" +
                       ListText(result.failures) + "\nUndo again to finish it.");
        return result;
    }
    result.outcome = UndoResult::Outcome::kUndone;
    return result;
}

}  // namespace ticksmith::update
