#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/messenger.h"
#include "profiles/profile.h"
#include "settings/view_settings.h"
#include "store/master.h"
#include "update/audit_log.h"
#include "update/update_index.h"
#include "update/update_progress.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

// Problem bits of a run's result.
inline constexpr std::uint16_t kQuoteAddFailed = 0x0008;
inline constexpr std::uint16_t kCurrentSymbolUpdated = 0x0800;
inline constexpr std::uint16_t kSelfExtractFailed = 0x4000;

// How long a run waits for portfolios that another writer holds before it gives up.
inline constexpr std::chrono::seconds kPortfolioLockWait{10};

// One Update Quotes run: for every portfolio of the list and every symbol that is not skipped,
// appends the first newer line of the symbol's update files, keeps MASTER's dates in step and
// writes AUDIT.TXT. Holds no global state, so a front end can run it on a worker thread.
class UpdateRun {
  public:
    UpdateRun(fs::path workingDirectory, std::vector<std::string> portfolios,
              const settings::ViewSettings& settings, std::string currentSymbolText,
              UpdateProgress& progress, platform::Messenger& messenger);
    // Deletes the update files that supplied quotes when "DeleteTxt" is on.
    virtual ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // The number of quotes added in the high 16 bits, the problem bits in the low 16 bits.
    // A run that could not start (another run holds a portfolio, no audit log) returns 0
    // and says why through the messenger; Started() then is false.
    std::uint32_t Run();

    bool Started() const { return m_started; }
    std::uint16_t QuotesUpdated() const { return m_quotesUpdated; }
    std::uint16_t ProblemFlags() const { return m_problemFlags; }
    const fs::path& AuditPath() const { return m_audit.Path(); }

    // The clock the audit header reads; tests set it.
    void SetClock(std::time_t now) { m_now = now; }

  private:
    struct SymbolState;

    void UpdatePortfolio(const std::string& portfolioDirectory);
    bool UpdateSymbol(const std::string& portfolioDirectory, store::MasterRecord& record);
    // Unpacks a profile directory's archives before its files are searched (the next step of
    // the run's preparation; nothing here yet).
    void ExpandArchives(const fs::path& directory);
    const UpdateDirectoryIndex& IndexFor(const fs::path& directory,
                                         const profiles::Profile& profile);
    void AddOneQuote(const std::string& portfolioDirectory, store::MasterRecord& record,
                     const std::string& symbol, const profiles::Profile& profile,
                     const UpdateDirectoryIndex::Match& match);
    void SetTotalText();
    void WriteLasttimeList();
    void NoteUsedFile(const fs::path& file);

    fs::path m_workingDirectory;
    std::vector<std::string> m_portfolios;
    settings::ViewSettings m_settings;
    std::string m_currentSymbolText;
    UpdateProgress& m_progress;
    platform::Messenger& m_messenger;
    AuditLog m_audit;
    std::optional<std::time_t> m_now;

    bool m_started = false;
    std::uint16_t m_quotesUpdated = 0;
    std::uint16_t m_problemFlags = 0;
    bool m_portfolioChanged = false;
    std::vector<fs::path> m_usedFiles;  // newest first
    std::map<std::pair<std::string, std::string>, std::unique_ptr<UpdateDirectoryIndex>>
        m_indexes;  // by directory and profile bytes
};

}  // namespace ticksmith::update
