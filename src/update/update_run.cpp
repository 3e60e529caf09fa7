#include "update/update_run.h"

#include <sys/stat.h>
#include <algorithm>

#include <atomic>
#include <chrono>
#include <set>

#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "portfolio/skip_list.h"
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

std::string ProfileKey(const profiles::Profile& profile) {
    profiles::ProfileBytes bytes{};
    profiles::EncodeProfile(profile, bytes);
    return std::string(bytes.begin(), bytes.end());
}

store::FloatBytes FieldAt(const std::uint8_t* record, int position) {
    const std::uint8_t* at = record + 4 * (position - 1);
    return {at[0], at[1], at[2], at[3]};
}

}  // namespace

UpdateRun::UpdateRun(fs::path workingDirectory, std::vector<std::string> portfolios,
                     const settings::ViewSettings& settings, std::string currentSymbolText,
                     UpdateProgress& progress, platform::Messenger& messenger)
    : m_workingDirectory(std::move(workingDirectory)),
      m_portfolios(std::move(portfolios)),
      m_settings(settings),
      m_currentSymbolText(std::move(currentSymbolText)),
      m_progress(progress),
      m_messenger(messenger) {}

UpdateRun::~UpdateRun() {
    const auto removeAll = [](const std::vector<fs::path>& files) {
        for (const fs::path& file : files) {
            platform::CurrentFileSystem().Remove(file);
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
                platform::CurrentFileSystem().Remove(file);
            }
        }
    }
}

std::uint32_t UpdateRun::Run() {
    m_quotesUpdated = 0;
    m_problemFlags = 0;
    ActiveRunFlag active;
    if (!active.Owner()) {
        m_messenger.Show("Update Quotes is already running. Wait until it has finished.");
        return 0;
    }
    // Each directory is locked once, however many entries name it; one that cannot be opened
    // is not locked here and fails on its own when its turn comes.
    std::vector<platform::DirectoryLock> locks;
    std::set<std::pair<dev_t, ino_t>> locked;
    const auto deadline = std::chrono::steady_clock::now() + kPortfolioLockWait;
    for (const std::string& portfolio : m_portfolios) {
        struct stat info {};
        if (::stat(portfolio.c_str(), &info) != 0 ||
            !locked.insert({info.st_dev, info.st_ino}).second) {
            continue;
        }
        locks.emplace_back();
        if (locks.back().Acquire(portfolio, deadline) ==
            platform::DirectoryLock::Result::kHeldElsewhere) {
            m_messenger.Show(platform::FormatMessage(
                "The portfolio %s is being changed by another Ticksmith window or command.\n"
                "Update Quotes did not start; nothing was changed.",
                {portfolio}));
            return 0;
        }
    }
    if (!m_audit.Open(m_workingDirectory)) {
        m_messenger.Show(platform::FormatMessage(
            "Could not create %s.\nUpdate Quotes did not start; nothing was changed.",
            {(m_workingDirectory / kAuditFileName).string()}));
        return 0;
    }
    m_started = true;
    m_audit.RunHeader(m_now.value_or(std::time(nullptr)));
    m_progress.SetAll({"0  ", "", "", "", "", ""});
    for (const std::string& portfolio : m_portfolios) {
        UpdatePortfolio(portfolio);
    }
    if (!m_audit.Close()) {
        m_messenger.Show(platform::FormatMessage("Could not write %s.", {m_audit.Path().string()}));
    }
    if (m_quotesUpdated != 0) {
        platform::CopyToBackup(m_audit.Path(), m_workingDirectory / settings::kLasttimeDirectory,
                               kAuditFileName);
        if (m_settings.newSymbols) {
            WriteLasttimeList();
        }
    }
    return (static_cast<std::uint32_t>(m_quotesUpdated) << 16) | m_problemFlags;
}

void UpdateRun::UpdatePortfolio(const std::string& portfolioDirectory) {
    m_portfolioChanged = false;
    m_progress.Set(UpdateProgress::Text::kPortfolio, " " + portfolioDirectory);
    m_audit.PortfolioHeader(portfolioDirectory);
    const fs::path directory(portfolioDirectory);
    const auto failed = [&](std::string_view why) {
        m_audit.Write("ERROR: Portfolio not updated, " + std::string(why) + ": " +
                      portfolioDirectory + "\n");
        m_messenger.Show(platform::FormatMessage("The portfolio %s was not updated: %s.",
                                                 {portfolioDirectory, why}));
    };
    // The run reads a copy, so that MASTER itself is only ever replaced whole.
    const fs::path oldCopy = directory / "MASTER.~OL";
    std::vector<std::uint8_t> master;
    if (!platform::CopyToBackup(store::MasterPath(directory), directory, "MASTER.~OL", true) ||
        !platform::ReadWholeFile(oldCopy, master) || master.size() < store::kMasterRecordSize) {
        platform::CurrentFileSystem().Remove(oldCopy);
        failed("its index could not be read or copied");
        return;
    }
    platform::ReplacementFile newMaster(directory, store::kMasterName, "MASTER.~NU");
    if (!newMaster.Open()) {
        platform::CurrentFileSystem().Remove(oldCopy);
        failed("a new index could not be created");
        return;
    }
    const portfolio::SkipList skip = portfolio::GetSkipString(directory, m_messenger);
    const int count = std::max<int>(platform::ReadI16(master.data()), 0);
    std::size_t offset = store::kMasterRecordSize;
    for (int i = 0; i < count && offset + store::kMasterRecordSize <= master.size(); ++i) {
        store::MasterRecord record = store::DecodeMasterRecord(master.data() + offset);
        if (portfolio::IsSkipped(skip, record.fileNumber) || skip.size() <= record.fileNumber) {
            m_messenger.Show("skip");
        } else if (!UpdateSymbol(portfolioDirectory, record)) {
            m_audit.SymbolFailed(UpdateSymbolText(record.symbol));
        }
        store::EncodeMasterRecord(record, master.data() + offset);
        offset += store::kMasterRecordSize;
    }
    if (m_portfolioChanged) {
        // The data files' renames reach the disk before MASTER names their new dates.
        platform::CurrentFileSystem().SyncDirectory(directory);
        if (!newMaster.Write(master.data(), master.size()) || !newMaster.Commit()) {
            failed("its index could not be replaced; the next run sets its dates");
        }
    } else {
        newMaster.Abandon();
    }
    platform::CurrentFileSystem().Remove(oldCopy);
}

bool UpdateRun::UpdateSymbol(const std::string& portfolioDirectory, store::MasterRecord& record) {
    const std::string symbol = UpdateSymbolText(record.symbol);
    m_progress.Set(UpdateProgress::Text::kSymbol, " " + symbol, false);
    const std::optional<std::string> profileName =
        profiles::ReadAssignment(portfolioDirectory, record.fileNumber);
    profiles::Profile profile;
    if (!profileName || !profiles::LoadProfileQuietly(m_workingDirectory, *profileName, profile)) {
        return false;
    }
    const fs::path updateDirectory = profiles::UpdateDirectoryOf(profile, m_workingDirectory);
    ExpandArchives(updateDirectory);
    const UpdateDirectoryIndex& index = IndexFor(updateDirectory, profile);
    if (!index.HasCandidates()) {
        return false;
    }
    const std::optional<UpdateDirectoryIndex::Match> match =
        index.FindNewer(symbol, record.LastDay());
    const fs::path& shown = match ? *match->file : index.Files().back();
    m_progress.Set(UpdateProgress::Text::kFile, " " + shown.filename().string());
    if (!match) {
        return false;
    }
    NoteUsedFile(*match->file);
    AddOneQuote(portfolioDirectory, record, symbol, profile, *match);
    return true;
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
    const fs::path directory = m_settings.pkunzipPath.empty() ? platform::ExecutableDirectory()
                                                              : fs::path(m_settings.pkunzipPath);
    return platform::ResolveEntry(directory, kArchiverName);
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
    using Text = UpdateProgress::Text;
    m_progress.Set(Text::kFile, "", false);
    m_progress.Set(Text::kArchiveName, " " + shownName, false);
    m_progress.Set(Text::kArchiveLabel,
                   selfExtracting ? "Self-Extracting File:" : "De-Compressing File:");
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
        m_progress.Set(Text::kArchiveName, "");
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
        m_progress.Set(Text::kArchiveName, " " + shownName + " DONE");
        return ArchiveResult::kExpanded;
    }
    // A killed archiver could not tidy up after itself.
    RemoveScratchDirectory(directory / ScratchDirectoryName(child.Id()));
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
    m_messenger.Show(platform::FormatMessage(selfExtracting
                                                 ? "Self-Extract failed for file\n\n%s\n\n%s"
                                                 : "De-Compress failed for file\n\n%s\n\n%s",
                                             {path.string(), reason}));
    m_progress.Set(Text::kArchiveName, "");
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
    m_progress.Set(UpdateProgress::Text::kTotal, std::to_string(m_quotesUpdated) + "  ");
}

void UpdateRun::NoteUsedFile(const fs::path& file) {
    const auto found = std::find(m_usedFiles.begin(), m_usedFiles.end(), file);
    if (found != m_usedFiles.end()) {
        m_usedFiles.erase(found);
    }
    m_usedFiles.insert(m_usedFiles.begin(), file);
}

void UpdateRun::AddOneQuote(const std::string& portfolioDirectory, store::MasterRecord& record,
                            const std::string& symbol, const profiles::Profile& profile,
                            const UpdateDirectoryIndex::Match& match) {
    const fs::path directory(portfolioDirectory);
    const int fileNumber = record.fileNumber;
    const int length = record.recordLength;
    const store::DayNumber lastDay = record.LastDay();
    const auto fail = [&] {
        m_problemFlags |= kQuoteAddFailed;
        m_keptFiles.push_back(*match.file);
        m_messenger.Show("AddOneQuote failure");
    };
    const auto count = [&] {
        if (m_currentSymbolText == symbol) {
            m_problemFlags |= kCurrentSymbolUpdated;
        }
        ++m_quotesUpdated;
        SetTotalText();
    };
    store::FieldLayout layout;
    std::vector<std::uint8_t> data;
    int quotes = 0;
    if (store::ReadFieldLayout(directory, fileNumber, length, layout) != store::kSuccess ||
        !platform::ReadWholeFile(platform::ResolveEntry(directory, store::DataFileName(fileNumber)),
                                 data) ||
        store::CountQuotes(data, static_cast<std::int64_t>(data.size()), length, quotes) !=
            store::kSuccess) {
        count();
        fail();
        return;
    }
    const auto recordAt = [&](int number) {
        return data.data() + static_cast<std::size_t>(length) * static_cast<std::size_t>(number);
    };
    // A run stopped between a data file and its MASTER leaves the data file ahead: the quote
    // is already there, so MASTER takes its dates from the data file instead.
    if (quotes > 0 && layout.Has(store::kDate) &&
        store::DecodeQuote(recordAt(quotes), layout, length).date >= match.quote.date) {
        const int datePosition = layout.position[store::kDate];
        record.firstDate = FieldAt(recordAt(1), datePosition);
        record.lastDate = FieldAt(recordAt(quotes), datePosition);
        m_portfolioChanged = true;
        m_audit.DatesTakenFromData(symbol, portfolioDirectory);
        return;
    }
    count();
    const std::string temporaryName = "F" + std::to_string(fileNumber) + ".~NU";
    platform::ReplacementFile out(directory, store::DataFileName(fileNumber), temporaryName);
    // The portfolio's directory is synced once, when its MASTER is replaced.
    out.DeferDirectorySync();
    if (!out.Open()) {
        fail();
        return;
    }
    const auto recordSize = static_cast<std::size_t>(length);
    std::vector<std::uint8_t> header(recordSize, 0);
    std::copy_n(data.begin(), std::min(recordSize, data.size()), header.begin());
    platform::WriteU16(header.data() + 2, static_cast<std::uint16_t>(quotes + 2));
    std::vector<std::uint8_t> newRecord(recordSize, 0);
    store::EncodeQuote(match.quote, layout, newRecord.data(), length);
    bool written = out.Write(header.data(), header.size());
    if (quotes > 1) {
        written =
            written && out.Write(recordAt(1), recordSize * static_cast<std::size_t>(quotes - 1));
    }
    if (quotes > 0) {
        std::vector<std::uint8_t> previous(recordAt(quotes), recordAt(quotes) + recordSize);
        if (profile.priorDayVolumeOI != 0) {
            // Futures: the new line's volume and open interest belong to the previous day.
            store::FieldLayout carried;
            carried.position[store::kVolume] = layout.position[store::kVolume];
            carried.position[store::kOpenInterest] = layout.position[store::kOpenInterest];
            store::EncodeQuote(match.quote, carried, previous.data(), length);
        }
        written = written && out.Write(previous.data(), previous.size());
    }
    written = written && out.Write(newRecord.data(), newRecord.size());
    if (!written || !out.Commit()) {
        fail();
        return;
    }
    record.lastDate = store::FileDateFromDayNumber(match.quote.date);
    if (quotes == 0) {
        record.firstDate = record.lastDate;
    }
    m_portfolioChanged = true;
    m_audit.QuoteAdded(store::FormatDateText(static_cast<store::DayNumber>(lastDay + 1), 9, ' '),
                       symbol, portfolioDirectory, *match.file);
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
            list.Commit();
        } else {
            list.Abandon();
            platform::CurrentFileSystem().Remove(platform::ResolveEntry(lasttime, "Lasttime.txt"));
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
                    list.Write(text.data(), text.size());
                    wroteAny = true;
                }
            }
        }
    }
    finish();
}

}  // namespace ticksmith::update
