#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
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
    // Whether a group's commit put this file in place.
    bool Committed() const { return m_committed; }

  private:
    friend class ReplacementGroup;
    ReplacementFile() = default;

    bool Flush();
    // The steps of Commit apart, for a group: the bytes handed to the system, then (after the
    // group's sync) the rename.
    bool FlushForGroup();
    bool Install();

    fs::path m_directory;
    fs::path m_target;
    fs::path m_temporary;
    int m_descriptor = -1;
    bool m_failed = false;
    bool m_sync = true;
    bool m_syncDirectory = true;
    bool m_committed = false;
    std::vector<std::uint8_t> m_buffer;
};

// Replaces many files as one commit: each is written to its temporary file, then all are made
// durable together, then each is renamed over its target, then each directory is synced once.
// Writers of many files use it so that the disk commits them in one go instead of once each; a
// crash before the renames leaves every target as it was, and only temporary files behind.
class ReplacementGroup {
  public:
    ReplacementGroup() = default;
    ~ReplacementGroup();
    ReplacementGroup(const ReplacementGroup&) = delete;
    ReplacementGroup& operator=(const ReplacementGroup&) = delete;

    // A new member with its temporary file created, as ReplacementFile's constructor names
    // them; nothing when the file cannot be created. A member the caller abandons takes no part.
    [[nodiscard]] ReplacementFile* Add(const fs::path& directory, std::string_view targetName,
                                       std::string_view temporaryName);
    // Syncs every member, then renames each over its target and syncs each directory once.
    // Members stay readable until the group is abandoned or destroyed. False when a write or a sync
    // failed (nothing is renamed then, every temporary file is removed) or a rename did (the others
    // are in place: see each member's Committed()).
    [[nodiscard]] bool Commit();
    void Abandon();

    std::size_t Size() const { return m_files.size(); }
    // Members in the order they joined; one abandoned before Commit takes no part in it.
    const ReplacementFile& Member(std::size_t index) const { return *m_files[index]; }
    ReplacementFile& Member(std::size_t index) { return *m_files[index]; }

  private:
    friend class ReplacementFile;
    // Takes over a written file that commits under a DeferredCommits.
    void Adopt(ReplacementFile& file);
    // Removes every temporary file and keeps the members, which still tell what happened.
    void AbandonMembers();

    std::vector<std::unique_ptr<ReplacementFile>> m_files;
};

// While one lives, every ReplacementFile of its thread that commits joins `group` instead of
// being synced and renamed on its own, and its Commit reports whether it was written. Lets a
// writer commit together the files it writes through code that commits each one.
class DeferredCommits {
  public:
    explicit DeferredCommits(ReplacementGroup& group);
    ~DeferredCommits();
    DeferredCommits(const DeferredCommits&) = delete;
    DeferredCommits& operator=(const DeferredCommits&) = delete;

  private:
    ReplacementGroup* m_previous;
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
