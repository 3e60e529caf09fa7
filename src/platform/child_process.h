#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ticksmith::platform {

// A program started with its own working directory (the parent's never changes), standard
// streams on /dev/null and no inherited descriptors.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `arguments` excludes the program itself. False when it cannot be started.
    bool Start(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& directory);

    // Waits at most `limit`; a program still running then is killed. The exit code when it
    // ended by itself in time, nothing otherwise.
    std::optional<int> Wait(std::chrono::milliseconds limit);

  private:
    int m_pid = -1;
};

// The directory of the running program (where ticksmith-cli and pkunzip are installed).
std::filesystem::path ExecutableDirectory();

}  // namespace ticksmith::platform
