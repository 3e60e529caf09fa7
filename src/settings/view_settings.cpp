#include "settings/view_settings.h"

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

}  // namespace ticksmith::settings
