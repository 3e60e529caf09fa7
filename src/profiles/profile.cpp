#include "profiles/profile.h"

#include <algorithm>
#include <cstring>

#include "platform/file_system.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "settings/setting_keys.h"

namespace ticksmith::profiles {

namespace {

// Offsets of the profile record.
constexpr std::size_t kUpdateDirectoryAt = 12;
static_assert(kUpdateDirectoryAt + kUpdateDirectoryField == kProfileSize, "a profile is 313 bytes");
static_assert(1 + kProfileNameField == kAssignmentSize, "an assignment is 34 bytes");

std::string TextUpToNul(const std::uint8_t* bytes, std::size_t size) {
    const auto* end = std::find(bytes, bytes + size, std::uint8_t{0});
    return std::string(bytes, end);
}

bool WriteFileShowingFailure(const fs::path& directory, std::string_view fileName,
                             const std::uint8_t* bytes, std::size_t size,
                             std::string_view failurePattern, platform::Messenger& messenger) {
    platform::ReplacementFile file(directory, fileName, std::string(fileName) + ".tmp");
    if (file.Open() && file.Write(bytes, size) && file.Commit()) {
        return true;
    }
    messenger.Show(platform::FormatMessage(failurePattern, {file.TargetPath().string()}));
    return false;
}

bool WriteAssignment(const fs::path& portfolioDirectory, int fileNumber, std::string_view name,
                     platform::Messenger& messenger) {
    AssignmentBytes bytes{};
    if (!EncodeAssignment(name, bytes) ||
        !WriteAssignmentFile(portfolioDirectory, fileNumber, bytes)) {
        messenger.Show(platform::FormatMessage(
            "Could not create file\n%s",
            {platform::ResolveEntry(portfolioDirectory, AssignmentFileName(fileNumber)).string()}));
        return false;
    }
    return true;
}

}  // namespace

Profile DecodeProfile(const std::uint8_t* bytes, std::size_t size) {
    ProfileBytes full{};
    std::copy_n(bytes, std::min(size, kProfileSize), full.begin());
    Profile profile;
    profile.marker = full[0];
    profile.symbolColumn = full[1];
    profile.dateColumn = full[2];
    profile.openColumn = full[3];
    profile.highColumn = full[4];
    profile.lowColumn = full[5];
    profile.closeColumn = full[6];
    profile.volumeColumn = full[7];
    profile.openInterestColumn = full[8];
    profile.priorDayVolumeOI = full[9];
    profile.dateFormat = full[10];
    profile.delimiter = full[11];
    profile.updateDirectory = TextUpToNul(full.data() + kUpdateDirectoryAt, kUpdateDirectoryField);
    return profile;
}

bool EncodeProfile(const Profile& profile, ProfileBytes& bytes) {
    if (profile.updateDirectory.size() >= kUpdateDirectoryField ||
        profile.updateDirectory.find('\0') != std::string::npos) {
        return false;
    }
    bytes.fill(0);
    bytes[0] = profile.marker;
    bytes[1] = profile.symbolColumn;
    bytes[2] = profile.dateColumn;
    bytes[3] = profile.openColumn;
    bytes[4] = profile.highColumn;
    bytes[5] = profile.lowColumn;
    bytes[6] = profile.closeColumn;
    bytes[7] = profile.volumeColumn;
    bytes[8] = profile.openInterestColumn;
    bytes[9] = profile.priorDayVolumeOI;
    bytes[10] = profile.dateFormat;
    bytes[11] = profile.delimiter;
    std::copy(profile.updateDirectory.begin(), profile.updateDirectory.end(),
              bytes.begin() + kUpdateDirectoryAt);
    return true;
}

std::string DecodeAssignment(const std::uint8_t* bytes, std::size_t size) {
    if (size <= 1) {
        return {};
    }
    return TextUpToNul(bytes + 1, std::min(size, kAssignmentSize) - 1);
}

bool EncodeAssignment(std::string_view profileName, AssignmentBytes& bytes) {
    if (profileName.size() >= kProfileNameField || profileName.find('\0') != profileName.npos) {
        return false;
    }
    bytes.fill(0);
    std::copy(profileName.begin(), profileName.end(), bytes.begin() + 1);
    return true;
}

bool WriteAssignmentFile(const fs::path& portfolioDirectory, int fileNumber,
                         const AssignmentBytes& bytes) {
    const std::string fileName = AssignmentFileName(fileNumber);
    return platform::ReplaceFileContents(portfolioDirectory, fileName, fileName + ".tmp",
                                         bytes.data(), bytes.size());
}

std::string ProfileFileName(std::string_view name) {
    return std::string(name) + ".pfd";
}

std::string AssignmentFileName(int fileNumber) {
    return "F" + std::to_string(fileNumber) + ".pfl";
}

fs::path UpdateDirectoryOf(const Profile& profile, const fs::path& workingDirectory) {
    std::string text = profile.updateDirectory;
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    const fs::path directory(text);
    return directory.is_absolute() || text.empty() ? directory : workingDirectory / directory;
}

bool IsUsableProfileName(std::string_view name) {
    return platform::IsPlainName(name);
}

bool CheckProfileName(std::string_view name, platform::Messenger& messenger) {
    if (IsUsableProfileName(name)) {
        return true;
    }
    messenger.Show(platform::FormatMessage(kUnusableNameMessage, {name}));
    return false;
}

std::vector<std::string> ProfileNames(const fs::path& workingDirectory) {
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(workingDirectory)) {
        const std::string& name = entry.name;
        if (entry.isFile && name.size() > 4 && platform::HasExtension(name, ".PFD")) {
            names.push_back(name.substr(0, name.size() - 4));
        }
    }
    return names;
}

ProfileList ListProfiles(const fs::path& workingDirectory, const settings::SettingsStore& store,
                         platform::Messenger& messenger) {
    ProfileList list;
    list.names = ProfileNames(workingDirectory);
    if (list.names.empty()) {
        // It says so itself when it fails; the list names Profile1 either way.
        static_cast<void>(CreateDefaultProfile(workingDirectory, messenger));
        list.names.emplace_back(kDefaultProfileName);
        return list;
    }
    std::sort(list.names.begin(), list.names.end(), platform::LessIgnoringCase);
    const std::string last = settings::Read(store, settings::keys::kLastProfile);
    const auto found = std::find_if(list.names.begin(), list.names.end(), [&](const auto& name) {
        return platform::EqualsIgnoringCase(name, last);
    });
    list.selected = found == list.names.end() ? 0 : static_cast<int>(found - list.names.begin());
    return list;
}

Profile DefaultProfile(const fs::path& workingDirectory) {
    Profile profile;
    profile.symbolColumn = 1;
    profile.dateColumn = 2;
    profile.openColumn = 3;
    profile.highColumn = 4;
    profile.lowColumn = 5;
    profile.closeColumn = 6;
    profile.volumeColumn = 7;
    profile.openInterestColumn = 0;
    profile.dateFormat = 3;
    profile.delimiter = static_cast<std::uint8_t>(Delimiter::kComma);
    profile.updateDirectory = (workingDirectory / "Sample" / "Textdata").string();
    return profile;
}

bool CreateDefaultProfile(const fs::path& workingDirectory, platform::Messenger& messenger) {
    ProfileBytes bytes{};
    const std::string fileName = ProfileFileName(kDefaultProfileName);
    platform::ReplacementFile file(workingDirectory, fileName, fileName + ".tmp");
    if (EncodeProfile(DefaultProfile(workingDirectory), bytes) && file.Open() &&
        file.Write(bytes.data(), bytes.size()) && file.Commit()) {
        return true;
    }
    messenger.Show(platform::FormatMessage("Creation of %s failed", {fileName}));
    return false;
}

bool ReadProfile(const fs::path& workingDirectory, std::string_view name, Profile& profile,
                 platform::Messenger& messenger) {
    if (!CheckProfileName(name, messenger)) {
        return false;
    }
    platform::InputFile file(platform::ResolveEntry(workingDirectory, ProfileFileName(name)));
    ProfileBytes bytes{};
    if (!file.IsOpen() ||
        file.ReadAt(0, bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size())) {
        messenger.Show(platform::FormatMessage("Error reading %s", {name}));
        return false;
    }
    profile = DecodeProfile(bytes.data());
    return true;
}

bool WriteProfile(const fs::path& workingDirectory, std::string_view name, const Profile& profile,
                  platform::Messenger& messenger) {
    if (!CheckProfileName(name, messenger)) {
        return false;
    }
    ProfileBytes bytes{};
    const std::string fileName = ProfileFileName(name);
    if (!EncodeProfile(profile, bytes)) {
        messenger.Show(
            platform::FormatMessage("Could not write Profile at\n%s",
                                    {platform::ResolveEntry(workingDirectory, fileName).string()}));
        return false;
    }
    return WriteFileShowingFailure(workingDirectory, fileName, bytes.data(), bytes.size(),
                                   "Could not write Profile at\n%s", messenger);
}

bool LoadProfileQuietly(const fs::path& workingDirectory, std::string_view name, Profile& profile) {
    if (!IsUsableProfileName(name)) {
        return false;
    }
    platform::InputFile file(platform::ResolveEntry(workingDirectory, ProfileFileName(name)));
    ProfileBytes bytes{};
    const std::int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    if (got < 0) {
        return false;
    }
    profile = DecodeProfile(bytes.data(), static_cast<std::size_t>(got));
    return true;
}

std::optional<std::string> ReadAssignment(const fs::path& portfolioDirectory, int fileNumber) {
    platform::InputFile file(
        platform::ResolveEntry(portfolioDirectory, AssignmentFileName(fileNumber)));
    AssignmentBytes bytes{};
    const std::int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    if (got < 0) {
        return std::nullopt;
    }
    return DecodeAssignment(bytes.data(), static_cast<std::size_t>(got));
}

bool AssignProfile(const fs::path& portfolioDirectory, int fileNumber, std::string_view name,
                   settings::SettingsStore& store, platform::Messenger& messenger) {
    if (name.empty()) {
        messenger.Show("Error creating Profile for symbol");
        return false;
    }
    if (!CheckProfileName(name, messenger)) {
        return false;
    }
    const auto locks =
        platform::LockPortfolios({portfolioDirectory}, "Profile assignment", messenger);
    if (!locks || !WriteAssignment(portfolioDirectory, fileNumber, name, messenger)) {
        return false;
    }
    settings::Write(store, settings::keys::kLastProfile, name);
    return true;
}

bool AssignProfileToAll(const fs::path& portfolioDirectory, const std::vector<int>& fileNumbers,
                        std::string_view name, settings::SettingsStore& store,
                        platform::Messenger& messenger) {
    if (name.empty()) {
        messenger.Show("Error creating Profile for multiple symbols");
        return false;
    }
    if (!CheckProfileName(name, messenger)) {
        return false;
    }
    const auto locks =
        platform::LockPortfolios({portfolioDirectory}, "Profile assignment", messenger);
    if (!locks) {
        return false;
    }
    bool all = true;
    for (int fileNumber : fileNumbers) {
        all = WriteAssignment(portfolioDirectory, fileNumber, name, messenger) && all;
    }
    settings::Write(store, settings::keys::kLastProfile, name);
    return all;
}

}  // namespace ticksmith::profiles
