#include "settings/qt_settings_store.h"

#include <QFileInfo>
#include <QString>

#include "settings/setting_keys.h"

namespace ticksmith::settings {

namespace {

constexpr auto kOrganisation = "Kestrel Bay Software";
constexpr auto kApplication = "Ticksmith";

QString Key(std::string_view section, std::string_view value) {
    const auto [canonicalSection, canonicalValue] = CanonicalKey(section, value);
    return QString::fromStdString(canonicalSection) + '/' + QString::fromStdString(canonicalValue);
}

}  // namespace

std::unique_ptr<QtSettingsStore> QtSettingsStore::OpenUserStore() {
    auto settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                kOrganisation, kApplication);
    const std::filesystem::path file = settings->fileName().toStdString();
    const bool created = !QFileInfo::exists(settings->fileName());
    std::unique_ptr<QtSettingsStore> store(new QtSettingsStore(std::move(settings)));
    if (created) {
        // Most people have no old INI file; its settings are then the defaults.
        static_cast<void>(ImportIniFile(LegacyIniPath(file), *store));
        store->m_settings->sync();
    }
    return store;
}

QtSettingsStore::QtSettingsStore(const std::filesystem::path& iniFile)
    : m_settings(std::make_unique<QSettings>(QString::fromStdString(iniFile.string()),
                                             QSettings::IniFormat)) {}

QtSettingsStore::QtSettingsStore(std::unique_ptr<QSettings> settings)
    : m_settings(std::move(settings)) {}

std::optional<std::string> QtSettingsStore::ReadText(std::string_view section,
                                                     std::string_view value) const {
    const QVariant stored = m_settings->value(Key(section, value));
    if (!stored.isValid()) {
        return std::nullopt;
    }
    return stored.toString().toStdString();
}

bool QtSettingsStore::WriteText(std::string_view section, std::string_view value,
                                std::string_view text) {
    if (section.find('/') != std::string_view::npos || value.find('/') != std::string_view::npos) {
        return false;
    }
    m_settings->setValue(Key(section, value),
                         QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

std::filesystem::path QtSettingsStore::FilePath() const {
    return m_settings->fileName().toStdString();
}

std::filesystem::path LegacyIniPath(const std::filesystem::path& settingsFile) {
    return settingsFile.parent_path() / "Ticksmith.INI";
}

}  // namespace ticksmith::settings
