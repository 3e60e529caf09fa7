#include "update/manual_date.h"

#include <algorithm>
#include <vector>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "profiles/profile.h"

namespace ticksmith::update {

namespace {

constexpr std::size_t kBinaryProbe = 4096;
// Lines are taken whole here: a date put into the middle of a long line would spoil it.
constexpr std::size_t kWholeLine = static_cast<std::size_t>(-1);

struct UpdateFile {
    std::filesystem::path path;
    std::string upperPath;
    char separator;
};

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\f\v") == std::string_view::npos;
}

enum class Rewritten { kUnchanged, kChanged, kFailed };

Rewritten Rewrite(const UpdateFile& file, std::string_view date) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(file.path, bytes)) {
        return Rewritten::kFailed;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, kBinaryProbe).find('\0') != std::string_view::npos) {
        return Rewritten::kUnchanged;
    }
    std::string output;
    output.reserve(text.size() + text.size() / 4);
    bool changed = false;
    platform::LinePieceReader reader(text, kWholeLine);
    std::string_view line;
    bool endsLine = false;
    while (reader.Next(line, endsLine)) {
        if (!IsBlank(line) && line.find(date) == std::string_view::npos) {
            output += date;
            output += file.separator;
            changed = true;
        }
        output += line;
        output += "\r\n";
    }
    if (!changed) {
        return Rewritten::kUnchanged;
    }
    const std::filesystem::path directory = file.path.parent_path();
    const std::filesystem::path backup = directory / "BAK";
    if (!platform::IsDirectory(backup) && !platform::CurrentFileSystem().CreateDirectory(backup)) {
        return Rewritten::kFailed;
    }
    // The original is replaced only once its copy is safe.
    const std::string backupName = std::filesystem::path(file.upperPath).filename().string();
    if (!platform::CopyToBackup(file.path, backup, backupName) ||
        !platform::ReplaceFileContents(directory, file.path.filename().string(), "TEMP.TXT",
                                       output.data(), output.size())) {
        return Rewritten::kFailed;
    }
    return Rewritten::kChanged;
}

}  // namespace

std::string ManualDateText(std::string_view entered) {
    std::string text(entered);
    std::replace(text.begin(), text.end(), ',', ' ');
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

ManualDateResult AssignManualDate(const std::filesystem::path& workingDirectory,
                                  std::string_view dateText) {
    std::string date = ManualDateText(dateText);
    date.erase(0, std::min(date.find_first_not_of(' '), date.size()));
    date.erase(date.find_last_not_of(' ') + 1);
    std::vector<UpdateFile> files;
    for (const std::string& profileName : profiles::ProfileNames(workingDirectory)) {
        profiles::Profile profile;
        if (!profiles::LoadProfileQuietly(workingDirectory, profileName, profile)) {
            continue;
        }
        const char separator = profile.DelimiterCharacter();
        const std::filesystem::path directory =
            profiles::UpdateDirectoryOf(profile, workingDirectory);
        for (const platform::DirectoryEntry& update : platform::ListDirectory(directory)) {
            if (update.isDirectory) {
                continue;
            }
            const std::filesystem::path path = directory / update.name;
            const std::string upper = platform::ToUpperAscii(path.string());
            // A directory two profiles share takes the separator of the first.
            if (std::none_of(files.begin(), files.end(),
                             [&](const UpdateFile& file) { return file.upperPath == upper; })) {
                files.push_back({path, upper, separator});
            }
        }
    }
    ManualDateResult result;
    for (const UpdateFile& file : files) {
        switch (Rewrite(file, date)) {
            case Rewritten::kUnchanged:
                break;
            case Rewritten::kChanged:
                ++result.filesChanged;
                break;
            case Rewritten::kFailed:
                result.failed.push_back(file.path);
                break;
        }
    }
    return result;
}

}  // namespace ticksmith::update
