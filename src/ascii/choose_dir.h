#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/messenger.h"

namespace ticksmith::ascii {

// The OK rules of the directory chooser (CChooseDir) applied to the typed path: refuses
// characters no path may hold, accepts an existing directory, offers to create a missing one
// (one level). Nothing when the dialog stays open. The process's own directory is never
// changed; callers use the result explicitly.
[[nodiscard]] std::optional<std::filesystem::path> AcceptChosenDirectory(
    std::string_view text, platform::Messenger& messenger);

}  // namespace ticksmith::ascii
