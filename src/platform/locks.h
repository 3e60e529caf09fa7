#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

namespace ticksmith::platform {

// An advisory lock on a directory, held against every other writer of that directory, in this
// process or another (the GUI and a scheduled ticksmith-cli update), and released when the
// holder is destroyed or the process ends.
class DirectoryLock {
  public:
    DirectoryLock() = default;
    ~DirectoryLock();
    DirectoryLock(DirectoryLock&& other) noexcept;
    DirectoryLock& operator=(DirectoryLock&& other) noexcept;
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

    enum class Result { kAcquired, kHeldElsewhere, kNoDirectory };
    // Tries until `deadline`.
    Result Acquire(const std::filesystem::path& directory,
                   std::chrono::steady_clock::time_point deadline);
    void Release();
    bool Held() const { return m_descriptor >= 0; }

  private:
    int m_descriptor = -1;
};

}  // namespace ticksmith::platform
