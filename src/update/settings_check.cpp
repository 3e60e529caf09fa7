#include "update/settings_check.h"

#include <unistd.h>

#include <system_error>

#include "platform/child_process.h"
#include "platform/file_system.h"
#include "platform/messenger.h"
#include "portfolio/discovery.h"
#include "update/archiver.h"

namespace ticksmith::update {

namespace {

// A directory opens for reading too, and a file without execute permission cannot be started.
bool IsStartableProgram(const fs::path& program) {
    std::error_code error;
    return fs::is_regular_file(program, error) && platform::InputFile(program).IsOpen() &&
           ::access(program.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<platform::FormProblem<SettingsField>> CheckSettingsForm(
    const settings::ViewSettings& settings, const std::vector<std::string>& driveEntries) {
    const fs::path archiver = ArchiverProgramIn(settings.pkunzipPath);
    if (settings.zipEnable && !IsStartableProgram(archiver)) {
        const std::string where =
            settings.pkunzipPath.empty() ? archiver.parent_path().string() : settings.pkunzipPath;
        return platform::Refuse(SettingsField::kPkunzipPath,
                                platform::FormatMessage(kArchiverMissingMessage, {where}));
    }
    if (settings.searchLimit && !portfolio::DriveOfFilter(settings.searchName, driveEntries)) {
        return platform::Refuse(SettingsField::kSearchName,
                                std::string(kUnknownFilterDriveMessage));
    }
    return std::nullopt;
}

}  // namespace ticksmith::update
