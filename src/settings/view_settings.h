#pragma once

#include <filesystem>
#include <string>

#include "settings/settings_store.h"

namespace ticksmith::settings {

// The settings the main view keeps copies of, loaded once at start-up; the GUI and the CLI
// share them.
struct ViewSettings {
    bool displayRecent = true;
    bool showingGraph = false;
    std::filesystem::path workingDirectory;
    bool searchLimit = true;
    std::string searchName;
    std::string searchFilter;  // searchName upper-cased
    bool masterFix = false;
    bool auditEnable = false;
    bool soundDisable = false;
    bool volumeAsInteger = false;
    bool openInterestAsInteger = false;
    bool newSymbols = false;
    bool handAdd = false;
    bool sexEnable = false;
    std::string sexPassword;
    bool sexPasswordEnable = false;
    bool deleteSex = false;
    bool zipEnable = false;
    std::string zipPassword;
    bool zipPasswordEnable = false;
    bool deleteZip = false;
    std::string pkunzipPath;
    bool deleteTxt = false;
    bool catchUp = true;
};

inline constexpr std::string_view kLasttimeDirectory = "Lasttime";

// Loads the view's settings in start-up order, with `workingDirectory` (the process's
// directory at start-up) as the working directory. Reads only the store: the working
// directory's Lasttime and default profile are the start-up's to make, before this.
[[nodiscard]] ViewSettings LoadViewSettings(const SettingsStore& store,
                                            const std::filesystem::path& workingDirectory);

// Stores what the Settings dialog edits, in the order the dialog has always written it. False
// when any value could not be stored (the others are written all the same).
bool WriteViewSettings(SettingsStore& store, const ViewSettings& settings);

// What the window does once changed settings are in place.
enum class SettingsFollowUp {
    kNothing,
    // The search filter changed: the drive is scanned again.
    kRescan,
    // Only the number display changed: the quote grid is filled again.
    kRefillQuotes,
};
SettingsFollowUp FollowUpOf(const ViewSettings& before, const ViewSettings& after);

}  // namespace ticksmith::settings
