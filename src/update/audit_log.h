#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/safe_replace.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

inline constexpr std::string_view kAuditFileName = "AUDIT.TXT";
inline constexpr std::string_view kFailedSymbolLine = "----> Could not add quote to symbol: ";

// AUDIT.TXT of one run, in the working directory. Its lines are read back by the Anomaly
// Report and by the list of symbols seen in update files, so their forms are fixed. Lines end
// with CR LF. The new log replaces the old one when the run closes it.
class AuditLog {
  public:
    // False when the log cannot be created.
    [[nodiscard]] bool Open(const fs::path& workingDirectory);
    // Replaces AUDIT.TXT with what was written; false when that fails.
    [[nodiscard]] bool Close();

    void RunHeader(std::time_t now);
    void PortfolioHeader(std::string_view portfolioDirectory);
    void QuoteAdded(std::string_view nextDayText, std::string_view symbol,
                    std::string_view portfolioDirectory, const fs::path& updateFile);
    void SymbolFailed(std::string_view symbol);
    // A data file that already held the line's date (an earlier run stopped before MASTER
    // was replaced): MASTER takes its dates from the data file.
    void DatesTakenFromData(std::string_view symbol, std::string_view portfolioDirectory);
    // `action` is "Self-Extract" or "De-Compress".
    void ArchiveExpanded(std::string_view action, std::string_view archivePath,
                         long long milliseconds);
    void ArchiveFailed(std::string_view action, std::string_view archiveName);
    void Write(std::string_view text);

    const fs::path& Path() const { return m_path; }

  private:
    std::unique_ptr<platform::ReplacementFile> m_file;
    fs::path m_path;
};

// Adds one line to the working directory's AUDIT.TXT (a work done after the run, such as its
// undo); false when the log cannot be replaced.
[[nodiscard]] bool AppendAuditLine(const fs::path& workingDirectory, std::string_view line);

// A name from a file or an archive as the log writes it: control characters, which would split
// or garble a line, become \n, \r, \t or \xNN.
std::string AuditName(std::string_view name);

// The run header's date and time, in the long form "Sunday, December 06, 2026, 16:53:18".
std::string LongDateTimeText(std::time_t now);

struct AnomalyReport {
    std::string header;  // the log's first line
    int count = 0;       // quotes the run added
    std::vector<std::string> entries;
};

// What the Anomaly Report shows for a run that added `count` quotes. Without a log, only
// the count is shown (no entries).
AnomalyReport BuildAnomalyReport(const fs::path& auditFile, int count);

}  // namespace ticksmith::update
