#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ticksmith::update {

namespace fs = std::filesystem;

// What an update run changed, kept in the working directory's Lasttime/ so that the last run
// can be undone. The head file names the run; the entries follow in segments, each written
// whole through the safe-replace helper before the changes it describes reach the disk.
inline constexpr std::string_view kJournalHeadName = "UNDO.JNL";
inline constexpr std::string_view kMovedFilesDirectory = "files";

// One data file the run rewrote. Its tail starts at the old file's last whole record (at the
// end of the header when it held none): the record the prior-day volume rule may rewrite and
// every byte after it.
struct DataFileEntry {
    fs::path portfolio;
    int fileNumber = 0;
    std::int64_t recordLength = 0;
    std::int64_t oldLength = 0;
    std::vector<std::uint8_t> oldHeader;
    std::vector<std::uint8_t> oldTail;
    std::int64_t tailStart = 0;  // where the tail begins in the new file
    std::int64_t newLength = 0;
    std::uint64_t newTailHash = 0;
};

struct MasterEntry {
    fs::path portfolio;
    std::vector<std::uint8_t> oldMaster;
};

// An update file the clean-up moved aside instead of deleting.
struct MovedFileEntry {
    fs::path original;
    std::string storedName;  // in Lasttime/files/
};

struct JournalContents {
    std::string runId;
    bool undone = false;
    std::vector<DataFileEntry> dataFiles;  // one per file: the first old state, the last new one
    std::vector<MasterEntry> masters;      // one per portfolio: MASTER before the run
    std::vector<MovedFileEntry> movedFiles;
};

// FNV-1a, 64 bits: tells a data file's tail apart from any later edit of it.
std::uint64_t Fnv1a64(std::span<const std::uint8_t> bytes, std::uint64_t hash = 0xcbf29ce484222325);

// The writer the update run keeps. Notes collect in memory until MakeDurable writes them.
class UpdateJournal {
  public:
    // Replaces the previous run's journal and the files it moved aside; false when the journal
    // cannot be written, so nothing may be changed.
    [[nodiscard]] bool Begin(const fs::path& workingDirectory);

    // A data file about to be replaced: `oldData` is the whole old file, `newTail` the new file
    // from where the old one's last whole record began (from the end of its header when it had
    // none) to its end, however many quotes were appended.
    void NoteDataFile(const fs::path& portfolio, int fileNumber, std::size_t recordLength,
                      std::span<const std::uint8_t> oldData, std::span<const std::uint8_t> newTail);
    // A portfolio whose MASTER is about to be replaced; reads the MASTER still in place. False
    // when it cannot be read.
    [[nodiscard]] bool NoteMaster(const fs::path& portfolio);
    // Writes what was noted since the last call; the changes noted may reach the disk only
    // after it returned true.
    [[nodiscard]] bool MakeDurable();
    // Moves update files into Lasttime/files/ instead of deleting them, once the journal names
    // them; a file that cannot be journalled or moved stays where it is.
    void MoveAside(const std::vector<fs::path>& files);
    // Makes everything noted durable; the run reports success only after it.
    [[nodiscard]] bool Finish();

    bool Active() const { return !m_lasttime.empty(); }

  private:
    fs::path m_lasttime;
    std::string m_runId;
    int m_segments = 0;
    int m_moved = 0;
    std::string m_pending;
    std::vector<std::string> m_notedMasters;
};

// The journal of the last run; nothing when there is none. `error` is set when one is there
// but cannot be read.
[[nodiscard]] std::optional<JournalContents> ReadJournal(const fs::path& workingDirectory,
                                                         std::string& error);
// Marks the journal as undone, so that a second undo finds nothing to do.
[[nodiscard]] bool MarkJournalUndone(const fs::path& workingDirectory, const std::string& runId);

fs::path LasttimeDirectory(const fs::path& workingDirectory);

// Moves a file into `directory` under `name`: a rename, or across file systems a synced copy
// and then the removal of the original. False, with the file possibly in both places, when
// that fails.
[[nodiscard]] bool MoveFile(const fs::path& from, const fs::path& directory, std::string_view name);

}  // namespace ticksmith::update
