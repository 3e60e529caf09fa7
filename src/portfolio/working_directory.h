#pragma once

#include <filesystem>

#include "platform/messenger.h"

namespace ticksmith::portfolio {

// The start-up's file effects on the working directory, before the view loads its settings:
// creates its Lasttime directory (an existing one is left alone) and writes the default profile
// when Profile1.pfd cannot be opened. Says what it could not make; the start-up goes on.
void PrepareWorkingDirectory(const std::filesystem::path& workingDirectory,
                             platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
