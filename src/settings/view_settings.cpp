#include "settings/view_settings.h"

#include <type_traits>

#include "platform/names.h"
#include "settings/setting_keys.h"

namespace ticksmith::settings {

ViewSettings LoadViewSettings(const SettingsStore& store,
                              const std::filesystem::path& workingDirectory) {
    using namespace keys;
    ViewSettings view;
    view.displayRecent = Read(store, kDisplayLimit) != 0;
    view.showingGraph = Read(store, kShowingGraph) != 0;
    view.workingDirectory = workingDirectory;
    view.searchLimit = Read(store, kSearchLimit) != 0;
    view.searchName =
        store.ReadString(kSearchName.section, kSearchName.value, workingDirectory.string());
    view.searchFilter = platform::ToUpperAscii(view.searchName);
    view.masterFix = Read(store, kMasterFix) != 0;
    view.auditEnable = Read(store, kAuditEnable) != 0;
    view.soundDisable = Read(store, kSoundDisable) != 0;
    view.volumeAsInteger = Read(store, kVolumeAsInteger) != 0;
    view.openInterestAsInteger = Read(store, kOpenInterestAsInteger) != 0;
    view.newSymbols = Read(store, kNewSymbols) != 0;
    view.handAdd = Read(store, kHandAdd) != 0;
    view.sexEnable = Read(store, kSexEnable) != 0;
    view.sexPassword = Read(store, kSexPassword);
    view.sexPasswordEnable = Read(store, kSexPasswordEnable) != 0;
    view.deleteSex = Read(store, kDeleteSex) != 0;
    view.zipEnable = Read(store, kZipEnable) != 0;
    view.zipPassword = Read(store, kZipPassword);
    view.zipPasswordEnable = Read(store, kZipPasswordEnable) != 0;
    view.deleteZip = Read(store, kDeleteZip) != 0;
    view.pkunzipPath = Read(store, kPkunzipPath);
    view.deleteTxt = Read(store, kDeleteTxt) != 0;
    view.catchUp = Read(store, kCatchUp) != 0;
    return view;
}

bool WriteViewSettings(SettingsStore& store, const ViewSettings& settings) {
    using namespace keys;
    bool stored = true;
    const auto write = [&store, &stored](const auto& setting, const auto& value) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>) {
            stored = Write(store, setting, value ? 1 : 0) && stored;
        } else {
            stored = Write(store, setting, value) && stored;
        }
    };
    write(kSearchLimit, settings.searchLimit);
    write(kSearchName, settings.searchName);
    write(kMasterFix, settings.masterFix);
    write(kAuditEnable, settings.auditEnable);
    write(kSoundDisable, settings.soundDisable);
    write(kNewSymbols, settings.newSymbols);
    write(kHandAdd, settings.handAdd);
    write(kVolumeAsInteger, settings.volumeAsInteger);
    write(kOpenInterestAsInteger, settings.openInterestAsInteger);
    write(kSexEnable, settings.sexEnable);
    write(kSexPassword, settings.sexPassword);
    write(kSexPasswordEnable, settings.sexPasswordEnable);
    write(kDeleteSex, settings.deleteSex);
    write(kZipEnable, settings.zipEnable);
    write(kZipPassword, settings.zipPassword);
    write(kZipPasswordEnable, settings.zipPasswordEnable);
    write(kDeleteZip, settings.deleteZip);
    write(kPkunzipPath, settings.pkunzipPath);
    write(kDeleteTxt, settings.deleteTxt);
    write(kCatchUp, settings.catchUp);
    return stored;
}

SettingsFollowUp FollowUpOf(const ViewSettings& before, const ViewSettings& after) {
    // The filter matches upper-cased, so a change of case alone finds the same portfolios.
    if (before.searchLimit != after.searchLimit ||
        (after.searchLimit && !platform::EqualsIgnoringCase(before.searchName, after.searchName))) {
        return SettingsFollowUp::kRescan;
    }
    if (before.volumeAsInteger != after.volumeAsInteger ||
        before.openInterestAsInteger != after.openInterestAsInteger) {
        return SettingsFollowUp::kRefillQuotes;
    }
    return SettingsFollowUp::kNothing;
}

}  // namespace ticksmith::settings
