#include "update/update_run.h"

#include <algorithm>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "portfolio/skip_list.h"
#include "store/emaster.h"
#include "store/quotes.h"
#include "update/update_line.h"

namespace ticksmith::update {

namespace {

// Two runs in one process would write the same files; the second is refused at once.
std::atomic<bool> g_runActive{false};

class ActiveRunFlag {
  public:
    ActiveRunFlag() : m_owner(!g_runActive.exchange(true)) {}
    ~ActiveRunFlag() {
        if (m_owner) {
            g_runActive = false;
        }
    }
    ActiveRunFlag(const ActiveRunFlag&) = delete;
    ActiveRunFlag& operator=(const ActiveRunFlag&) = delete;
    bool Owner() const { return m_owner; }

  private:
    bool m_owner;
};

// The index is kept by directory too, so the columns alone tell profiles apart; a directory too
// long for the profile file's field then cannot make two profiles share a key.
// MASTER.~OL, the run's copy of MASTER: best effort, since the next run writes it anew.
void RemoveScratchCopy(const fs::path& copy) {
    static_cast<void>(platform::CurrentFileSystem().Remove(copy));
}

std::string ProfileKey(const profiles::Profile& profile) {
    profiles::Profile columns = profile;
    columns.updateDirectory.clear();
    profiles::ProfileBytes bytes{};
    return profiles::EncodeProfile(columns, bytes) ? std::string(bytes.begin(), bytes.end())
                                                   : std::string();
}

store::FloatBytes FieldAt(const std::uint8_t* record, int position) {
    const std::uint8_t* at = record + 4 * (position - 1);
    return {at[0], at[1], at[2], at[3]};
}

}  // namespace

UpdateRun::UpdateRun(fs::path workingDirectory, std::vector<std::string> portfolios,
                     const settings::ViewSettings& settings, std::string currentSymbolText,
                     platform::ProgressSink& progress, platform::Messenger& messenger)
    : m_workingDirectory(std::move(workingDirectory)),
      m_portfolios(std::move(portfolios)),
      m_settings(settings),
      m_currentSymbolText(std::move(currentSymbolText)),
      m_progress(progress),
      m_messenger(messenger) {}

UpdateRun::~UpdateRun() {
    // The symbols a stopped run did not reach still need these files.
    if (!m_stopLine.empty()) {
        return;
    }
    // Clean-up the settings ask for, best effort: a file that stays is read again by the next
    // run, which finds its quotes already stored.
    // Moved aside rather than deleted, so that an undo of the run can put them back.
    // Files the run unpacked are deleted: the archive put back holds them.
    std::vector<fs::path> removed;
    const auto removeAll = [&](const std::vector<fs::path>& files) {
        for (const fs::path& file : files) {
            if (m_unpackedFiles.count(file) != 0) {
                static_cast<void>(platform::CurrentFileSystem().Remove(file));
            } else {
                removed.push_back(file);
            }
        }
    };
    if (m_settings.sexEnable && m_settings.deleteSex) {
        removeAll(m_archives[static_cast<int>(ArchiveKind::kSelfExtracting)].expanded);
    }
    if (m_settings.zipEnable && m_settings.deleteZip) {
        removeAll(m_archives[static_cast<int>(ArchiveKind::kZip)].expanded);
    }
    if (m_settings.deleteTxt) {
        for (const fs::path& file : m_usedFiles) {
            // A file whose quote could not be written still holds it for the next run.
            if (std::find(m_keptFiles.begin(), m_keptFiles.end(), file) == m_keptFiles.end()) {
                removeAll({file});
            }
        }
    }
    m_journal.MoveAside(removed);
}

UpdateResult UpdateRun::Run() {
    m_quotesUpdated = 0;
    m_problemFlags = 0;
    m_portfolioFailed = false;
    m_portfolioProblems.clear();
    ActiveRunFlag active;
    if (!active.Owner()) {
        m_messenger.Show("Update Quotes is already running. Wait until it has finished.");
        return {};
    }
    // Each directory is locked once, however many entries name it; one that cannot be opened
    // is not locked here and fails on its own when its turn comes.
    std::vector<fs::path> directories;
    for (const std::string& portfolio : m_portfolios) {
        if (platform::IsDirectory(portfolio)) {
            directories.emplace_back(portfolio);
        }
    }
    // The working directory too: two runs of different portfolios share AUDIT.TXT and Lasttime.
    if (platform::IsDirectory(m_workingDirectory)) {
        directories.push_back(m_workingDirectory);
    }
    platform::PortfolioLocks locks;
    // A wait for another writer shows in the progress texts, and a stop ends it.
    std::string waitText;
    const auto waiting = [&](const platform::PortfolioLocks::Failure& heldBy) {
        if (std::string text = platform::LockWaitText(heldBy); text != waitText) {
            waitText = text;
            m_progress.SetText(kFileText, std::move(text));
        }
        return !m_progress.CancelRequested();
    };
    if (const auto failure = locks.Acquire(std::move(directories), "Update Quotes", waiting)) {
        if (m_progress.CancelRequested() && !failure->holder.empty()) {
            m_messenger.Show(
                platform::FormatMessage("Update Quotes was stopped while it waited for %s to "
                                        "finish with %s; nothing was changed.",
                                        {failure->holder, failure->directory.string()}));
            UpdateResult result;
            result.stopped = true;
            return result;
        }
        m_messenger.Show(platform::LockFailureText(*failure) + "\nUpdate Quotes did not start.");
        return {};
    }
    if (!m_audit.Open(m_workingDirectory)) {
        m_messenger.Show(platform::FormatMessage(
            "Could not create %s.\nUpdate Quotes did not start; nothing was changed.",
            {(m_workingDirectory / kAuditFileName).string()}));
        return {};
    }
    if (!m_journal.Begin(m_workingDirectory)) {
        m_messenger.Show(platform::FormatMessage(
            "Could not write the undo journal in %s.\nUpdate Quotes did not start; nothing was "
            "changed.",
            {LasttimeDirectory(m_workingDirectory).string()}));
        return {};
    }
    m_started = true;
    m_audit.RunHeader(m_now.value_or(std::time(nullptr)));
    std::vector<std::string> texts(kUpdateTextCount);
    texts[kTotalText] = "0  ";
    m_progress.SetTexts(std::move(texts));
    for (std::size_t i = 0; i < m_portfolios.size() && m_stopLine.empty(); ++i) {
        m_portfoliosLeft = m_portfolios.size() - i - 1;
        if (!StopsBefore(m_portfolios[i], {})) {
            UpdatePortfolio(m_portfolios[i]);
        }
    }
    // Last, after the symbols of the portfolio it names, so that the path in it cannot become
    // the Anomaly Report's portfolio for their lines. An ERROR line, so that the report lists
    // it: the symbols it did not reach have no line of their own.
    m_audit.Write(m_stopLine);
    if (!m_journal.Finish()) {
        m_messenger.Show("The undo journal could not be written; this run cannot be undone.");
        m_portfolioFailed = true;
    }
    if (!m_audit.Close()) {
        m_messenger.Show(platform::FormatMessage("Could not write %s.", {m_audit.Path().string()}));
        m_portfolioFailed = true;
    }
    if (m_quotesUpdated != 0) {
        if (!platform::CopyToBackup(m_audit.Path(),
                                    m_workingDirectory / settings::kLasttimeDirectory,
                                    kAuditFileName)) {
            m_messenger.Show(platform::FormatMessage(
                "Could not copy %s to %s.",
                {m_audit.Path().string(),
                 (m_workingDirectory / settings::kLasttimeDirectory).string()}));
        }
        if (m_settings.newSymbols) {
            WriteLasttimeList();
        }
    }
    UpdateResult result;
    result.started = true;
    result.quotesAdded = m_quotesUpdated;
    result.quoteAddFailed = (m_problemFlags & kQuoteAddFailed) != 0;
    result.selfExtractFailed = (m_problemFlags & kSelfExtractFailed) != 0;
    result.currentSymbolUpdated = (m_problemFlags & kCurrentSymbolUpdated) != 0;
    result.archiveFailed = std::any_of(m_archives.begin(), m_archives.end(),
                                       [](const ArchiveState& state) { return state.failed; });
    result.portfolioFailed = m_portfolioFailed;
    result.portfolioProblems = m_portfolioProblems;
    result.stopped = !m_stopLine.empty();
    return result;
}

bool UpdateRun::StopsBefore(const std::string& portfolioDirectory, const std::string& symbol) {
    if (!m_progress.CancelRequested()) {
        return false;
    }
    std::string line = "ERROR: Update Quotes was stopped before it reached ";
    line += symbol.empty() ? "the portfolio " + AuditName(portfolioDirectory)
                           : symbol + " in " + AuditName(portfolioDirectory);
    if (m_portfoliosLeft > 0) {
        line += "; " + std::to_string(m_portfoliosLeft) +
                (m_portfoliosLeft == 1 ? " more portfolio was" : " more portfolios were") +
                " not started";
    }
    m_stopLine = line + ".\n";
    return true;
}

void UpdateRun::UpdatePortfolio(const std::string& portfolioDirectory) {
    m_portfolioChanged = false;
    m_progress.SetText(kPortfolioText, " " + portfolioDirectory);
    m_audit.PortfolioHeader(portfolioDirectory);
    const fs::path directory(portfolioDirectory);
    const auto failed = [&](std::string_view why) {
        m_audit.Write("ERROR: Portfolio not updated, " + std::string(why) + ": " +
                      portfolioDirectory + "\n");
        m_messenger.Show(platform::FormatMessage("The portfolio %s was not updated: %s.",
                                                 {portfolioDirectory, why}));
        m_portfolioFailed = true;
        m_portfolioProblems.push_back(portfolioDirectory + ": " + std::string(why));
    };
    // The run reads a copy, so that MASTER itself is only ever replaced whole.
    const fs::path oldCopy = directory / "MASTER.~OL";
    std::vector<std::uint8_t> master;
    // Why the copy could not be made and read: which file, and the system's reason.
    const auto copyMaster = [&]() -> std::string {
        const fs::path masterPath = store::MasterPath(directory);
        errno = 0;
        if (!platform::CopyToBackup(masterPath, directory, oldCopy.filename().string(), true)) {
            const std::string why = platform::LastErrorText();
            if (std::string unreadable = store::DescribeMasterFailure(directory);
                !unreadable.empty()) {
                return unreadable;
            }
            return oldCopy.filename().string() + " could not be created" + why;
        }
        errno = 0;
        if (!platform::ReadWholeFile(oldCopy, master)) {
            return oldCopy.filename().string() + " could not be read" + platform::LastErrorText();
        }
        if (master.size() < store::kMasterRecordSize) {
            return masterPath.filename().string() + " is shorter than its header";
        }
        return {};
    };
    if (const std::string reason = copyMaster(); !reason.empty()) {
        RemoveScratchCopy(oldCopy);
        failed("its index could not be read or copied (" + reason + ")");
        return;
    }
    platform::ReplacementFile newMaster(directory, store::kMasterName, "MASTER.~NU");
    errno = 0;
    if (!newMaster.Open()) {
        RemoveScratchCopy(oldCopy);
        failed("a new index could not be created (MASTER.~NU" + platform::LastErrorText() + ")");
        return;
    }
    const portfolio::SkipList skip = portfolio::GetSkipString(directory, m_messenger);
    const int count = std::max<int>(platform::ReadI16(master.data()), 0);
    std::vector<store::MasterRecord> records;
    for (std::size_t offset = store::kMasterRecordSize;
         static_cast<int>(records.size()) < count &&
         offset + store::kMasterRecordSize <= master.size();
         offset += store::kMasterRecordSize) {
        records.push_back(store::DecodeMasterRecord(master.data() + offset));
    }
    std::vector<SymbolOutcome> outcomes(records.size(), SymbolOutcome::kSkipped);
    m_pending.clear();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const store::MasterRecord& record = records[i];
        if (portfolio::IsSkipped(skip, record.fileNumber) || skip.size() <= record.fileNumber) {
            m_messenger.Show("skip");
        } else if (StopsBefore(portfolioDirectory, UpdateSymbolText(record.symbol))) {
            break;  // what was prepared is committed below, as at the portfolio's end
        } else {
            outcomes[i] = UpdateSymbol(portfolioDirectory, records[i], i);
        }
    }
    CommitData(records, outcomes);
    AuditSymbols(portfolioDirectory, records, outcomes);
    for (std::size_t i = 0; i < records.size(); ++i) {
        store::EncodeMasterRecord(records[i], master.data() + store::kMasterRecordSize * (i + 1));
    }
    if (m_portfolioChanged) {
        // The data files' renames reach the disk before MASTER names their new dates; a data
        // file already ahead of MASTER gets no second copy, so the next run sets the dates.
        if (!platform::CurrentFileSystem().SyncDirectory(directory)) {
            newMaster.Abandon();
            failed("its data files could not be flushed to disk; the next run sets its dates");
        } else if (!m_journal.NoteMaster(directory) || !m_journal.MakeDurable()) {
            newMaster.Abandon();
            failed("the undo journal could not be written; the next run sets its dates");
        } else if (!newMaster.Write(master.data(), master.size()) || !newMaster.Commit()) {
            failed("its index could not be replaced; the next run sets its dates");
        } else if (const store::Status status = store::SyncEmaster(directory);
                   status != store::kSuccess) {
            // The quotes and MASTER stand; only the other programs' index lags behind.
            const std::string why =
                store::StatusReport(status, store::EmasterPath(directory).string());
            m_audit.Write("ERROR: EMASTER not brought in step with MASTER (" + why +
                          "): " + portfolioDirectory + "\n");
            m_messenger.Show(platform::FormatMessage(
                "The portfolio %s was updated, but its EMASTER could not be brought in step: %s.",
                {portfolioDirectory, why}));
            m_portfolioFailed = true;
            m_portfolioProblems.push_back(
                portfolioDirectory + ": its EMASTER could not be brought in step (" + why + ")");
        }
    } else {
        newMaster.Abandon();
    }
    RemoveScratchCopy(oldCopy);
}

UpdateRun::SymbolOutcome UpdateRun::UpdateSymbol(const std::string& portfolioDirectory,
                                                 store::MasterRecord& record,
                                                 std::size_t recordIndex) {
    const std::string symbol = UpdateSymbolText(record.symbol);
    m_progress.SetText(kSymbolText, " " + symbol, false);
    const std::optional<std::string> profileName =
        profiles::ReadAssignment(portfolioDirectory, record.fileNumber);
    profiles::Profile profile;
    if (!profileName || !profiles::LoadProfileQuietly(m_workingDirectory, *profileName, profile)) {
        return SymbolOutcome::kNoQuote;
    }
    const fs::path updateDirectory = profiles::UpdateDirectoryOf(profile, m_workingDirectory);
    ExpandArchives(updateDirectory);
    const UpdateDirectoryIndex& index = IndexFor(updateDirectory, profile);
    if (!index.HasCandidates()) {
        return SymbolOutcome::kNoQuote;
    }
    std::vector<UpdateDirectoryIndex::Match> matches;
    if (m_settings.catchUp) {
        matches = index.FindAllNewer(symbol, record.LastDay());
    } else if (auto match = index.FindNewer(symbol, record.LastDay())) {
        matches.push_back(*match);
    }
    const fs::path& shown = matches.empty() ? index.Files().back() : *matches.back().file;
    m_progress.SetText(kFileText, " " + shown.filename().string());
    if (matches.empty()) {
        return SymbolOutcome::kNoQuote;
    }
    for (const UpdateDirectoryIndex::Match& match : matches) {
        NoteUsedFile(*match.file);
    }
    return PrepareQuotes(portfolioDirectory, record, recordIndex, symbol, profile, index,
                         std::move(matches));
}

void UpdateRun::ExpandArchives(const fs::path& directory) {
    ExpandKind(ArchiveKind::kSelfExtracting, directory);
    ExpandKind(ArchiveKind::kZip, directory);
}

void UpdateRun::ExpandKind(ArchiveKind kind, const fs::path& directory) {
    const bool selfExtracting = kind == ArchiveKind::kSelfExtracting;
    if (!(selfExtracting ? m_settings.sexEnable : m_settings.zipEnable)) {
        return;
    }
    const std::string_view extension = selfExtracting ? ".EXE" : ".ZIP";
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(directory)) {
        const std::string& name = entry.name;
        if (entry.isDirectory || !platform::HasExtension(name, extension)) {
            continue;
        }
        if (ExpandOne(kind, directory, name) == ArchiveResult::kFailed) {
            m_archives[static_cast<int>(kind)].failed = true;
            m_audit.ArchiveFailed(selfExtracting ? "Self-Extract" : "De-Compress", name);
        }
    }
}

fs::path UpdateRun::ArchiverProgram() const {
    return ArchiverProgramIn(m_settings.pkunzipPath);
}

std::vector<std::string> UpdateRun::ArchiverArguments(ArchiveKind kind,
                                                      const std::string& name) const {
    std::vector<std::string> arguments = {platform::ToUpperAscii(name), "-o"};
    const bool selfExtracting = kind == ArchiveKind::kSelfExtracting;
    if (selfExtracting ? m_settings.sexPasswordEnable : m_settings.zipPasswordEnable) {
        arguments.push_back("-s" +
                            (selfExtracting ? m_settings.sexPassword : m_settings.zipPassword));
    }
    return arguments;
}

std::int64_t UpdateRun::ExtractionBudget(const fs::path& directory) {
    const auto [found, first] = m_directoryBudgets.try_emplace(directory.string());
    DirectoryBudget& budget = found->second;
    if (first) {
        std::int64_t archiveBytes = 0;
        for (const platform::DirectoryEntry& entry : platform::ListDirectory(directory)) {
            if (entry.isFile &&
                ((m_settings.zipEnable && platform::HasExtension(entry.name, ".ZIP")) ||
                 (m_settings.sexEnable && platform::HasExtension(entry.name, ".EXE")))) {
                archiveBytes +=
                    std::max<std::int64_t>(platform::InputFile(directory / entry.name).Size(), 0);
            }
        }
        budget.allowance = m_extractionLimits.AllowanceFor(archiveBytes);
    }
    return std::max<std::int64_t>(
        std::min(m_extractionLimits.totalBytes - m_extractedBytes, budget.allowance - budget.used),
        0);
}

ArchiveResult UpdateRun::ExpandOne(ArchiveKind kind, const fs::path& directory,
                                   const std::string& name) {
    const bool selfExtracting = kind == ArchiveKind::kSelfExtracting;
    ArchiveState& state = m_archives[static_cast<int>(kind)];
    if (!(selfExtracting ? m_settings.sexEnable : m_settings.zipEnable)) {
        return ArchiveResult::kKindOff;
    }
    if (state.failed) {
        return ArchiveResult::kNotTried;
    }
    const std::string shownName = name.substr(0, name.size() >= 4 ? name.size() - 4 : 0);
    const fs::path path = directory / name;
    // Logged in upper case; the file itself keeps its spelling.
    const std::string upperPath = platform::ToUpperAscii(path.string());
    if (std::find(state.seen.begin(), state.seen.end(), upperPath) != state.seen.end()) {
        return ArchiveResult::kNothingToDo;
    }
    state.seen.push_back(upperPath);
    if (!platform::InputFile(path).IsOpen()) {
        return ArchiveResult::kNothingToDo;
    }
    const fs::path program = ArchiverProgram();
    std::vector<std::string> arguments = ArchiverArguments(kind, name);
    arguments.push_back(std::string(kBudgetOption) + std::to_string(ExtractionBudget(directory)));
    std::string commandLine = program.string();
    for (const std::string& argument : arguments) {
        commandLine += " " + argument;
    }
    m_progress.SetText(kFileText, "", false);
    m_progress.SetText(kArchiveNameText, " " + shownName, false);
    m_progress.SetText(kArchiveLabelText,
                       selfExtracting ? "Self-Extracting File:" : "De-Compressing File:");
    const std::vector<platform::DirectoryEntry> present = platform::ListDirectory(directory);
    platform::ChildProcess child;
    if (!child.Start(program, arguments, directory)) {
        m_messenger.Show(
            platform::FormatMessage(selfExtracting ? "CreateProcess failed while trying to "
                                                     "Self-Extract based on this command line\n\n%s"
                                                   : "CreateProcess failed while trying to "
                                                     "De-Compress based on this command line\n\n%s",
                                    {commandLine}));
        if (selfExtracting) {
            m_problemFlags |= kSelfExtractFailed;
        }
        m_progress.SetText(kArchiveNameText, "");
        return ArchiveResult::kFailed;
    }
    const auto started = std::chrono::steady_clock::now();
    const std::optional<int> exitCode = child.Wait(m_archiverTimeLimit);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    // Our archiver says by its exit code whether it unpacked everything, and on its last line
    // how much; an archive it refused must not count as unpacked, or the clean-up would
    // delete it.
    const std::optional<std::int64_t> unpacked =
        exitCode == 0 ? ReadUnpackedReport(platform::LastLine(child.Output())) : std::nullopt;
    if (unpacked) {
        m_extractedBytes += *unpacked;
        m_directoryBudgets[directory.string()].used += *unpacked;
        m_audit.ArchiveExpanded(selfExtracting ? "Self-Extract" : "De-Compress", upperPath,
                                elapsed);
        state.expanded.push_back(path);
        NoteUnpacked(directory, present);
        m_progress.SetText(kArchiveNameText, " " + shownName + " DONE");
        return ArchiveResult::kExpanded;
    }
    // A killed archiver could not tidy up after itself.
    const fs::path scratch = directory / ScratchDirectoryName(child.Id());
    const bool tidied = RemoveScratchDirectory(scratch);
    std::string reason = platform::LastLine(child.Errors());
    if (!exitCode) {
        reason = elapsed >= m_archiverTimeLimit.count()
                     ? "It did not finish within " + std::to_string(m_archiverTimeLimit.count()) +
                           " milliseconds and was stopped."
                     : "It was stopped before it finished.";
    } else if (*exitCode == 0) {
        reason = "The archiver did not say how much it unpacked.";
    } else if (reason.empty()) {
        reason = "The archiver ended with code " + std::to_string(*exitCode) + ".";
    }
    if (!tidied) {
        reason += "\n" + scratch.string() + " could not be removed.";
    }
    m_messenger.Show(platform::FormatMessage(selfExtracting
                                                 ? "Self-Extract failed for file\n\n%s\n\n%s"
                                                 : "De-Compress failed for file\n\n%s\n\n%s",
                                             {path.string(), reason}));
    m_progress.SetText(kArchiveNameText, "");
    return ArchiveResult::kFailed;
}

const UpdateDirectoryIndex& UpdateRun::IndexFor(const fs::path& directory,
                                                const profiles::Profile& profile) {
    auto& index = m_indexes[{directory.string(), ProfileKey(profile)}];
    if (!index) {
        index = std::make_unique<UpdateDirectoryIndex>(directory, profile);
    }
    return *index;
}

void UpdateRun::SetTotalText() {
    m_progress.SetText(kTotalText, std::to_string(m_quotesUpdated) + "  ");
}

void UpdateRun::NoteUnpacked(const fs::path& directory,
                             const std::vector<platform::DirectoryEntry>& before) {
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(directory)) {
        if (std::none_of(before.begin(), before.end(), [&](const platform::DirectoryEntry& old) {
                return old.name == entry.name;
            })) {
            m_unpackedFiles.insert(directory / entry.name);
        }
    }
}

void UpdateRun::NoteUsedFile(const fs::path& file) {
    const auto found = std::find(m_usedFiles.begin(), m_usedFiles.end(), file);
    if (found != m_usedFiles.end()) {
        m_usedFiles.erase(found);
    }
    m_usedFiles.insert(m_usedFiles.begin(), file);
}

void UpdateRun::QuoteFailed(const std::string& symbol, const fs::path& dataPath,
                            const std::vector<UpdateDirectoryIndex::Match>& matches,
                            const std::string& reason, bool show) {
    m_problemFlags |= kQuoteAddFailed;
    // Their files still hold the quotes for the next run.
    for (const UpdateDirectoryIndex::Match& match : matches) {
        m_keptFiles.push_back(*match.file);
    }
    const std::string what =
        platform::FormatMessage(matches.size() == 1 ? "The quote of %s was not added to %s: %s."
                                                    : "The quotes of %s were not added to %s: %s.",
                                {symbol, dataPath.string(), reason});
    // The symbol's own line only says that it got nothing; the Anomaly Report lists this one.
    m_audit.Write("ERROR: " + AuditName(what) + "\n");
    if (show) {
        m_messenger.Show("AddOneQuote failure\n\n" + what);
    }
}

UpdateRun::SymbolOutcome UpdateRun::PrepareQuotes(
    const std::string& portfolioDirectory, store::MasterRecord& record, std::size_t recordIndex,
    const std::string& symbol, const profiles::Profile& profile, const UpdateDirectoryIndex& index,
    std::vector<UpdateDirectoryIndex::Match> matches) {
    const fs::path directory(portfolioDirectory);
    const int fileNumber = record.fileNumber;
    const int length = record.recordLength;
    const std::string dataName = store::DataFileName(fileNumber);
    const fs::path dataPath = platform::ResolveEntry(directory, dataName);
    const auto fail = [&](const std::string& reason) {
        QuoteFailed(symbol, dataPath, matches, reason);
        return SymbolOutcome::kFailed;
    };
    store::FieldLayout layout;
    if (store::ReadFieldLayout(directory, fileNumber, length, layout, record.period) !=
        store::kSuccess) {
        return fail(store::UnknownLayoutReason(fileNumber, length));
    }
    if (store::HoldsIntraday(layout)) {
        // Passed over like a skipped symbol; its update files keep the lines for another program.
        for (const UpdateDirectoryIndex::Match& match : matches) {
            m_keptFiles.push_back(*match.file);
        }
        m_audit.Write(
            "ERROR: " + AuditName(store::IntradayRefusal(symbol) + " (" + dataPath.string() + ")") +
            "\n");
        return SymbolOutcome::kSkipped;
    }
    std::vector<std::uint8_t> data;
    errno = 0;
    if (!platform::ReadWholeFile(dataPath, data)) {
        return fail("it could not be read" + platform::LastErrorText());
    }
    const auto recordSize = static_cast<std::size_t>(length);
    if (data.size() < std::max<std::size_t>(recordSize, 4)) {
        return fail("it is shorter than its header");
    }
    // Every whole record counts, also those beyond a header count that other programs left
    // too low; the new header counts them all.
    const auto quotes = static_cast<std::size_t>(
        store::WholeRecordQuotes(static_cast<std::int64_t>(data.size()), length));
    const auto recordAt = [&](std::size_t number) { return data.data() + recordSize * number; };
    // A run stopped between a data file and its MASTER leaves the data file ahead: MASTER
    // takes both dates from the data file, and only lines newer than its last quote count, so
    // a stale line already stored never ends the search.
    bool datesTaken = false;
    if (quotes > 0 && layout.Has(store::kDate)) {
        const store::DayNumber dataLast = store::DecodeQuote(recordAt(quotes), layout, length).date;
        if (dataLast > record.LastDay()) {
            const int datePosition = layout.position[store::kDate];
            record.firstDate = FieldAt(recordAt(1), datePosition);
            record.lastDate = FieldAt(recordAt(quotes), datePosition);
            m_portfolioChanged = true;
            datesTaken = true;
            std::erase_if(matches, [&](const UpdateDirectoryIndex::Match& match) {
                return match.quote.date <= dataLast;
            });
            if (!m_settings.catchUp) {
                if (auto match = index.FindNewer(symbol, dataLast)) {
                    NoteUsedFile(*match->file);
                    matches = {*match};
                }
            }
            if (matches.empty()) {
                return SymbolOutcome::kDatesTaken;
            }
        }
    }
    if (quotes + matches.size() > static_cast<std::size_t>(store::kMaxQuotesInFile)) {
        return fail("it holds " + std::to_string(quotes) + " quotes; " +
                    std::to_string(matches.size()) +
                    " more would pass the most its header can count");
    }
    const std::string temporaryName = "F" + std::to_string(fileNumber) + ".~NU";
    errno = 0;
    platform::ReplacementFile* out = m_dataFiles.Add(directory, dataName, temporaryName);
    if (out == nullptr) {
        return fail(temporaryName + " could not be created" + platform::LastErrorText());
    }
    std::vector<std::uint8_t> header(recordAt(0), recordAt(1));
    platform::WriteU16(header.data() + 2, static_cast<std::uint16_t>(quotes + matches.size() + 1));
    errno = 0;
    bool written = out->Write(header.data(), header.size());
    if (quotes > 1) {
        written = written && out->Write(recordAt(1), recordSize * (quotes - 1));
    }
    // Futures: each new line's volume and open interest belong to the day before it.
    store::FieldLayout carried;
    if (profile.priorDayVolumeOI != 0) {
        carried.position[store::kVolume] = layout.position[store::kVolume];
        carried.position[store::kOpenInterest] = layout.position[store::kOpenInterest];
    }
    std::vector<std::uint8_t> previous;
    std::vector<std::uint8_t> tail;  // the new file from the old last record on, for the undo
    const auto emit = [&] {
        written = written && out->Write(previous.data(), previous.size());
        tail.insert(tail.end(), previous.begin(), previous.end());
    };
    if (quotes > 0) {
        previous.assign(recordAt(quotes), recordAt(quotes) + recordSize);
    }
    for (const UpdateDirectoryIndex::Match& match : matches) {
        if (!previous.empty()) {
            store::EncodeQuote(match.quote, carried, previous.data(), length);
            emit();
        }
        previous.assign(recordSize, 0);
        store::EncodeQuote(match.quote, layout, previous.data(), length);
    }
    emit();
    if (!written) {
        const std::string why = platform::LastErrorText();
        out->Abandon();
        return fail(temporaryName + " could not be written" + why);
    }
    m_journal.NoteDataFile(directory, fileNumber, recordSize, data, tail);
    m_pending.push_back({recordIndex, symbol, out, std::move(matches), quotes == 0, datesTaken});
    return SymbolOutcome::kPending;
}

void UpdateRun::CommitData(std::vector<store::MasterRecord>& records,
                           std::vector<SymbolOutcome>& outcomes) {
    errno = 0;
    // The undo's journal names the changes before any of them reaches the disk.
    std::string why;
    if (!m_pending.empty() && !m_journal.MakeDurable()) {
        why = ": the undo journal could not be written" + platform::LastErrorText();
        for (PendingData& pending : m_pending) {
            pending.file->Abandon();
        }
    } else if (!m_dataFiles.Commit()) {
        why = platform::LastErrorText();
    }
    std::vector<const PendingData*> failed;
    for (const PendingData& pending : m_pending) {
        if (!pending.file->Committed()) {
            failed.push_back(&pending);
            outcomes[pending.record] = SymbolOutcome::kFailed;
            continue;
        }
        // Only quotes that reached the disk are counted.
        store::MasterRecord& record = records[pending.record];
        if (m_currentSymbolText == pending.symbol) {
            m_problemFlags |= kCurrentSymbolUpdated;
        }
        m_quotesUpdated += static_cast<int>(pending.quotes.size());
        record.lastDate = store::FileDateFromDayNumber(pending.quotes.back().quote.date);
        if (pending.wasEmpty) {
            record.firstDate = store::FileDateFromDayNumber(pending.quotes.front().quote.date);
        }
        m_portfolioChanged = true;
    }
    // The disk failed them together: one message for the portfolio.
    for (const PendingData* pending : failed) {
        QuoteFailed(pending->symbol, pending->file->TargetPath(), pending->quotes,
                    "it could not be replaced" + why,
                    failed.size() == 1 || pending == failed.front());
    }
    if (failed.size() > 1) {
        m_messenger.Show(
            platform::FormatMessage("The quotes of %s other symbols of %s were not added either.",
                                    {std::to_string(failed.size() - 1),
                                     failed.front()->file->TargetPath().parent_path().string()}));
    }
    m_dataFiles.Abandon();
    SetTotalText();
}

void UpdateRun::AuditSymbols(const std::string& portfolioDirectory,
                             const std::vector<store::MasterRecord>& records,
                             const std::vector<SymbolOutcome>& outcomes) {
    auto pending = m_pending.begin();
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string symbol = UpdateSymbolText(records[i].symbol);
        switch (outcomes[i]) {
            case SymbolOutcome::kNoQuote:
            case SymbolOutcome::kFailed:
                m_audit.SymbolFailed(symbol);
                break;
            case SymbolOutcome::kDatesTaken:
                m_audit.DatesTakenFromData(symbol, portfolioDirectory);
                break;
            case SymbolOutcome::kPending:
                while (pending->record != i) {
                    ++pending;
                }
                if (pending->datesTaken) {
                    m_audit.DatesTakenFromData(symbol, portfolioDirectory);
                }
                for (const UpdateDirectoryIndex::Match& match : pending->quotes) {
                    m_audit.QuoteAdded(store::FormatDateText(match.quote.date, 9, ' '), symbol,
                                       portfolioDirectory, *match.file);
                }
                break;
            case SymbolOutcome::kSkipped:
                break;
        }
    }
    m_pending.clear();
}

void UpdateRun::WriteLasttimeList() {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(m_audit.Path(), bytes)) {
        return;
    }
    std::vector<std::string> usedPaths;
    std::vector<std::string> usedDirectories;
    platform::LinePieceReader reader(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
        kLinePieceLimit);
    std::string_view piece;
    bool endsLine = false;
    constexpr std::string_view kFromFile = " from file ";
    while (reader.Next(piece, endsLine)) {
        const std::size_t at = piece.find(kFromFile);
        if (at == std::string_view::npos) {
            continue;
        }
        std::string_view path = piece.substr(at + kFromFile.size());
        path.remove_prefix(std::min(path.find_first_not_of(" \t\r\n"), path.size()));
        path = path.substr(0, path.find_last_not_of(" \t\r\n") + 1);
        if (std::find(usedPaths.begin(), usedPaths.end(), path) != usedPaths.end()) {
            continue;
        }
        const std::size_t separator = path.rfind(fs::path::preferred_separator);
        if (separator == std::string_view::npos) {
            return;
        }
        usedPaths.emplace_back(path);
        usedDirectories.emplace_back(path.substr(0, separator));
    }
    const fs::path lasttime = m_workingDirectory / settings::kLasttimeDirectory;
    platform::ReplacementFile list(lasttime, "Lasttime.txt", "Lasttime.txt.tmp");
    if (!list.Open()) {
        return;
    }
    bool wroteAny = false;
    const auto finish = [&] {
        if (wroteAny) {
            if (!list.Commit()) {
                m_messenger.Show(platform::FormatMessage(
                    "%s could not be written; the next identification of new symbols may offer "
                    "symbols already seen.",
                    {list.TargetPath().string()}));
            }
        } else {
            list.Abandon();
            // An old list that stays only offers fewer symbols as new.
            static_cast<void>(platform::CurrentFileSystem().Remove(
                platform::ResolveEntry(lasttime, "Lasttime.txt")));
        }
    };
    for (const std::string& profileName : profiles::ProfileNames(m_workingDirectory)) {
        profiles::Profile profile;
        if (!profiles::LoadProfileQuietly(m_workingDirectory, profileName, profile)) {
            finish();
            return;
        }
        const fs::path updateDirectory = profiles::UpdateDirectoryOf(profile, m_workingDirectory);
        // The log holds names as AuditName wrote them.
        if (std::find(usedDirectories.begin(), usedDirectories.end(),
                      AuditName(updateDirectory.string())) == usedDirectories.end()) {
            continue;
        }
        std::vector<fs::path> collected;
        for (const platform::DirectoryEntry& file : platform::ListDirectory(updateDirectory)) {
            const fs::path path = updateDirectory / file.name;
            if (!file.isDirectory && std::find(usedPaths.begin(), usedPaths.end(),
                                               AuditName(path.string())) != usedPaths.end()) {
                collected.push_back(path);
            }
        }
        for (auto file = collected.rbegin(); file != collected.rend(); ++file) {
            std::vector<std::uint8_t> content;
            if (!platform::ReadWholeFile(*file, content)) {
                finish();
                return;
            }
            platform::LinePieceReader lines(
                std::string_view(reinterpret_cast<const char*>(content.data()), content.size()),
                kLinePieceLimit);
            SplitFields fields;
            while (lines.Next(piece, endsLine)) {
                std::string text = SplitLine(CleanPiece(piece, endsLine), profile, fields);
                if (profile.delimiter != 2) {
                    std::replace(text.begin(), text.end(), ' ', '_');
                }
                if (!text.empty()) {
                    text += "\r\n";
                    wroteAny = true;
                    if (!list.Write(text.data(), text.size())) {
                        finish();
                        return;
                    }
                }
            }
        }
    }
    finish();
}

}  // namespace ticksmith::update
