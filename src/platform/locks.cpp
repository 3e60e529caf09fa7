#include "platform/locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace ticksmith::platform {

DirectoryLock::~DirectoryLock() {
    Release();
}

DirectoryLock::DirectoryLock(DirectoryLock&& other) noexcept : m_descriptor(other.m_descriptor) {
    other.m_descriptor = -1;
}

DirectoryLock& DirectoryLock::operator=(DirectoryLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_descriptor = other.m_descriptor;
        other.m_descriptor = -1;
    }
    return *this;
}

DirectoryLock::Result DirectoryLock::Acquire(const std::filesystem::path& directory,
                                             std::chrono::steady_clock::time_point deadline) {
    Release();
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return Result::kNoDirectory;
    }
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            m_descriptor = descriptor;
            return Result::kAcquired;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline) {
            ::close(descriptor);
            return Result::kHeldElsewhere;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void DirectoryLock::Release() {
    if (m_descriptor >= 0) {
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

}  // namespace ticksmith::platform
