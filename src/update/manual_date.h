#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ticksmith::update {

// Prefixes every line of every update file of every profile's directory with the date text and
// the profile's delimiter, for vendors whose files carry no date. Lines that are blank or that
// already hold the date stay as they are; a changed file is first copied to BAK/ beside it and
// then replaced through TEMP.TXT. Binary files (a NUL byte in their first 4 KiB, such as
// archives) are left alone. Commas and tabs in the text become spaces.
struct ManualDateResult {
    int filesChanged = 0;
    // Files that needed the date but could not be read, backed up or replaced: their lines
    // still carry no date.
    std::vector<std::filesystem::path> failed;
};
[[nodiscard]] ManualDateResult AssignManualDate(const std::filesystem::path& workingDirectory,
                                                std::string_view dateText);

// The date text as the dialog hands it over: commas and tabs replaced by spaces.
std::string ManualDateText(std::string_view entered);

}  // namespace ticksmith::update
