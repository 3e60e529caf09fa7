#include "portfolio/working_directory.h"

#include <cerrno>

#include "platform/file_system.h"
#include "platform/names.h"
#include "profiles/profile.h"
#include "settings/view_settings.h"

namespace ticksmith::portfolio {

void PrepareWorkingDirectory(const std::filesystem::path& workingDirectory,
                             platform::Messenger& messenger) {
    const std::filesystem::path lasttime = workingDirectory / settings::kLasttimeDirectory;
    if (!platform::IsDirectory(lasttime)) {
        errno = 0;
        if (!platform::CurrentFileSystem().CreateDirectory(lasttime)) {
            messenger.Show(platform::FormatMessage(
                "%s could not be created%s.\nUpdate runs cannot keep their lists there, and new "
                "symbols are not identified.",
                {lasttime.string(), platform::LastErrorText()}));
        }
    }
    const auto profile = platform::ResolveEntry(
        workingDirectory, profiles::ProfileFileName(profiles::kDefaultProfileName));
    if (!platform::InputFile(profile).IsOpen()) {
        // It says so itself when it fails.
        static_cast<void>(profiles::CreateDefaultProfile(workingDirectory, messenger));
    }
}

}  // namespace ticksmith::portfolio
