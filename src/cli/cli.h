#pragma once

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace ticksmith::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Where a command line runs: its streams, its working directory (profiles, AUDIT.TXT,
// Lasttime) and how its settings store is opened.
struct CliEnvironment {
    std::ostream& out;
    std::ostream& err;
    std::filesystem::path workingDirectory;
    bool errorIsTerminal = false;
    // Opens the store: the given --settings file, or the user's store when it is empty.
    std::function<std::unique_ptr<settings::SettingsStore>(const std::filesystem::path&)>
        openSettings;
};

// The environment of the real program: the process's current directory and QSettings.
CliEnvironment ProcessEnvironment(std::ostream& out, std::ostream& err);

// Runs one ticksmith-cli command line (without the program name), so that tests drive
// commands in-process. Returns the exit status.
[[nodiscard]] int RunCli(const std::vector<std::string>& arguments,
                         const CliEnvironment& environment);

}  // namespace ticksmith::cli
