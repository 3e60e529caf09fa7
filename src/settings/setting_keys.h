#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "settings/settings_store.h"

namespace ticksmith::settings {

// Every stored setting with its section, value name and default, so that no default is
// written twice. Defaults that depend on the run (the working directory) are given where
// the setting is read.
struct IntSetting {
    std::string_view section;
    std::string_view value;
    int defaultValue;
};

struct StringSetting {
    std::string_view section;
    std::string_view value;
    std::string_view defaultValue;
};

inline int Read(const SettingsStore& store, const IntSetting& setting) {
    return store.ReadInt(setting.section, setting.value, setting.defaultValue);
}
inline std::string Read(const SettingsStore& store, const StringSetting& setting) {
    return store.ReadString(setting.section, setting.value, setting.defaultValue);
}
inline bool Write(SettingsStore& store, const IntSetting& setting, int number) {
    return store.WriteInt(setting.section, setting.value, number);
}
inline bool Write(SettingsStore& store, const StringSetting& setting, std::string_view text) {
    return store.WriteString(setting.section, setting.value, text);
}

namespace keys {

inline constexpr StringSetting kDrive{"Settings", "Drive", ""};
inline constexpr IntSetting kDisplayLimit{"Settings", "DisplayLimit", 1};
inline constexpr IntSetting kShowingGraph{"Settings", "ShowingGraph", 0};
// The graph's colour roles, each an entry of its eight-colour table.
inline constexpr IntSetting kGraphBackground{"Graph", "Background", 0};
inline constexpr IntSetting kGraphAxes{"Graph", "Axes", 7};
inline constexpr IntSetting kGraphHighLowBar{"Graph", "HighLowBar", 2};
inline constexpr IntSetting kGraphCloseTick{"Graph", "CloseTick", 3};
inline constexpr IntSetting kGraphNormalText{"Graph", "NormalText", 7};
inline constexpr IntSetting kGraphTitleText{"Graph", "TitleText", 3};
inline constexpr IntSetting kGraphVolume{"Graph", "Volume", 4};
inline constexpr IntSetting kSearchLimit{"Search", "Limit", 1};
// Its default is the working directory at start-up.
inline constexpr StringSetting kSearchName{"Search", "Name", ""};
inline constexpr IntSetting kMasterFix{"Search", "MasterFix", 0};
inline constexpr IntSetting kAuditEnable{"Audit", "AuditEnable", 0};
inline constexpr IntSetting kSoundDisable{"Sounds", "SoundDisable", 0};
inline constexpr IntSetting kVolumeAsInteger{"Int", "VOL", 0};
inline constexpr IntSetting kOpenInterestAsInteger{"Int", "OI", 0};
inline constexpr IntSetting kNewSymbols{"NewSymb", "NewSymb", 0};
inline constexpr IntSetting kHandAdd{"NewSymb", "HandAdd", 0};
inline constexpr IntSetting kSexEnable{"SEX", "SexEnable", 0};
inline constexpr StringSetting kSexPassword{"SEX", "SexPassword", ""};
inline constexpr IntSetting kSexPasswordEnable{"SEX", "SexPasswordEnable", 0};
inline constexpr IntSetting kDeleteSex{"SEX", "DeleteSex", 0};
inline constexpr IntSetting kZipEnable{"ZIP", "ZipEnable", 0};
inline constexpr StringSetting kZipPassword{"ZIP", "ZipPassword", ""};
inline constexpr IntSetting kZipPasswordEnable{"ZIP", "ZipPasswordEnable", 0};
inline constexpr IntSetting kDeleteZip{"ZIP", "DeleteZip", 0};
inline constexpr StringSetting kPkunzipPath{"ZIP", "PkunzipPath", ""};
inline constexpr IntSetting kDeleteTxt{"CleanUp", "DeleteTxt", 0};
// Every day missing since a symbol's last quote, not only the newest.
inline constexpr IntSetting kCatchUp{"Update", "CatchUp", 1};
inline constexpr IntSetting kScreenX{"Screen", "x", 0};
inline constexpr IntSetting kScreenY{"Screen", "y", 0};
inline constexpr IntSetting kScreenWidth{"Screen", "cx", 0};
inline constexpr IntSetting kScreenHeight{"Screen", "cy", 0};
inline constexpr std::string_view kSymbolGridSection = "SymbolGrid";  // col0 to col2
inline constexpr std::string_view kQuoteGridSection = "QuoteGrid";    // col0 to col6
inline constexpr StringSetting kLastProfile{"PFD", "LastPFD", ""};
inline constexpr IntSetting kFindSearchAll{"FindSymb", "SearchAll", 0};
inline constexpr IntSetting kFindByNumber{"FindSymb", "FindByNumber", 0};

// The historical import's last choices.
inline constexpr StringSetting kImportDateFormat{"Import", "DateFormat", "MMDDYY"};
inline constexpr IntSetting kImportExist{"Import", "Exist", 0};
inline constexpr IntSetting kImportDelimiter{"Import", "Delimiter", 0};
inline constexpr StringSetting kImportPathIn{"Import", "PathIn", ""};
inline constexpr StringSetting kImportPathOut{"Import", "PathOut", ""};
inline constexpr StringSetting kImportSymbol{"Import", "Symbol", ""};
inline constexpr StringSetting kImportName{"Import", "Name", ""};
inline constexpr IntSetting kImportReverse{"Import", "Reverse", 0};
inline constexpr IntSetting kImportSkipOn{"Import", "SkipOn", 0};
inline constexpr IntSetting kImportSkipRows{"Import", "SkipRows", 0};
inline constexpr IntSetting kImportDateColumn{"Import", "DateCol", 1};
inline constexpr IntSetting kImportOpenOn{"Import", "OpenOn", 1};
inline constexpr IntSetting kImportOpenColumn{"Import", "OpenCol", 2};
inline constexpr IntSetting kImportHighOn{"Import", "HiOn", 1};
inline constexpr IntSetting kImportHighColumn{"Import", "HiCol", 3};
inline constexpr IntSetting kImportLowOn{"Import", "LoOn", 1};
inline constexpr IntSetting kImportLowColumn{"Import", "LoCol", 4};
inline constexpr IntSetting kImportCloseColumn{"Import", "CloCol", 5};
inline constexpr IntSetting kImportVolumeOn{"Import", "VolOn", 1};
inline constexpr IntSetting kImportVolumeColumn{"Import", "VolCol", 6};
inline constexpr IntSetting kImportOpenInterestOn{"Import", "OIOn", 1};
inline constexpr IntSetting kImportOpenInterestColumn{"Import", "OICol", 7};
inline constexpr IntSetting kImportMonths{"Import", "JAN", 0};

// The export's last choices.
inline constexpr StringSetting kExportStarter{"XportSel", "Starter", "output.txt"};
inline constexpr IntSetting kExportUseOpen{"XportSel", "UseOpen", 1};
inline constexpr IntSetting kExportUseHigh{"XportSel", "UseHigh", 1};
inline constexpr IntSetting kExportUseLow{"XportSel", "UseLow", 1};
inline constexpr IntSetting kExportUseClose{"XportSel", "UseClose", 1};
inline constexpr IntSetting kExportUseVolume{"XportSel", "UseVol", 1};
inline constexpr IntSetting kExportUseOpenInterest{"XportSel", "UseOI", 1};
inline constexpr IntSetting kExportNewest{"XportSel", "Newest", 0};
inline constexpr IntSetting kExportDelimiter{"XportSel", "Delim", 0};
inline constexpr IntSetting kExportTitle{"XportSel", "Title", 0};

// Written only: the last values of each quote edit.
inline constexpr std::string_view kEditSection = "Edit";    // Date Open Hi Lo Close Vol OI
inline constexpr std::string_view kSplitSection = "Split";  // Date New Old
inline constexpr std::string_view kAdjustSection =
    "Adjust";                                           // Date1 Date2 PriceMult VolMult OIMult
inline constexpr std::string_view kAddSection = "Add";  // Date
inline constexpr std::string_view kDeleteSection = "Delete";  // Date

}  // namespace keys

// The table's spelling of a setting named without regard to case (the registry the settings
// come from ignored case; an old INI file may say "limit" for "Limit"). Other names as given.
std::pair<std::string, std::string> CanonicalKey(std::string_view section, std::string_view value);

// The default of a stored setting as text; nothing for a value outside the table or one whose
// default depends on the run.
std::optional<std::string> DefaultText(std::string_view section, std::string_view value);

}  // namespace ticksmith::settings
