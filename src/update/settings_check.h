#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/form_problem.h"
#include "settings/view_settings.h"

namespace ticksmith::update {

// The Settings form's fields that a check can send the person back to.
enum class SettingsField {
    kPkunzipPath,
    kSearchName,
};

inline constexpr std::string_view kArchiverMissingMessage =
    "PKUNZIP.EXE was not found at\n%s\n\nPlease correct the path or \ndisable automatic "
    "decompression.";
inline constexpr std::string_view kUnknownFilterDriveMessage =
    "The Search Filter path refers to an unknown drive";

// The Settings form's checks in order: with compressed files in use, the archiver must be
// where the path says (beside the program when it is empty), as a program that can be
// started; with the filter on, its text must lie on one of the drive box's entries.
[[nodiscard]] std::optional<platform::FormProblem<SettingsField>> CheckSettingsForm(
    const settings::ViewSettings& settings, const std::vector<std::string>& driveEntries);

}  // namespace ticksmith::update
