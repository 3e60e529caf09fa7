#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/messenger.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "profiles/profile.h"
#include "settings/view_settings.h"
#include "store/master.h"
#include "update/archiver.h"
#include "update/audit_log.h"
#include "update/update_index.h"
#include "update/update_journal.h"
#include "update/update_progress.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

// Problem bits the run collects while it works.
inline constexpr std::uint16_t kQuoteAddFailed = 0x0008;
inline constexpr std::uint16_t kCurrentSymbolUpdated = 0x0800;
inline constexpr std::uint16_t kSelfExtractFailed = 0x4000;

// What a run did: the end-of-run messages and the exit status are decided from it.
struct UpdateResult {
    bool started = false;
    int quotesAdded = 0;  // quotes actually stored
    bool quoteAddFailed = false;
    bool selfExtractFailed = false;
    bool archiveFailed = false;  // an archive of either kind was refused or could not be unpacked
    bool portfolioFailed = false;
    // Each portfolio that was not updated, or only partly: its directory, ": " and why.
    std::vector<std::string> portfolioProblems;
    bool currentSymbolUpdated = false;
    // The person stopped the run (ProgressSink::RequestCancel) before all of its work was done;
    // what it did was committed whole, and the next run does the rest.
    bool stopped = false;

    // Every portfolio was updated as far as its update files allowed. Symbols that simply had
    // no newer line are not failures; a stopped run has not done its work.
    bool Succeeded() const {
        return started && !quoteAddFailed && !selfExtractFailed && !archiveFailed &&
               !portfolioFailed && !stopped;
    }
};

// Archives in a profile directory, unpacked by the archiver before its files are searched.
enum class ArchiveKind { kSelfExtracting = 0, kZip = 1 };
// Results of unpacking one archive.
enum class ArchiveResult {
    kExpanded,
    kNothingToDo,  // handled already in this run, or unreadable
    kKindOff,
    kFailed,
    kNotTried,  // an earlier archive of its kind failed
};
inline constexpr std::chrono::milliseconds kArchiverTimeLimit{20000};

// One Update Quotes run: for every portfolio of the list and every symbol that is not skipped,
// appends the quotes of the symbol's update files newer than its last one (every missing day,
// or with catch-up off the first newer line), keeps MASTER's dates in step and writes
// AUDIT.TXT. Holds no global state, so a front end can run it on a worker thread.
class UpdateRun {
  public:
    UpdateRun(fs::path workingDirectory, std::vector<std::string> portfolios,
              const settings::ViewSettings& settings, std::string currentSymbolText,
              platform::ProgressSink& progress, platform::Messenger& messenger);
    // Deletes what the settings ask for: unpacked self-extracting files ("DeleteSex"), unpacked
    // ZIP files ("DeleteZip"), update files that supplied quotes ("DeleteTxt").
    virtual ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // A run that could not start (another run holds a portfolio, no audit log) says why
    // through the messenger; Started() then is false. The progress sink's RequestCancel stops
    // the run between symbols: the symbol at work finishes, its portfolio is committed as at
    // its end, and nothing further is started.
    [[nodiscard]] UpdateResult Run();

    bool Started() const { return m_started; }
    int QuotesUpdated() const { return m_quotesUpdated; }
    std::uint16_t ProblemFlags() const { return m_problemFlags; }
    const fs::path& AuditPath() const { return m_audit.Path(); }

    // The clock the audit header reads; tests set it.
    void SetClock(std::time_t now) { m_now = now; }
    // How long the archiver may run; tests shorten it.
    void SetArchiverTimeLimit(std::chrono::milliseconds limit) { m_archiverTimeLimit = limit; }
    // What all archives of the run may unpack together; tests make it small.
    void SetExtractionLimits(const ExtractionLimits& limits) { m_extractionLimits = limits; }

    // Unpacks one archive of `directory` with the archiver.
    [[nodiscard]] ArchiveResult ExpandOne(ArchiveKind kind, const fs::path& directory,
                                          const std::string& name);
    // The archiver program and its classic arguments for one archive.
    [[nodiscard]] fs::path ArchiverProgram() const;
    [[nodiscard]] std::vector<std::string> ArchiverArguments(ArchiveKind kind,
                                                             const std::string& name) const;

  private:
    // What became of one symbol of the portfolio being updated.
    enum class SymbolOutcome {
        kSkipped,
        kNoQuote,     // no newer line, or no profile to read one with
        kFailed,      // newer lines that could not be stored
        kPending,     // its new data file waits for the portfolio's commit
        kDatesTaken,  // the data file already held the quotes; MASTER takes its dates
    };
    // A data file written beside the old one, renamed into place with the portfolio's others.
    struct PendingData {
        std::size_t record = 0;  // index into the portfolio's MASTER records
        std::string symbol;
        platform::ReplacementFile* file = nullptr;        // a member of m_dataFiles
        std::vector<UpdateDirectoryIndex::Match> quotes;  // appended, oldest first
        bool wasEmpty = false;
        bool datesTaken = false;  // the data file was ahead of MASTER before these quotes
    };

    void UpdatePortfolio(const std::string& portfolioDirectory);
    // True once a stop was asked for, with the audit line that says where the run ended;
    // `symbol` is empty between portfolios.
    [[nodiscard]] bool StopsBefore(const std::string& portfolioDirectory,
                                   const std::string& symbol);
    [[nodiscard]] SymbolOutcome UpdateSymbol(const std::string& portfolioDirectory,
                                             store::MasterRecord& record, std::size_t recordIndex);
    // Renames the prepared data files into place; the records of those that arrived take
    // their new dates, the others are marked failed.
    void CommitData(std::vector<store::MasterRecord>& records,
                    std::vector<SymbolOutcome>& outcomes);
    // The audit lines of the portfolio's symbols, in MASTER's order.
    void AuditSymbols(const std::string& portfolioDirectory,
                      const std::vector<store::MasterRecord>& records,
                      const std::vector<SymbolOutcome>& outcomes);
    // Unpacks a profile directory's archives before its files are searched: self-extracting
    // files first, then ZIP files.
    void ExpandArchives(const fs::path& directory);
    void ExpandKind(ArchiveKind kind, const fs::path& directory);
    // The bytes the next archive of `directory` may unpack: the run's total, and the ratio to
    // the archives the directory held before this run unpacked anything there, so that an
    // archive unpacked from an archive counts against its parent.
    [[nodiscard]] std::int64_t ExtractionBudget(const fs::path& directory);
    const UpdateDirectoryIndex& IndexFor(const fs::path& directory,
                                         const profiles::Profile& profile);
    // Writes the data file with `matches` (newer than MASTER's last date, oldest first)
    // appended, to be committed with the portfolio. kFailed, with the data file as it was and
    // the reason shown, when it cannot be written.
    [[nodiscard]] SymbolOutcome PrepareQuotes(const std::string& portfolioDirectory,
                                              store::MasterRecord& record, std::size_t recordIndex,
                                              const std::string& symbol,
                                              const profiles::Profile& profile,
                                              const UpdateDirectoryIndex& index,
                                              std::vector<UpdateDirectoryIndex::Match> matches);
    void QuoteFailed(const std::string& symbol, const fs::path& dataPath,
                     const std::vector<UpdateDirectoryIndex::Match>& matches,
                     const std::string& reason, bool show = true);
    void SetTotalText();
    void WriteLasttimeList();
    void NoteUsedFile(const fs::path& file);
    // Files an archive added to `directory`, which held `before`.
    void NoteUnpacked(const fs::path& directory,
                      const std::vector<platform::DirectoryEntry>& before);

    fs::path m_workingDirectory;
    std::vector<std::string> m_portfolios;
    settings::ViewSettings m_settings;
    std::string m_currentSymbolText;
    platform::ProgressSink& m_progress;
    platform::Messenger& m_messenger;
    AuditLog m_audit;
    UpdateJournal m_journal;  // what the run changed, for its undo
    std::optional<std::time_t> m_now;

    bool m_started = false;
    int m_quotesUpdated = 0;
    bool m_portfolioFailed = false;
    std::vector<std::string> m_portfolioProblems;
    std::string m_stopLine;            // the audit line of a stopped run, written last
    std::size_t m_portfoliosLeft = 0;  // after the one at work
    std::uint16_t m_problemFlags = 0;
    bool m_portfolioChanged = false;
    // The current portfolio's new data files: written first, made durable together, then
    // renamed, so a portfolio costs one wait for the disk rather than one a file.
    platform::ReplacementGroup m_dataFiles;
    std::vector<PendingData> m_pending;
    std::vector<fs::path> m_usedFiles;  // newest first
    std::vector<fs::path> m_keptFiles;  // used, but a quote from them could not be written
    // New files the archives gave.
    std::set<fs::path> m_unpackedFiles;
    struct ArchiveState {
        std::vector<std::string> seen;  // upper-cased full paths
        std::vector<fs::path> expanded;
        bool failed = false;  // no further archive of the kind is started
    };
    std::array<ArchiveState, 2> m_archives;
    std::chrono::milliseconds m_archiverTimeLimit = kArchiverTimeLimit;
    ExtractionLimits m_extractionLimits;
    std::int64_t m_extractedBytes = 0;
    struct DirectoryBudget {
        std::int64_t allowance = 0;
        std::int64_t used = 0;
    };
    std::map<std::string, DirectoryBudget> m_directoryBudgets;
    std::map<std::pair<std::string, std::string>, std::unique_ptr<UpdateDirectoryIndex>>
        m_indexes;  // by directory and profile bytes
};

}  // namespace ticksmith::update
