#include "profiles/profile_form.h"

#include <algorithm>
#include <array>

#include "platform/names.h"
#include "platform/volumes.h"

namespace ticksmith::profiles {

namespace {

int ColumnOrZero(bool on, int column) {
    return on ? column : 0;
}

void LoadColumn(std::uint8_t stored, bool& on, int& column) {
    on = stored != 0;
    column = on ? stored : 1;
}

}  // namespace

ProfileForm NewProfileForm(const std::filesystem::path& currentPortfolio) {
    ProfileForm form;
    form.mode = ProfileMode::kNew;
    form.name = kNewProfileName;
    form.updateDirectory = platform::VolumeRoot(currentPortfolio).string();
    return form;
}

ProfileForm FormFromProfile(const Profile& profile, std::string_view name, ProfileMode mode) {
    ProfileForm form;
    form.mode = mode;
    form.name = mode == ProfileMode::kClone ? std::string(kCloneProfileName) : std::string(name);
    form.updateDirectory = profile.updateDirectory;
    form.symbolColumn = profile.symbolColumn;
    form.dateColumn = profile.dateColumn;
    form.closeColumn = profile.closeColumn;
    LoadColumn(profile.openColumn, form.openOn, form.openColumn);
    LoadColumn(profile.highColumn, form.highOn, form.highColumn);
    LoadColumn(profile.lowColumn, form.lowOn, form.lowColumn);
    LoadColumn(profile.volumeColumn, form.volumeOn, form.volumeColumn);
    LoadColumn(profile.openInterestColumn, form.openInterestOn, form.openInterestColumn);
    form.dateFormatPosition = profile.dateFormat - 1;
    form.delimiter = profile.delimiter;
    form.futures = profile.priorDayVolumeOI != 0;
    return form;
}

Profile ProfileFromForm(const ProfileForm& form) {
    Profile profile;
    profile.marker = 1;
    profile.symbolColumn = static_cast<std::uint8_t>(form.symbolColumn);
    profile.dateColumn = static_cast<std::uint8_t>(form.dateColumn);
    profile.openColumn = static_cast<std::uint8_t>(ColumnOrZero(form.openOn, form.openColumn));
    profile.highColumn = static_cast<std::uint8_t>(ColumnOrZero(form.highOn, form.highColumn));
    profile.lowColumn = static_cast<std::uint8_t>(ColumnOrZero(form.lowOn, form.lowColumn));
    profile.closeColumn = static_cast<std::uint8_t>(form.closeColumn);
    profile.volumeColumn =
        static_cast<std::uint8_t>(ColumnOrZero(form.volumeOn, form.volumeColumn));
    profile.openInterestColumn =
        static_cast<std::uint8_t>(ColumnOrZero(form.openInterestOn, form.openInterestColumn));
    profile.priorDayVolumeOI = form.futures ? 1 : 0;
    profile.dateFormat = static_cast<std::uint8_t>(form.dateFormatPosition + 1);
    profile.delimiter = static_cast<std::uint8_t>(form.delimiter);
    profile.updateDirectory = form.updateDirectory;
    // One trailing separator goes, so a volume root is stored as its bare name.
    if (profile.updateDirectory.size() > 1 &&
        (profile.updateDirectory.back() == '/' || profile.updateDirectory.back() == '\\')) {
        profile.updateDirectory.pop_back();
    }
    return profile;
}

bool ValidateProfileForm(ProfileForm& form, const std::vector<std::string>& existingNames,
                         platform::Messenger& messenger) {
    const std::array<int, 8> columns = {
        form.dateColumn,  form.openColumn,   form.highColumn,         form.lowColumn,
        form.closeColumn, form.volumeColumn, form.openInterestColumn, form.symbolColumn};
    for (int column : columns) {
        if (column < 1 || column > kMaxColumn) {
            messenger.Show("Please enter an integer between 1 and 20.");
            return false;
        }
    }
    if (form.name.size() > kMaxProfileName) {
        messenger.Show("Please enter no more than 32 characters.");
        return false;
    }
    if (form.updateDirectory.size() > kMaxUpdateDirectory) {
        messenger.Show("Please enter no more than 250 characters.");
        return false;
    }
    std::vector<int> inUse = {form.symbolColumn, form.dateColumn, form.closeColumn};
    for (const auto& [on, column] :
         {std::pair{form.openOn, form.openColumn}, std::pair{form.highOn, form.highColumn},
          std::pair{form.lowOn, form.lowColumn}, std::pair{form.volumeOn, form.volumeColumn},
          std::pair{form.openInterestOn, form.openInterestColumn}}) {
        if (on) {
            inUse.push_back(column);
        }
    }
    std::sort(inUse.begin(), inUse.end());
    if (std::adjacent_find(inUse.begin(), inUse.end()) != inUse.end()) {
        messenger.Show("Duplicate columns specified\nCorrect or disable");
        return false;
    }
    form.name.erase(form.name.find_last_not_of(" \t") + 1);
    if (form.name.empty()) {
        messenger.Show("You did not enter a Profile name");
        return false;
    }
    if (!CheckProfileName(form.name, messenger)) {
        return false;
    }
    if (form.updateDirectory.size() < 3) {
        messenger.Show("The Path you specified is invalid");
        return false;
    }
    if (form.mode != ProfileMode::kEdit &&
        std::any_of(existingNames.begin(), existingNames.end(), [&](const std::string& name) {
            return platform::EqualsIgnoringCase(name, form.name);
        })) {
        messenger.Show(platform::FormatMessage(
            "Your request was to create or clone a Profile\nbut the Profile name %s already "
            "exists.\nChoose a different Profile name.",
            {form.name}));
        return false;
    }
    if (form.dateFormatPosition < 0 || form.dateFormatPosition > 11) {
        messenger.Show("Choose one of the twelve date formats.");
        return false;
    }
    if (!platform::IsEnterableDirectory(form.updateDirectory)) {
        messenger.Show("The Path to the Update Files does not exist");
        return false;
    }
    return true;
}

}  // namespace ticksmith::profiles
