#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"

namespace ticksmith::platform {

// How long a writer waits for a portfolio that another writer holds before it gives up.
std::chrono::milliseconds PortfolioLockWait();
// Tests shorten the wait; a zero restores the default.
void SetPortfolioLockWait(std::chrono::milliseconds wait);

// An advisory lock on a directory, held against every other writer of that directory, in this
// process or another (the GUI and a scheduled ticksmith-cli update), and released when the
// holder is destroyed or the process ends. A thread that already holds a directory may lock it
// again (a command calling another command); only the outermost release lets it go.
class DirectoryLock {
  public:
    DirectoryLock() = default;
    ~DirectoryLock();
    DirectoryLock(DirectoryLock&& other) noexcept;
    DirectoryLock& operator=(DirectoryLock&& other) noexcept;
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    enum class Result { kAcquired, kHeldElsewhere, kNoDirectory };
    // Tries until `deadline`. `purpose` names the work for a writer that finds it held.
    // `keepWaiting`, when given, is asked after each try that found the lock held; false gives
    // up at once.
    [[nodiscard]] Result Acquire(const std::filesystem::path& directory,
                                 std::chrono::steady_clock::time_point deadline,
                                 std::string_view purpose = {},
                                 const std::function<bool()>& keepWaiting = {});
    void Release();
    bool Held() const { return m_descriptor >= 0 || m_nested; }

  private:
    int m_descriptor = -1;
    bool m_nested = false;
    std::pair<unsigned long, unsigned long> m_identity{};
};

// Who holds the lock of `directory`: the work of another thread of this process, or the
// program and process number of another process; "another program" when that cannot be told.
std::string DescribeLockHolder(const std::filesystem::path& directory);

// The locks of one command on the portfolios it changes, taken in one fixed order (by file
// system identity) so that two commands locking the same two portfolios cannot deadlock.
class PortfolioLocks {
  public:
    PortfolioLocks() = default;
    PortfolioLocks(PortfolioLocks&&) noexcept = default;
    PortfolioLocks& operator=(PortfolioLocks&&) noexcept = default;

    struct Failure {
        std::filesystem::path directory;
        std::string holder;  // empty when the directory could not be opened
    };
    // Told which directory is held and by whom while the wait lasts (when it begins and at
    // each retry), so that a front end can say so; returning false gives up at once.
    using WaitObserver = std::function<bool(const Failure& waitingFor)>;

    // Locks every directory (each once, however often it is named) or none: the first one held
    // elsewhere after the wait is returned. Stale temporary files of dead writers are removed
    // from each directory once it is locked.
    [[nodiscard]] std::optional<Failure> Acquire(std::vector<std::filesystem::path> directories,
                                                 std::string_view purpose,
                                                 const WaitObserver& waiting = {});

  private:
    std::vector<DirectoryLock> m_locks;
};

// Locks the portfolios a command changes; on failure tells the person who holds which one and
// that nothing was changed, and returns nothing.
[[nodiscard]] std::optional<PortfolioLocks> LockPortfolios(
    std::vector<std::filesystem::path> directories, std::string_view purpose, Messenger& messenger);

// The text LockPortfolios shows for a failure.
std::string LockFailureText(const PortfolioLocks::Failure& failure);
// What a writer shows while it waits for `failure.directory`.
std::string LockWaitText(const PortfolioLocks::Failure& failure);

}  // namespace ticksmith::platform
