#include "platform/locks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/safe_replace.h"

namespace ticksmith::platform {

namespace {

constexpr std::chrono::milliseconds kDefaultLockWait{10000};
std::atomic<long long> g_lockWaitMilliseconds{kDefaultLockWait.count()};

using Identity = std::pair<unsigned long, unsigned long>;  // device, inode

// The directories this process holds: flock conflicts between two descriptors of one process
// as between processes, so a thread locking a directory it already holds must not flock again.
struct Holding {
    std::thread::id owner;
    int depth = 0;
    std::string purpose;
};
std::mutex g_holdingsMutex;
std::map<Identity, Holding>& Holdings() {
    static std::map<Identity, Holding> holdings;
    return holdings;
}

std::optional<Identity> IdentityOf(const std::filesystem::path& directory) {
    struct stat info {};
    if (::stat(directory.empty() ? "." : directory.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return Identity{static_cast<unsigned long>(info.st_dev),
                    static_cast<unsigned long>(info.st_ino)};
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.substr(0, 4096);
}

// The process holding an flock on the inode, from the kernel's lock table.
std::optional<long> FlockHolderProcess(Identity identity) {
    std::ifstream table("/proc/locks");
    std::string line;
    while (std::getline(table, line)) {
        // "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF"
        std::istringstream fields(line);
        std::string number, kind, mode, access, place;
        long pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> place) || kind != "FLOCK") {
            continue;
        }
        unsigned int major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(place.c_str(), "%x:%x:%lu", &major, &minor, &inode) != 3) {
            continue;
        }
        if (inode == identity.second &&
            ::makedev(major, minor) == static_cast<dev_t>(identity.first)) {
            return pid;
        }
    }
    return std::nullopt;
}

std::string ProgramOf(long pid) {
    std::string commandLine = ReadSmallFile("/proc/" + std::to_string(pid) + "/cmdline");
    std::string program;
    std::string argument;
    // The program's own name and the first argument (the CLI's command) say what it does.
    std::size_t start = 0;
    for (int part = 0; part < 2 && start < commandLine.size(); ++part) {
        const std::size_t end = commandLine.find('\0', start);
        const std::string piece =
            commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part == 0) {
            program = std::filesystem::path(piece).filename().string();
        } else if (!piece.empty() && piece.front() != '-') {
            argument = piece;
        }
        start = end == std::string::npos ? commandLine.size() : end + 1;
    }
    if (program.empty()) {
        return {};
    }
    return argument.empty() ? program : program + " " + argument;
}

}  // namespace

std::chrono::milliseconds PortfolioLockWait() {
    return std::chrono::milliseconds(g_lockWaitMilliseconds.load());
}

void SetPortfolioLockWait(std::chrono::milliseconds wait) {
    g_lockWaitMilliseconds = wait.count() > 0 ? wait.count() : kDefaultLockWait.count();
}

DirectoryLock::~DirectoryLock() {
    Release();
}

DirectoryLock::DirectoryLock(DirectoryLock&& other) noexcept
    : m_descriptor(other.m_descriptor), m_nested(other.m_nested), m_identity(other.m_identity) {
    other.m_descriptor = -1;
    other.m_nested = false;
}

DirectoryLock& DirectoryLock::operator=(DirectoryLock&& other) noexcept {
    if (this != &other) {
        Release();
        m_descriptor = other.m_descriptor;
        m_nested = other.m_nested;
        m_identity = other.m_identity;
        other.m_descriptor = -1;
        other.m_nested = false;
    }
    return *this;
}

DirectoryLock::Result DirectoryLock::Acquire(const std::filesystem::path& directory,
                                             std::chrono::steady_clock::time_point deadline,
                                             std::string_view purpose,
                                             const std::function<bool()>& keepWaiting) {
    Release();
    const int descriptor =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return Result::kNoDirectory;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        return Result::kNoDirectory;
    }
    const Identity identity{static_cast<unsigned long>(info.st_dev),
                            static_cast<unsigned long>(info.st_ino)};
    {
        std::lock_guard guard(g_holdingsMutex);
        auto held = Holdings().find(identity);
        if (held != Holdings().end() && held->second.owner == std::this_thread::get_id()) {
            ++held->second.depth;
            ::close(descriptor);
            m_nested = true;
            m_identity = identity;
            return Result::kAcquired;
        }
    }
    for (;;) {
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            std::lock_guard guard(g_holdingsMutex);
            Holdings()[identity] = {std::this_thread::get_id(), 1, std::string(purpose)};
            m_descriptor = descriptor;
            m_identity = identity;
            return Result::kAcquired;
        }
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() >= deadline || (keepWaiting && !keepWaiting())) {
            ::close(descriptor);
            return Result::kHeldElsewhere;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void DirectoryLock::Release() {
    if (m_nested) {
        std::lock_guard guard(g_holdingsMutex);
        auto held = Holdings().find(m_identity);
        if (held != Holdings().end()) {
            --held->second.depth;
        }
        m_nested = false;
    }
    if (m_descriptor >= 0) {
        {
            std::lock_guard guard(g_holdingsMutex);
            Holdings().erase(m_identity);
        }
        ::close(m_descriptor);
        m_descriptor = -1;
    }
}

std::string DescribeLockHolder(const std::filesystem::path& directory) {
    const std::optional<Identity> identity = IdentityOf(directory);
    if (!identity) {
        return "another program";
    }
    {
        std::lock_guard guard(g_holdingsMutex);
        auto held = Holdings().find(*identity);
        if (held != Holdings().end()) {
            return held->second.purpose.empty() ? std::string("another task of this program")
                                                : held->second.purpose + " in this program";
        }
    }
    const std::optional<long> pid = FlockHolderProcess(*identity);
    if (!pid) {
        return "another program";
    }
    const std::string program = ProgramOf(*pid);
    return (program.empty() ? std::string("another program") : program) + " (process " +
           std::to_string(*pid) + ")";
}

std::optional<PortfolioLocks::Failure> PortfolioLocks::Acquire(
    std::vector<std::filesystem::path> directories, std::string_view purpose,
    const WaitObserver& waiting) {
    m_locks.clear();
    std::vector<std::pair<Identity, std::filesystem::path>> ordered;
    for (std::filesystem::path& directory : directories) {
        const std::optional<Identity> identity = IdentityOf(directory);
        if (!identity) {
            return Failure{directory, {}};
        }
        ordered.emplace_back(*identity, std::move(directory));
    }
    std::sort(ordered.begin(), ordered.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    ordered.erase(std::unique(ordered.begin(), ordered.end(),
                              [](const auto& a, const auto& b) { return a.first == b.first; }),
                  ordered.end());
    const auto deadline = std::chrono::steady_clock::now() + PortfolioLockWait();
    for (const auto& entry : ordered) {
        const std::string& directory = entry.second;
        DirectoryLock lock;
        // The holder is looked up once: the kernel's lock table is not read at every retry.
        std::optional<Failure> held;
        const auto keepWaiting = [&] {
            if (!held) {
                held = Failure{directory, DescribeLockHolder(directory)};
            }
            return waiting(*held);
        };
        switch (lock.Acquire(directory, deadline, purpose,
                             waiting ? std::function<bool()>(keepWaiting) : nullptr)) {
            case DirectoryLock::Result::kAcquired:
                break;
            case DirectoryLock::Result::kNoDirectory:
                m_locks.clear();
                return Failure{directory, {}};
            case DirectoryLock::Result::kHeldElsewhere: {
                Failure failure = held ? *held : Failure{directory, DescribeLockHolder(directory)};
                m_locks.clear();
                return failure;
            }
        }
        RemoveStaleTemporaries(directory);
        m_locks.push_back(std::move(lock));
    }
    return std::nullopt;
}

std::string LockFailureText(const PortfolioLocks::Failure& failure) {
    if (failure.holder.empty()) {
        return FormatMessage("The portfolio %s cannot be opened.\nNothing was changed.",
                             {failure.directory.string()});
    }
    return FormatMessage(
        "The portfolio %s is being changed by %s.\nNothing was changed; try again when it has "
        "finished.",
        {failure.directory.string(), failure.holder});
}

std::string LockWaitText(const PortfolioLocks::Failure& failure) {
    return FormatMessage("Waiting for %s to finish with %s...",
                         {failure.holder, failure.directory.string()});
}

std::optional<PortfolioLocks> LockPortfolios(std::vector<std::filesystem::path> directories,
                                             std::string_view purpose, Messenger& messenger) {
    PortfolioLocks locks;
    if (const auto failure = locks.Acquire(std::move(directories), purpose)) {
        messenger.Show(LockFailureText(*failure));
        return std::nullopt;
    }
    return locks;
}

}  // namespace ticksmith::platform
