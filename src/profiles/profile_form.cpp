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

std::optional<ProfileFormProblem> ValidateProfileForm(
    ProfileForm& form, const std::vector<std::string>& existingNames) {
    using enum ProfileFormField;
    struct Column {
        ProfileFormField field;
        int column;
        bool on;
    };
    // In the order the range check goes through them; a cleared box keeps its number, which
    // must still be in range.
    const std::array<Column, 8> columns = {
        {{kDateColumn, form.dateColumn, true},
         {kOpenColumn, form.openColumn, form.openOn},
         {kHighColumn, form.highColumn, form.highOn},
         {kLowColumn, form.lowColumn, form.lowOn},
         {kCloseColumn, form.closeColumn, true},
         {kVolumeColumn, form.volumeColumn, form.volumeOn},
         {kOpenInterestColumn, form.openInterestColumn, form.openInterestOn},
         {kSymbolColumn, form.symbolColumn, true}}};
    for (const Column& entry : columns) {
        if (entry.column < 1 || entry.column > kMaxColumn) {
            return platform::Refuse(entry.field, "Please enter an integer between 1 and 20.");
        }
    }
    if (form.name.size() > kMaxProfileName) {
        return platform::Refuse(kName, "Please enter no more than 32 characters.");
    }
    if (form.updateDirectory.size() > kMaxUpdateDirectory) {
        return platform::Refuse(kUpdateDirectory, "Please enter no more than 250 characters.");
    }
    // The focus goes to the later of two boxes that share a column, the symbol's coming first.
    std::array<bool, kMaxColumn + 1> claimed{};
    claimed[static_cast<std::size_t>(form.symbolColumn)] = true;
    for (std::size_t i = 0; i + 1 < columns.size(); ++i) {  // the symbol's, last, is claimed
        const Column& entry = columns[i];
        if (entry.on) {
            bool& claim = claimed[static_cast<std::size_t>(entry.column)];
            if (claim) {
                return platform::Refuse(entry.field,
                                        "Duplicate columns specified\nCorrect or disable");
            }
            claim = true;
        }
    }
    form.name.erase(form.name.find_last_not_of(" \t") + 1);
    if (form.name.empty()) {
        return platform::Refuse(kName, "You did not enter a Profile name");
    }
    if (!IsUsableProfileName(form.name)) {
        return platform::Refuse(kName, platform::FormatMessage(kUnusableNameMessage, {form.name}));
    }
    if (form.updateDirectory.size() < 3) {
        return platform::Refuse(kUpdateDirectory, "The Path you specified is invalid");
    }
    if (form.mode != ProfileMode::kEdit &&
        std::any_of(existingNames.begin(), existingNames.end(), [&](const std::string& name) {
            return platform::EqualsIgnoringCase(name, form.name);
        })) {
        return platform::Refuse(
            kName,
            platform::FormatMessage("Your request was to create or clone a Profile\nbut the "
                                    "Profile name %s already exists.\nChoose a different Profile "
                                    "name.",
                                    {form.name}));
    }
    if (form.dateFormatPosition < 0 || form.dateFormatPosition > 11) {
        return platform::Refuse(kDateFormat, "Choose one of the twelve date formats.");
    }
    if (!platform::IsEnterableDirectory(form.updateDirectory)) {
        return platform::Refuse(kUpdateDirectory, "The Path to the Update Files does not exist");
    }
    return std::nullopt;
}

}  // namespace ticksmith::profiles
