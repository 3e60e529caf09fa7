#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ticksmith::platform {

// A program started with its own working directory (the parent's never changes), standard
// input on /dev/null and no inherited descriptors. The last few kilobytes of its standard
// output and error are kept, so that the caller can say why it failed.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // `arguments` excludes the program itself. False when it cannot be started.
    [[nodiscard]] bool Start(const std::filesystem::path& program,
                             const std::vector<std::string>& arguments,
                             const std::filesystem::path& directory);

    // Waits at most `limit`; a program still running then is killed. The exit code when it
    // ended by itself in time, nothing otherwise.
    [[nodiscard]] std::optional<int> Wait(std::chrono::milliseconds limit);

    // The process id it was started with; it stays valid for naming what the child left behind.
    int Id() const { return m_startedId; }
    const std::string& Output() const { return m_output[0].text; }
    const std::string& Errors() const { return m_output[1].text; }

  private:
    struct Stream {
        int descriptor = -1;
        std::string text;  // the end of what was read
    };
    // Reads what the pipes hold, waiting at most `pause` for something to arrive.
    void Pump(std::chrono::milliseconds pause);
    void Drain();
    void CloseStreams();

    int m_pid = -1;
    int m_startedId = -1;
    Stream m_output[2];
};

// The last line of a program's output that holds more than blanks; empty when there is none.
std::string LastLine(const std::string& text);

// The directory of the running program (where ticksmith-cli and pkunzip are installed).
std::filesystem::path ExecutableDirectory();

}  // namespace ticksmith::platform
