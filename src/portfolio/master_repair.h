#pragma once

#include <filesystem>
#include <string_view>

#include "platform/messenger.h"

namespace ticksmith::portfolio {

namespace fs = std::filesystem;

// The title of the repair's question and notices.
inline constexpr std::string_view kFixMasterTitle = "Fix Master File";

enum class MasterCondition { kSound, kCorrupted, kUnreadable };

// A MASTER is corrupted when its size is not its header's count of records, when two records
// share a file number, or when a record's symbol is empty.
[[nodiscard]] MasterCondition ExamineMaster(const fs::path& portfolioDirectory);

struct RepairOptions {
    bool masterFix = false;     // repair without asking
    bool soundDisable = false;  // only important sounds
};

// Keeps the first record of each file number, gives records without a symbol their issue name,
// drops broken-off bytes and sets the header's count; MASTER.bak keeps the state before the
// first repair. Asks first unless "MasterFix" is on. True when the repaired file replaced MASTER.
[[nodiscard]] bool RepairMaster(const fs::path& portfolioDirectory, const RepairOptions& options,
                                platform::Messenger& messenger);

// True when MASTER is sound or was repaired.
[[nodiscard]] bool CheckMaster(const fs::path& portfolioDirectory, const RepairOptions& options,
                               platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
