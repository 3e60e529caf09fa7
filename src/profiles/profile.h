#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messenger.h"
#include "settings/settings_store.h"

namespace ticksmith::profiles {

namespace fs = std::filesystem;

inline constexpr std::size_t kProfileSize = 313;
inline constexpr std::size_t kAssignmentSize = 34;
inline constexpr std::size_t kUpdateDirectoryField = 301;
inline constexpr std::size_t kProfileNameField = 33;
inline constexpr std::size_t kMaxProfileName = 32;
inline constexpr std::size_t kMaxUpdateDirectory = 250;
inline constexpr int kMaxColumn = 20;
inline constexpr std::string_view kDefaultProfileName = "Profile1";

enum class Delimiter : std::uint8_t { kComma = 0, kTab = 1, kSpace = 2 };

// The 313-byte `<name>.pfd`: how one family of ASCII update files is laid out.
struct Profile {
    std::uint8_t marker = 1;
    std::uint8_t symbolColumn = 1;
    std::uint8_t dateColumn = 2;
    std::uint8_t openColumn = 0;  // 0: the files carry no such field
    std::uint8_t highColumn = 0;
    std::uint8_t lowColumn = 0;
    std::uint8_t closeColumn = 0;
    std::uint8_t volumeColumn = 0;
    std::uint8_t openInterestColumn = 0;
    std::uint8_t priorDayVolumeOI = 0;
    std::uint8_t dateFormat = 1;
    std::uint8_t delimiter = 0;
    std::string updateDirectory;

    // The character its columns are separated by: comma, tab or space.
    char DelimiterCharacter() const { return delimiter == 1 ? '\t' : delimiter == 2 ? ' ' : ','; }

    bool operator==(const Profile&) const = default;
};

using ProfileBytes = std::array<std::uint8_t, kProfileSize>;
using AssignmentBytes = std::array<std::uint8_t, kAssignmentSize>;

// A short input leaves the missing tail as zeros. An update directory without its NUL ends
// at the field's end.
Profile DecodeProfile(const std::uint8_t* bytes, std::size_t size = kProfileSize);
// False when the update directory does not fit its 301-byte field with the terminating NUL.
[[nodiscard]] bool EncodeProfile(const Profile& profile, ProfileBytes& bytes);

// The 34-byte `F<n>.pfl` naming a symbol's profile.
std::string DecodeAssignment(const std::uint8_t* bytes, std::size_t size = kAssignmentSize);
// False when the name does not fit its 33-byte field with the terminating NUL.
[[nodiscard]] bool EncodeAssignment(std::string_view profileName, AssignmentBytes& bytes);

std::string ProfileFileName(std::string_view name);  // <name>.pfd
std::string AssignmentFileName(int fileNumber);      // F<n>.pfl

// The directory a profile's update files are in: relative to the working directory when not
// absolute, without trailing separators.
fs::path UpdateDirectoryOf(const Profile& profile, const fs::path& workingDirectory);

// A profile name becomes a file name: it must stay inside the working directory.
bool IsUsableProfileName(std::string_view name);
// Shows kUnusableNameMessage and returns false for a name that cannot be used.
[[nodiscard]] bool CheckProfileName(std::string_view name, platform::Messenger& messenger);
inline constexpr std::string_view kUnusableNameMessage =
    "The Profile name %s cannot be used: a name may not be empty, \".\" or \"..\", nor "
    "contain \"/\" or \"\\\".";

// The names of the profiles in the working directory (regular files named <name>.pfd in any
// case), in listing order.
std::vector<std::string> ProfileNames(const fs::path& workingDirectory);

struct ProfileList {
    std::vector<std::string> names;  // sorted
    int selected = 0;
};

// The profiles of the working directory, "LastPFD" (or the first) selected. Writes the
// default profile when there is none.
ProfileList ListProfiles(const fs::path& workingDirectory, const settings::SettingsStore& store,
                         platform::Messenger& messenger);

Profile DefaultProfile(const fs::path& workingDirectory);
[[nodiscard]] bool CreateDefaultProfile(const fs::path& workingDirectory,
                                        platform::Messenger& messenger);

// With the messages of the profile dialogs.
[[nodiscard]] bool ReadProfile(const fs::path& workingDirectory, std::string_view name,
                               Profile& profile, platform::Messenger& messenger);
[[nodiscard]] bool WriteProfile(const fs::path& workingDirectory, std::string_view name,
                                const Profile& profile, platform::Messenger& messenger);
// The update run's read: silent, and a short file leaves its tail as zeros.
[[nodiscard]] bool LoadProfileQuietly(const fs::path& workingDirectory, std::string_view name,
                                      Profile& profile);

// The profile name a symbol's F<n>.pfl holds; nothing when there is no assignment file.
[[nodiscard]] std::optional<std::string> ReadAssignment(const fs::path& portfolioDirectory,
                                                        int fileNumber);
// Writes a symbol's F<n>.pfl without a message.
[[nodiscard]] bool WriteAssignmentFile(const fs::path& portfolioDirectory, int fileNumber,
                                       const AssignmentBytes& bytes);
[[nodiscard]] bool AssignProfile(const fs::path& portfolioDirectory, int fileNumber,
                                 std::string_view name, settings::SettingsStore& store,
                                 platform::Messenger& messenger);
// Goes on past a file that cannot be written; true when every file was written.
[[nodiscard]] bool AssignProfileToAll(const fs::path& portfolioDirectory,
                                      const std::vector<int>& fileNumbers, std::string_view name,
                                      settings::SettingsStore& store,
                                      platform::Messenger& messenger);

}  // namespace ticksmith::profiles
