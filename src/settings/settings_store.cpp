#include "settings/settings_store.h"

#include <climits>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_lines.h"

namespace ticksmith::settings {

namespace {

constexpr std::size_t kMaxStringLength = 259;
// The INI import read lines through a 520-byte buffer.
constexpr std::size_t kIniPieceLimit = 519;

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<int> ScanLeadingInteger(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' ||
                                text[at] == '\r' || text[at] == '\f' || text[at] == '\v')) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at >= text.size() || text[at] < '0' || text[at] > '9') {
        return std::nullopt;
    }
    long long value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = std::min<long long>(value * 10 + (text[at] - '0'), INT_MAX);
    }
    return static_cast<int>(negative ? -value : value);
}

int SettingsStore::ReadInt(std::string_view section, std::string_view value,
                           int defaultValue) const {
    const std::optional<std::string> text = ReadText(section, value);
    if (!text) {
        return defaultValue;
    }
    return ScanLeadingInteger(*text).value_or(defaultValue);
}

std::string SettingsStore::ReadString(std::string_view section, std::string_view value,
                                      std::string_view defaultValue) const {
    std::optional<std::string> text = ReadText(section, value);
    if (!text) {
        return std::string(defaultValue);
    }
    if (text->size() > kMaxStringLength) {
        text->resize(kMaxStringLength);
    }
    return *text;
}

bool SettingsStore::WriteInt(std::string_view section, std::string_view value, int number) {
    return WriteText(section, value, std::to_string(number));
}

bool SettingsStore::WriteString(std::string_view section, std::string_view value,
                                std::string_view text) {
    return WriteText(section, value, text);
}

std::optional<std::string> MemorySettingsStore::ReadText(std::string_view section,
                                                         std::string_view value) const {
    const auto found = m_values.find({std::string(section), std::string(value)});
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

bool MemorySettingsStore::WriteText(std::string_view section, std::string_view value,
                                    std::string_view text) {
    m_values[{std::string(section), std::string(value)}] = std::string(text);
    return true;
}

void ImportIniText(std::string_view text, SettingsStore& store) {
    platform::LinePieceReader reader(text, kIniPieceLimit);
    std::string_view piece;
    bool endsLine = false;
    std::optional<std::string> section;
    while (reader.Next(piece, endsLine)) {
        const std::string_view line = Trim(piece);
        if (!line.empty() && line.front() == '[' && line.back() == ']' && line.find('[') == 0 &&
            line.find(']') == line.size() - 1) {
            section = std::string(Trim(line.substr(1, line.size() - 2)));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!section || equals == std::string_view::npos) {
            continue;
        }
        store.WriteText(*section, line.substr(0, equals), line.substr(equals + 1));
    }
}

bool ImportIniFile(const std::filesystem::path& iniFile, SettingsStore& store) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(iniFile, bytes, 1 << 20)) {
        return false;
    }
    ImportIniText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                  store);
    return true;
}

}  // namespace ticksmith::settings
