#include "platform/volumes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace ticksmith::platform {

std::filesystem::path VolumeRoot(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::path current = std::filesystem::absolute(path, error).lexically_normal();
    if (error) {
        return path.root_path();
    }
    struct stat info {};
    // A path that does not exist yet is judged by its nearest existing ancestor.
    while (::stat(current.c_str(), &info) != 0 && current.has_relative_path()) {
        current = current.parent_path();
    }
    const dev_t device = info.st_dev;
    while (current.has_relative_path()) {
        const std::filesystem::path parent = current.parent_path();
        struct stat parentInfo {};
        if (::stat(parent.c_str(), &parentInfo) != 0 || parentInfo.st_dev != device) {
            break;
        }
        current = parent;
    }
    return current;
}

namespace {

// File systems of the kernel and of memory, which never hold a user's portfolios.
constexpr std::array kSystemTypes = {
    "autofs",  "binfmt_misc",     "bpf",         "cgroup",     "cgroup2",    "configfs", "debugfs",
    "devpts",  "devtmpfs",        "efivarfs",    "fusectl",    "hugetlbfs",  "mqueue",   "nsfs",
    "proc",    "pstore",          "ramfs",       "rpc_pipefs", "securityfs", "sysfs",    "tmpfs",
    "tracefs", "fuse.gvfsd-fuse", "fuse.portal", "squashfs"};

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

// The mounts table writes a space in a path as \040, and so on.
std::string UnescapeMountPath(std::string_view text) {
    std::string path;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 3 < text.size() && IsOctal(text[at + 1]) &&
            IsOctal(text[at + 2]) && IsOctal(text[at + 3])) {
            path += static_cast<char>((text[at + 1] - '0') * 64 + (text[at + 2] - '0') * 8 +
                                      (text[at + 3] - '0'));
            at += 3;
        } else {
            path += text[at];
        }
    }
    return path;
}

}  // namespace

std::vector<std::filesystem::path> VolumesOfMountTable(std::string_view table) {
    std::set<std::string> points;
    while (!table.empty()) {
        const std::size_t end = table.find('\n');
        const std::string_view line = table.substr(0, end);
        table = end == std::string_view::npos ? std::string_view{} : table.substr(end + 1);
        // device mount-point type options ...
        const std::size_t first = line.find(' ');
        const std::size_t second =
            line.find(' ', first == std::string_view::npos ? first : first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            continue;
        }
        const std::size_t third = line.find(' ', second + 1);
        const std::string_view type =
            line.substr(second + 1, third == std::string_view::npos ? std::string_view::npos
                                                                    : third - second - 1);
        if (std::find(kSystemTypes.begin(), kSystemTypes.end(), type) != kSystemTypes.end()) {
            continue;
        }
        const std::string point = UnescapeMountPath(line.substr(first + 1, second - first - 1));
        // Mounts of the system's own trees and of the snap store are not places for data.
        bool system = false;
        for (const std::string_view tree : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap"}) {
            if (point == tree ||
                (point.size() > tree.size() && point.compare(0, tree.size(), tree) == 0 &&
                 point[tree.size()] == '/')) {
                system = true;
            }
        }
        if (!system && !point.empty() && point.front() == '/') {
            points.insert(point);
        }
    }
    return {points.begin(), points.end()};
}

std::vector<std::filesystem::path> MountedVolumes() {
    // The kernel reports a size of 0 for it: read to the end instead.
    std::ifstream mounts("/proc/self/mounts");
    const std::string table((std::istreambuf_iterator<char>(mounts)),
                            std::istreambuf_iterator<char>());
    std::vector<std::filesystem::path> volumes = VolumesOfMountTable(table);
    if (volumes.empty()) {
        volumes.emplace_back("/");
    }
    return volumes;
}

bool IsEnterableDirectory(const std::filesystem::path& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace ticksmith::platform
