#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace ticksmith::platform {

namespace {

FileSystem& DefaultFileSystem() {
    static FileSystem instance;
    return instance;
}

FileSystem* g_current = nullptr;

}  // namespace

int FileSystem::CreateForWrite(const fs::path& path) {
    // Whatever stands at the name goes first, and the new file is created afresh: a link
    // planted there is removed, never followed.
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
        return -1;
    }
    int descriptor;
    do {
        descriptor =
            ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

bool FileSystem::Write(int descriptor, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = ::write(descriptor, bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool FileSystem::Sync(int descriptor) {
    return ::fdatasync(descriptor) == 0;
}

bool FileSystem::Close(int descriptor) {
    return ::close(descriptor) == 0;
}

bool FileSystem::Rename(const fs::path& from, const fs::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FileSystem::Remove(const fs::path& path) {
    return ::unlink(path.c_str()) == 0;
}

bool FileSystem::CreateDirectory(const fs::path& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

bool FileSystem::RemoveDirectory(const fs::path& path) {
    return ::rmdir(path.c_str()) == 0;
}

bool FileSystem::SyncDirectory(const fs::path& directory) {
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}

FileSystem& CurrentFileSystem() {
    return g_current != nullptr ? *g_current : DefaultFileSystem();
}

ScopedFileSystem::ScopedFileSystem(FileSystem& replacement) : m_previous(g_current) {
    g_current = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    g_current = m_previous;
}

InputFile::InputFile(const fs::path& path) {
    do {
        // Non-blocking, so that a FIFO among update files cannot stall the run; fstat
        // below turns away everything that is not a regular file.
        m_descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (m_descriptor < 0 && errno == EINTR);
    struct stat info {};
    if (m_descriptor >= 0 && (::fstat(m_descriptor, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
    if (m_descriptor >= 0) {
        m_size = static_cast<std::int64_t>(info.st_size);
    }
}

InputFile::~InputFile() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
    }
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_descriptor(other.m_descriptor), m_size(other.m_size) {
    other.m_descriptor = -1;
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
        m_descriptor = other.m_descriptor;
        m_size = other.m_size;
        other.m_descriptor = -1;
    }
    return *this;
}

std::int64_t InputFile::Size() const {
    return m_descriptor < 0 ? -1 : m_size;
}

namespace {

// Reads until `size` bytes arrived or the file ended; `readSome` is one read call at an offset
// from the start of this request.
template <typename ReadSome>
std::int64_t ReadFully(void* data, std::size_t size, ReadSome readSome) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got = readSome(bytes + total, size - total, total);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        total += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(total);
}

}  // namespace

std::int64_t InputFile::ReadAt(std::int64_t offset, void* data, std::size_t size) const {
    if (m_descriptor < 0 || offset < 0) {
        return -1;
    }
    return ReadFully(data, size, [&](std::uint8_t* at, std::size_t left, std::size_t done) {
        return ::pread(m_descriptor, at, left,
                       static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
    });
}

std::int64_t InputFile::Read(void* data, std::size_t size) {
    if (m_descriptor < 0) {
        return -1;
    }
    return ReadFully(data, size, [&](std::uint8_t* at, std::size_t left, std::size_t) {
        return ::read(m_descriptor, at, left);
    });
}

bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& bytes, std::size_t limit) {
    bytes.clear();
    InputFile file(path);
    if (!file.IsOpen()) {
        return false;
    }
    const std::int64_t size = file.Size();
    // Half a file read as if it were all of it would be copied or rewritten as the whole.
    if (size < 0 || static_cast<std::uint64_t>(size) > limit) {
        return false;
    }
    const auto wanted = static_cast<std::size_t>(size);
    bytes.resize(wanted);
    const std::int64_t got = file.ReadAt(0, bytes.data(), wanted);
    if (got < 0) {
        bytes.clear();
        return false;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return true;
}

std::string LastErrorText() {
    const int error = errno;
    return error == 0 ? std::string() : ": " + std::generic_category().message(error);
}

bool IsRegularFile(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace ticksmith::platform
