#pragma once

#include <QSettings>
#include <filesystem>
#include <memory>

#include "settings/settings_store.h"

namespace ticksmith::settings {

// The settings store on QSettings: an INI file, one group per section, every value as text.
class QtSettingsStore : public SettingsStore {
  public:
    // The user's store (organisation "Kestrel Bay Software", application "Ticksmith"). When
    // its file does not exist yet, an old Ticksmith.INI beside it is imported once.
    static std::unique_ptr<QtSettingsStore> OpenUserStore();
    // A store in the given INI file.
    explicit QtSettingsStore(const std::filesystem::path& iniFile);

    std::optional<std::string> ReadText(std::string_view section,
                                        std::string_view value) const override;
    bool WriteText(std::string_view section, std::string_view value,
                   std::string_view text) override;

    std::filesystem::path FilePath() const;

  private:
    explicit QtSettingsStore(std::unique_ptr<QSettings> settings);

    std::unique_ptr<QSettings> m_settings;
};

// The old INI file that the first start imports: Ticksmith.INI beside the settings file.
std::filesystem::path LegacyIniPath(const std::filesystem::path& settingsFile);

}  // namespace ticksmith::settings
