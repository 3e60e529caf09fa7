#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/form_problem.h"
#include "profiles/profile.h"

namespace ticksmith::profiles {

enum class ProfileMode { kClone = 0, kNew = 1, kEdit = 2 };

// What the Profile Settings dialog shows and collects. A cleared box keeps its column number
// on screen; only the box says whether the field is in use.
struct ProfileForm {
    ProfileMode mode = ProfileMode::kNew;
    std::string name;
    std::string updateDirectory;
    int symbolColumn = 1;
    int dateColumn = 2;
    int openColumn = 3;
    int highColumn = 4;
    int lowColumn = 5;
    int closeColumn = 6;
    int volumeColumn = 7;
    int openInterestColumn = 8;
    bool openOn = true;
    bool highOn = true;
    bool lowOn = true;
    bool volumeOn = true;
    bool openInterestOn = true;
    int dateFormatPosition = 0;  // from 0
    int delimiter = 0;           // 0 comma, 1 tab, 2 space
    bool futures = false;
};

inline constexpr std::string_view kNewProfileName = "NewProfile";
inline constexpr std::string_view kCloneProfileName = "Please create new Profile name";

// New: the starting values, the update directory being the root of the volume that holds
// the current portfolio.
ProfileForm NewProfileForm(const std::filesystem::path& currentPortfolio);
// Clone proposes a new name; Edit keeps the profile's own.
ProfileForm FormFromProfile(const Profile& profile, std::string_view name, ProfileMode mode);
Profile ProfileFromForm(const ProfileForm& form);

// The dialog's controls a check can refuse, so the dialog can put the focus back on one.
enum class ProfileFormField {
    kName,
    kUpdateDirectory,
    kSymbolColumn,
    kDateColumn,
    kOpenColumn,
    kHighColumn,
    kLowColumn,
    kCloseColumn,
    kVolumeColumn,
    kOpenInterestColumn,
    kDateFormat
};

using ProfileFormProblem = platform::FormProblem<ProfileFormField>;

// Save's checks in their order; nothing when the form may be saved. The caller shows the
// problem's message. Trims the end of the name (the dialog shows it back). `existingNames` are
// the profiles listed now.
[[nodiscard]] std::optional<ProfileFormProblem> ValidateProfileForm(
    ProfileForm& form, const std::vector<std::string>& existingNames);

}  // namespace ticksmith::profiles
