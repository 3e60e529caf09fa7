#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace ticksmith::platform {

namespace fs = std::filesystem;

// Writes a new version of a file beside it under a temporary name, flushes it to disk and
// renames it over the old one in one step: a crash leaves either the old or the new file,
// never neither and never half of one. Abandoned (destroyed without Commit) it removes the
// temporary file and leaves the old one untouched.
class ReplacementFile {
  public:
    // The target is the existing entry of `directory` named `targetName` without regard to
    // case, or `targetName` as spelled when there is none. The temporary file is
    // `temporaryName` made unique to this writer.
    ReplacementFile(const fs::path& directory, std::string_view targetName,
                    std::string_view temporaryName);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file; false when it cannot be created.
    [[nodiscard]] bool Open();
    // Buffered; false once any write has failed.
    [[nodiscard]] bool Write(const void* data, std::size_t size);
    // Flushes, syncs and renames over the target. False, with the target unchanged and the
    // temporary file removed, on any failure.
    [[nodiscard]] bool Commit();
    void Abandon();

    // A writer that replaces many files of one directory syncs the directory once, after the
    // last of them, instead of after each rename.
    void DeferDirectorySync() { m_syncDirectory = false; }
    // A scratch copy that nothing reads after a crash need not reach the disk before its rename.
    void SkipSync() { m_sync = false; }

    const fs::path& TargetPath() const { return m_target; }
    const fs::path& TemporaryPath() const { return m_temporary; }

  private:
    bool Flush();

    fs::path m_directory;
    fs::path m_target;
    fs::path m_temporary;
    int m_descriptor = -1;
    bool m_failed = false;
    bool m_sync = true;
    bool m_syncDirectory = true;
    std::vector<std::uint8_t> m_buffer;
};

// `formatName` with a suffix no other writer uses (process and sequence number), so that two
// writers of one directory never write, or rename, each other's temporary file.
std::string UniqueTemporaryName(std::string_view formatName);
// Removes the temporary files of writers that died before their rename; the caller holds the
// directory's lock, so no live writer of another process is among them.
void RemoveStaleTemporaries(const fs::path& directory);

// Replaces a file with the given bytes through a ReplacementFile.
[[nodiscard]] bool ReplaceFileContents(const fs::path& directory, std::string_view targetName,
                                       std::string_view temporaryName, const void* data,
                                       std::size_t size);

// Copies `source` to a backup (`F1.BAK`, `MASTER.BAK`) in `directory`, replacing any older one.
// A scratch copy (`MASTER.~OL`) is not synced.
[[nodiscard]] bool CopyToBackup(const fs::path& source, const fs::path& directory,
                                std::string_view backupName, bool scratch = false);

}  // namespace ticksmith::platform
