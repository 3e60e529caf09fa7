#include "platform/safe_replace.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <typeinfo>
#include <utility>

#include "platform/file_system.h"
#include "platform/names.h"

namespace ticksmith::platform {

namespace {
constexpr std::size_t kBufferSize = 1 << 16;
constexpr std::string_view kUniqueMark = ".ts";

std::atomic<unsigned long> g_temporarySequence{0};
thread_local ReplacementGroup* t_deferredTo = nullptr;

// The process that wrote a temporary name of UniqueTemporaryName, or -1 for any other name.
long WriterOf(std::string_view name) {
    const std::size_t mark = name.rfind(kUniqueMark);
    if (mark == std::string_view::npos) {
        return -1;
    }
    const std::string_view rest = name.substr(mark + kUniqueMark.size());
    const std::size_t dash = rest.find('-');
    const auto allDigits = [](std::string_view text) {
        return !text.empty() && text.size() <= 18 &&
               text.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (dash == std::string_view::npos || !allDigits(rest.substr(0, dash)) ||
        !allDigits(rest.substr(dash + 1))) {
        return -1;
    }
    return std::stol(std::string(rest.substr(0, dash)));
}

constexpr int kSyncThreads = 4;

// fdatasync of many files from a few threads at once: the file system commits them in a few
// journal transactions instead of one each, and every file's write-back error is still reported
// to its own call, which a syncfs of the whole file system does only on newer kernels.
bool SyncTogether(const std::vector<int>& descriptors) {
    FileSystem& system = CurrentFileSystem();
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (std::size_t at = next++; at < descriptors.size() && !failed; at = next++) {
            if (!system.Sync(descriptors[at])) {
                failed = true;
            }
        }
    };
    // Stand-ins for the system count and break calls in order and are not thread-safe.
    const bool concurrent = typeid(system) == typeid(FileSystem) && descriptors.size() > 1;
    std::vector<std::thread> threads;
    try {
        for (int i = 1; concurrent && i < kSyncThreads; ++i) {
            threads.emplace_back(work);
        }
    } catch (const std::system_error&) {
        // Fewer threads only take longer.
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    return !failed;
}
}  // namespace

std::string UniqueTemporaryName(std::string_view formatName) {
    return std::string(formatName) + std::string(kUniqueMark) + std::to_string(::getpid()) + "-" +
           std::to_string(++g_temporarySequence);
}

void RemoveStaleTemporaries(const fs::path& directory) {
    std::error_code error;
    for (fs::directory_iterator entry(directory, error), end; !error && entry != end;
         entry.increment(error)) {
        const long writer = WriterOf(entry->path().filename().string());
        if (writer <= 0 || writer == ::getpid()) {
            continue;
        }
        // A writer still running keeps its file, even one that is not holding the lock.
        if (::kill(static_cast<pid_t>(writer), 0) == 0 || errno != ESRCH) {
            continue;
        }
        std::error_code ignored;
        if (entry->is_regular_file(ignored) && !entry->is_symlink(ignored)) {
            // Best effort: one that stays is tried again under the next lock.
            static_cast<void>(CurrentFileSystem().Remove(entry->path()));
        }
    }
}

ReplacementFile::ReplacementFile(const fs::path& directory, std::string_view targetName,
                                 std::string_view temporaryName)
    : m_directory(directory),
      m_target(ResolveEntry(directory, targetName)),
      m_temporary(directory / UniqueTemporaryName(temporaryName)) {}

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
    if (t_deferredTo != nullptr) {
        if (!FlushForGroup()) {
            Abandon();
            return false;
        }
        t_deferredTo->Adopt(*this);
        return true;
    }
    if (!Flush() || (m_sync && !CurrentFileSystem().Sync(m_descriptor))) {
        Abandon();
        return false;
    }
    if (!Install()) {
        return false;
    }
    // The new contents are already in place; syncing the directory only hardens the rename
    // against a power cut, so its failure is not the writer's failure.
    if (m_syncDirectory && m_sync) {
        static_cast<void>(CurrentFileSystem().SyncDirectory(m_directory));
    }
    return true;
}

bool ReplacementFile::FlushForGroup() {
    const bool flushed = m_descriptor >= 0 && Flush();
    // Hundreds of members wait for the group's sync; none keeps its buffer meanwhile.
    std::vector<std::uint8_t>().swap(m_buffer);
    return flushed;
}

bool ReplacementFile::Install() {
    FileSystem& system = CurrentFileSystem();
    const bool closed = system.Close(m_descriptor);
    m_descriptor = -1;
    if (!closed || !system.Rename(m_temporary, m_target)) {
        // Best effort: a temporary file left behind is removed with the stale ones.
        static_cast<void>(system.Remove(m_temporary));
        return false;
    }
    m_committed = true;
    return true;
}

void ReplacementFile::Abandon() {
    if (m_descriptor >= 0) {
        FileSystem& system = CurrentFileSystem();
        // Nothing reads what was written; a file left behind is removed with the stale ones.
        static_cast<void>(system.Close(m_descriptor));
        static_cast<void>(system.Remove(m_temporary));
        m_descriptor = -1;
    }
    m_buffer.clear();
}

ReplacementGroup::~ReplacementGroup() {
    Abandon();
}

ReplacementFile* ReplacementGroup::Add(const fs::path& directory, std::string_view targetName,
                                       std::string_view temporaryName) {
    auto file = std::make_unique<ReplacementFile>(directory, targetName, temporaryName);
    if (!file->Open()) {
        return nullptr;
    }
    m_files.push_back(std::move(file));
    return m_files.back().get();
}

bool ReplacementGroup::Commit() {
    std::vector<ReplacementFile*> members;
    std::vector<int> toSync;
    for (const auto& file : m_files) {
        if (file->m_descriptor < 0) {
            continue;  // abandoned by the caller
        }
        if (!file->FlushForGroup()) {
            AbandonMembers();
            return false;
        }
        members.push_back(file.get());
        if (file->m_sync) {
            toSync.push_back(file->m_descriptor);
        }
    }
    if (!SyncTogether(toSync)) {
        AbandonMembers();
        return false;
    }
    bool all = true;
    std::set<fs::path> directories;
    for (ReplacementFile* file : members) {
        if (file->Install()) {
            directories.insert(file->m_directory);
        } else {
            all = false;
        }
    }
    // As for one file: the contents are in place, the directory sync only hardens the renames.
    for (const fs::path& directory : directories) {
        static_cast<void>(CurrentFileSystem().SyncDirectory(directory));
    }
    return all;
}

void ReplacementGroup::Adopt(ReplacementFile& file) {
    auto adopted = std::unique_ptr<ReplacementFile>(new ReplacementFile());
    adopted->m_directory = file.m_directory;
    adopted->m_target = file.m_target;
    adopted->m_temporary = file.m_temporary;
    adopted->m_descriptor = std::exchange(file.m_descriptor, -1);
    adopted->m_sync = file.m_sync;
    m_files.push_back(std::move(adopted));
}

DeferredCommits::DeferredCommits(ReplacementGroup& group) : m_previous(t_deferredTo) {
    t_deferredTo = &group;
}

DeferredCommits::~DeferredCommits() {
    t_deferredTo = m_previous;
}

void ReplacementGroup::Abandon() {
    AbandonMembers();
    m_files.clear();
}

void ReplacementGroup::AbandonMembers() {
    for (const auto& file : m_files) {
        file->Abandon();
    }
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
