#include "platform/volumes.h"

#include <sys/stat.h>
#include <unistd.h>

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

bool IsEnterableDirectory(const std::filesystem::path& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace ticksmith::platform
