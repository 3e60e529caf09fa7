#include "settings/view_settings.h"

#include <cerrno>

#include "platform/file_system.h"
#include "platform/names.h"
#include "profiles/profile.h"
#include "settings/setting_keys.h"

namespace ticksmith::settings {

ViewSettings LoadViewSettings(const SettingsStore& store,
                              const std::filesystem::path& workingDirectory,
                              platform::Messenger& messenger) {
    using namespace keys;
    ViewSettings view;
    view.displayRecent = Read(store, kDisplayLimit) != 0;
    view.showingGraph = Read(store, kShowingGraph) != 0;
    view.workingDirectory = workingDirectory;
    const std::filesystem::path lasttime = workingDirectory / kLasttimeDirectory;
    if (!platform::IsDirectory(lasttime)) {
        errno = 0;
        if (!platform::CurrentFileSystem().CreateDirectory(lasttime)) {
            messenger.Show(platform::FormatMessage(
                "%s could not be created%s.\nUpdate runs cannot keep their lists there, and new "
                "symbols are not identified.",
                {lasttime.string(), platform::LastErrorText()}));
        }
    }
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
    const auto profile = platform::ResolveEntry(
        workingDirectory, profiles::ProfileFileName(profiles::kDefaultProfileName));
    if (!platform::InputFile(profile).IsOpen()) {
        // It says so itself when it fails; the start-up goes on without the profile.
        static_cast<void>(profiles::CreateDefaultProfile(workingDirectory, messenger));
    }
    return view;
}

}  // namespace ticksmith::settings
