#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ticksmith::settings {

// All settings: values in sections, every value stored as text. Integers are written as
// decimal text and read back by scanning the leading decimal number.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The stored text, or nothing when the section or value is missing.
    virtual std::optional<std::string> ReadText(std::string_view section,
                                                std::string_view value) const = 0;
    virtual bool WriteText(std::string_view section, std::string_view value,
                           std::string_view text) = 0;

    // A missing value, or a text that does not begin with a decimal number, gives the default.
    int ReadInt(std::string_view section, std::string_view value, int defaultValue) const;
    // At most 259 characters come back, as from the fixed buffer the format was made for.
    std::string ReadString(std::string_view section, std::string_view value,
                           std::string_view defaultValue) const;
    bool WriteInt(std::string_view section, std::string_view value, int number);
    bool WriteString(std::string_view section, std::string_view value, std::string_view text);
};

// Settings held in memory: for tests, and for a run that must not touch the user's store.
class MemorySettingsStore : public SettingsStore {
  public:
    std::optional<std::string> ReadText(std::string_view section,
                                        std::string_view value) const override;
    bool WriteText(std::string_view section, std::string_view value,
                   std::string_view text) override;

    const std::map<std::pair<std::string, std::string>, std::string>& Values() const {
        return m_values;
    }

  private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

// The leading decimal number of a text ("%d" scanning), or nothing when there is none.
[[nodiscard]] std::optional<int> ScanLeadingInteger(std::string_view text);

// Copies the sections and values of an old INI file into the store: section lines in
// brackets, value lines split at the first "=" with name and text kept as they stand.
// False when the file cannot be opened.
[[nodiscard]] bool ImportIniFile(const std::filesystem::path& iniFile, SettingsStore& store);
void ImportIniText(std::string_view text, SettingsStore& store);

}  // namespace ticksmith::settings
