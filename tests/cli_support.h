#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "settings/settings_store.h"

namespace ticksmith::test {

struct CliResult {
    int code = 0;
    std::string out;
    std::string err;
};

using SettingsOpener =
    std::function<std::unique_ptr<settings::SettingsStore>(const std::filesystem::path&)>;

// One ticksmith-cli command line run in-process in `workingDirectory`. Each run gets fresh
// settings in memory unless `openSettings` says otherwise.
inline CliResult RunCliIn(const std::filesystem::path& workingDirectory,
                          const std::vector<std::string>& arguments,
                          SettingsOpener openSettings = {}) {
    if (!openSettings) {
        openSettings = [](const std::filesystem::path&) {
            return std::make_unique<settings::MemorySettingsStore>();
        };
    }
    std::ostringstream out, err;
    const cli::CliEnvironment environment{.out = out,
                                          .err = err,
                                          .workingDirectory = workingDirectory,
                                          .openSettings = std::move(openSettings)};
    const int code = cli::RunCli(arguments, environment);
    return {code, out.str(), err.str()};
}

}  // namespace ticksmith::test
