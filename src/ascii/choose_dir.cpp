#include "ascii/choose_dir.h"

#include <string>

#include "platform/file_system.h"

namespace ticksmith::ascii {

std::optional<std::filesystem::path> AcceptChosenDirectory(std::string_view text,
                                                           platform::Messenger& messenger) {
    const std::string path(text);
    // "/" is the separator here, so unlike on Windows it is allowed.
    if (path.find_first_of("*?|<>\"") != std::string::npos || path.empty()) {
        messenger.Show(platform::FormatMessage("%s is not a valid pathname.", {path}));
        return std::nullopt;
    }
    if (platform::IsDirectory(path)) {
        return std::filesystem::path(path);
    }
    if (!messenger.AskYesNo(platform::FormatMessage(
            "Directory %s does not exist.\nCreate this directory?", {path}))) {
        return std::nullopt;
    }
    if (!platform::CurrentFileSystem().CreateDirectory(path)) {
        messenger.Show(
            platform::FormatMessage(
                "There was a problem creating %s.\nThe new directory was not created.", {path}),
            platform::MessageIcon::kInformation);
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

}  // namespace ticksmith::ascii
