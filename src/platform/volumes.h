#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace ticksmith::platform {

// The mount point of the file system that holds `path`: what a drive root was on Windows.
std::filesystem::path VolumeRoot(const std::filesystem::path& path);

// The mounted file systems that can hold portfolios, what the drive box lists: the mount
// points of /proc/self/mounts without the kernel's own file systems, in sorted order.
std::vector<std::filesystem::path> MountedVolumes();
// The same from the text of a mounts table.
std::vector<std::filesystem::path> VolumesOfMountTable(std::string_view table);

// A directory that exists and may be entered.
bool IsEnterableDirectory(const std::filesystem::path& path);

}  // namespace ticksmith::platform
