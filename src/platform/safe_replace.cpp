#include "platform/safe_replace.h"

#include <sys/stat.h>

#include <string>

#include "platform/file_system.h"
#include "platform/names.h"

namespace ticksmith::platform {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
}

ReplacementFile::ReplacementFile(const fs::path& directory, std::string_view targetName,
                                 std::string_view temporaryName)
    : m_directory(directory),
      m_target(ResolveEntry(directory, targetName)),
      m_temporary(directory / std::string(temporaryName)) {}

ReplacementFile::~ReplacementFile() {
    Abandon();
}

bool ReplacementFile::Open() {
    Abandon();
    m_failed = false;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize);
    m_descriptor = CurrentFileSystem().CreateForWrite(m_temporary);
    if (m_descriptor < 0) {
        return false;
    }
    // The new version keeps the old one's permissions: a private file stays private.
    struct stat target {};
    if (::stat(m_target.c_str(), &target) == 0 && S_ISREG(target.st_mode)) {
        ::fchmod(m_descriptor, target.st_mode & 0777);
    }
    return true;
}

bool ReplacementFile::Write(const void* data, std::size_t size) {
    if (m_descriptor < 0 || m_failed) {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (m_buffer.size() + size > kBufferSize) {
        if (!Flush()) {
            return false;
        }
        if (size >= kBufferSize) {
            m_failed = !CurrentFileSystem().Write(m_descriptor, bytes, size);
            return !m_failed;
        }
    }
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    return true;
}

bool ReplacementFile::Flush() {
    if (!m_buffer.empty()) {
        m_failed =
            m_failed || !CurrentFileSystem().Write(m_descriptor, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    return !m_failed;
}

bool ReplacementFile::Commit() {
    if (m_descriptor < 0) {
        return false;
    }
    FileSystem& system = CurrentFileSystem();
    bool written = Flush() && (!m_sync || system.Sync(m_descriptor));
    written = system.Close(m_descriptor) && written;
    m_descriptor = -1;
    if (!written || !system.Rename(m_temporary, m_target)) {
        system.Remove(m_temporary);
        return false;
    }
    // The new contents are already in place; syncing the directory only hardens the rename
    // against a power cut, so its failure is not the writer's failure.
    if (m_syncDirectory && m_sync) {
        system.SyncDirectory(m_directory);
    }
    return true;
}

void ReplacementFile::Abandon() {
    if (m_descriptor >= 0) {
        FileSystem& system = CurrentFileSystem();
        system.Close(m_descriptor);
        system.Remove(m_temporary);
        m_descriptor = -1;
    }
    m_buffer.clear();
}

bool ReplaceFileContents(const fs::path& directory, std::string_view targetName,
                         std::string_view temporaryName, const void* data, std::size_t size) {
    ReplacementFile file(directory, targetName, temporaryName);
    return file.Open() && file.Write(data, size) && file.Commit();
}

bool CopyToBackup(const fs::path& source, const fs::path& directory, std::string_view backupName,
                  bool scratch) {
    InputFile input(source);
    if (!input.IsOpen()) {
        return false;
    }
    ReplacementFile backup(directory, backupName, std::string(backupName) + ".tmp");
    if (scratch) {
        backup.SkipSync();
    }
    if (!backup.Open()) {
        return false;
    }
    std::vector<std::uint8_t> chunk(kBufferSize);
    for (;;) {
        const std::int64_t got = input.Read(chunk.data(), chunk.size());
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            break;
        }
        if (!backup.Write(chunk.data(), static_cast<std::size_t>(got))) {
            return false;
        }
    }
    return backup.Commit();
}

}  // namespace ticksmith::platform
