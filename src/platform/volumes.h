#pragma once

#include <filesystem>

namespace ticksmith::platform {

// The mount point of the file system that holds `path`: what a drive root was on Windows.
std::filesystem::path VolumeRoot(const std::filesystem::path& path);

// A directory that exists and may be entered.
bool IsEnterableDirectory(const std::filesystem::path& path);

}  // namespace ticksmith::platform
