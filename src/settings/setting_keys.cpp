#include "settings/setting_keys.h"

#include "platform/names.h"

namespace ticksmith::settings {

namespace {

using namespace keys;

constexpr IntSetting kIntSettings[] = {kDisplayLimit,
                                       kShowingGraph,
                                       kGraphBackground,
                                       kGraphAxes,
                                       kGraphHighLowBar,
                                       kGraphCloseTick,
                                       kGraphNormalText,
                                       kGraphTitleText,
                                       kGraphVolume,
                                       kSearchLimit,
                                       kMasterFix,
                                       kAuditEnable,
                                       kSoundDisable,
                                       kVolumeAsInteger,
                                       kOpenInterestAsInteger,
                                       kNewSymbols,
                                       kHandAdd,
                                       kSexEnable,
                                       kSexPasswordEnable,
                                       kDeleteSex,
                                       kZipEnable,
                                       kZipPasswordEnable,
                                       kDeleteZip,
                                       kDeleteTxt,
                                       kCatchUp,
                                       kScreenX,
                                       kScreenY,
                                       kScreenWidth,
                                       kScreenHeight,
                                       kFindSearchAll,
                                       kFindByNumber,
                                       kImportExist,
                                       kImportDelimiter,
                                       kImportReverse,
                                       kImportSkipOn,
                                       kImportSkipRows,
                                       kImportDateColumn,
                                       kImportOpenOn,
                                       kImportOpenColumn,
                                       kImportHighOn,
                                       kImportHighColumn,
                                       kImportLowOn,
                                       kImportLowColumn,
                                       kImportCloseColumn,
                                       kImportVolumeOn,
                                       kImportVolumeColumn,
                                       kImportOpenInterestOn,
                                       kImportOpenInterestColumn,
                                       kImportMonths,
                                       kExportUseOpen,
                                       kExportUseHigh,
                                       kExportUseLow,
                                       kExportUseClose,
                                       kExportUseVolume,
                                       kExportUseOpenInterest,
                                       kExportNewest,
                                       kExportDelimiter,
                                       kExportTitle};

constexpr StringSetting kStringSettings[] = {
    kDrive,        kSexPassword,   kZipPassword,  kPkunzipPath, kLastProfile,  kImportDateFormat,
    kImportPathIn, kImportPathOut, kImportSymbol, kImportName,  kExportStarter};

bool Names(std::string_view section, std::string_view value, std::string_view wantedSection,
           std::string_view wantedValue) {
    return section == wantedSection && value == wantedValue;
}

template <typename Setting>
bool SameName(const Setting& setting, std::string_view section, std::string_view value) {
    return platform::EqualsIgnoringCase(setting.section, section) &&
           platform::EqualsIgnoringCase(setting.value, value);
}

}  // namespace

std::pair<std::string, std::string> CanonicalKey(std::string_view section, std::string_view value) {
    for (const IntSetting& setting : kIntSettings) {
        if (SameName(setting, section, value)) {
            return {std::string(setting.section), std::string(setting.value)};
        }
    }
    for (const StringSetting& setting : kStringSettings) {
        if (SameName(setting, section, value)) {
            return {std::string(setting.section), std::string(setting.value)};
        }
    }
    if (SameName(kSearchName, section, value)) {
        return {std::string(kSearchName.section), std::string(kSearchName.value)};
    }
    return {std::string(section), std::string(value)};
}

std::optional<std::string> DefaultText(std::string_view section, std::string_view value) {
    for (const IntSetting& setting : kIntSettings) {
        if (Names(setting.section, setting.value, section, value)) {
            return std::to_string(setting.defaultValue);
        }
    }
    for (const StringSetting& setting : kStringSettings) {
        if (Names(setting.section, setting.value, section, value)) {
            return std::string(setting.defaultValue);
        }
    }
    return std::nullopt;
}

}  // namespace ticksmith::settings
