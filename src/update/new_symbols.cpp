#include "update/new_symbols.h"

#include <algorithm>
#include <set>
#include <unordered_set>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/text_lines.h"
#include "portfolio/symbols.h"
#include "profiles/profile.h"
#include "settings/setting_keys.h"
#include "settings/view_settings.h"
#include "text/columns.h"
#include "update/update_line.h"

namespace ticksmith::update {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A line cut into columns as identification sees it: runs of delimiters count as one.
struct IdentifiedLine {
    std::string symbol;
    std::string date;
};

IdentifiedLine Identify(const UpdateLine& line, const profiles::Profile& profile) {
    IdentifiedLine result;
    if (line.Length() < 11) {
        return result;
    }
    const std::vector<std::string_view> columns =
        text::SplitColumns(line.text, profile.DelimiterCharacter());
    const auto column = [&](int number) {
        return number >= 1 && static_cast<std::size_t>(number) <= columns.size()
                   ? std::string(columns[static_cast<std::size_t>(number - 1)])
                   : std::string();
    };
    result.date = column(profile.dateColumn);
    result.symbol = column(profile.symbolColumn);
    if (profile.delimiter != 2) {
        std::replace(result.symbol.begin(), result.symbol.end(), ' ', '_');
    }
    if (result.symbol.size() > 16) {
        result.symbol.resize(16);
    }
    return result;
}

}  // namespace

store::DayNumber ExpectedDate(store::DayNumber today) {
    while (today > 1 && ((today - 1) % 7 == 6 || (today - 1) % 7 == 0)) {
        --today;
    }
    return today;
}

bool HasDateShape(std::string_view text, int code) {
    std::size_t length = 0;
    std::set<std::size_t> free;  // positions that may hold anything
    switch (code) {
        case 1:
        case 3:
        case 5:
            length = 8;
            free = {2, 5};
            break;
        case 2:
            length = 10;
            free = {4, 7};
            break;
        case 4:
        case 6:
            length = 10;
            free = {2, 5};
            break;
        case 7:
        case 9:
        case 11:
            length = 6;
            break;
        case 8:
        case 10:
        case 12:
            length = 8;
            break;
        default:
            return true;
    }
    if (text.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (free.count(i) == 0 && !IsDigit(text[i])) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> IdentifyNewSymbols(const fs::path& workingDirectory,
                                            store::DayNumber today) {
    std::vector<std::string> found;
    const fs::path lasttime = workingDirectory / settings::kLasttimeDirectory;
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(platform::ResolveEntry(lasttime, kLasttimeFileName), bytes)) {
        return found;
    }
    std::unordered_set<std::string> known;
    {
        platform::LinePieceReader reader(AsText(bytes), kLinePieceLimit);
        std::string_view piece;
        bool endsLine = false;
        while (reader.Next(piece, endsLine)) {
            known.emplace(piece);
        }
    }
    const store::DayNumber expected = ExpectedDate(today);
    platform::ReplacementFile delta(lasttime, kDeltaFileName, std::string(kDeltaFileName) + ".tmp");
    if (!delta.Open()) {
        return found;
    }
    for (const std::string& profileName : profiles::ProfileNames(workingDirectory)) {
        profiles::Profile profile;
        if (!profiles::LoadProfileQuietly(workingDirectory, profileName, profile)) {
            delta.Abandon();
            return {};
        }
        const fs::path directory = profiles::UpdateDirectoryOf(profile, workingDirectory);
        for (const platform::DirectoryEntry& entry : platform::ListDirectory(directory)) {
            if (entry.isDirectory || !platform::ReadWholeFile(directory / entry.name, bytes)) {
                continue;
            }
            platform::LinePieceReader reader(AsText(bytes), kLinePieceLimit);
            std::string_view piece;
            bool endsLine = false;
            bool current = false;
            std::set<std::string> written;  // each new symbol once per file
            while (reader.Next(piece, endsLine)) {
                const IdentifiedLine line = Identify(CleanPiece(piece, endsLine), profile);
                if (line.symbol.empty() || !HasDateShape(line.date, profile.dateFormat)) {
                    continue;
                }
                // The first data line tells whether the file is today's.
                if (!current) {
                    if (store::ParseDateText(line.date, profile.dateFormat) != expected) {
                        break;
                    }
                    current = true;
                }
                if (known.count(line.symbol) == 0 && written.insert(line.symbol).second) {
                    found.push_back(line.symbol);
                    const std::string text = line.symbol + "\r\n";
                    if (!delta.Write(text.data(), text.size())) {
                        return {};
                    }
                }
            }
        }
    }
    // The dialog offers what Delta.txt holds: an old one must not stand for this list.
    if (!delta.Commit()) {
        return {};
    }
    return found;
}

NewSymbolSession::NewSymbolSession(fs::path workingDirectory, portfolio::CurrentPortfolio portfolio,
                                   settings::SettingsStore& store, platform::Messenger& messenger,
                                   store::DayNumber today)
    : m_workingDirectory(std::move(workingDirectory)),
      m_portfolio(std::move(portfolio)),
      m_store(store),
      m_messenger(messenger),
      m_today(today) {
    std::vector<std::uint8_t> bytes;
    const fs::path lasttime = m_workingDirectory / settings::kLasttimeDirectory;
    if (platform::ReadWholeFile(platform::ResolveEntry(lasttime, kDeltaFileName), bytes)) {
        platform::LinePieceReader reader(AsText(bytes), kLinePieceLimit);
        std::string_view piece;
        bool endsLine = false;
        while (reader.Next(piece, endsLine)) {
            std::string line(piece);
            const std::size_t comma = line.find(',');
            if (comma != std::string::npos) {
                line[comma] = ' ';
            }
            const std::size_t begin = line.find_first_not_of(" \t");
            if (begin == std::string::npos) {
                continue;
            }
            m_symbols.push_back(line.substr(begin, line.find_first_of(" \t", begin) - begin));
        }
    }
    const profiles::ProfileList list =
        profiles::ListProfiles(m_workingDirectory, m_store, m_messenger);
    m_profiles = list.names;
    m_selectedProfile = list.selected;
    m_done = m_symbols.empty();
}

std::string NewSymbolSession::Message() const {
    return platform::FormatMessage(
        "%s is a new Symbol (%d of %d)",
        {Symbol(), std::to_string(m_position + 1), std::to_string(Count())});
}

bool NewSymbolSession::Yes(std::string_view name, const std::string& profile) {
    if (m_done) {
        return false;
    }
    std::string trimmed(name);
    trimmed.erase(0, std::min(trimmed.find_first_not_of(" \t"), trimmed.size()));
    trimmed.erase(trimmed.find_last_not_of(" \t") + 1);
    if (trimmed.size() > 16) {
        trimmed.resize(16);
    }
    if (trimmed.empty()) {
        trimmed = Symbol();
    }
    const std::string symbol = platform::ToUpperAscii(Symbol());
    if (portfolio::AddSymbol(m_portfolio, symbol, platform::ToUpperAscii(trimmed), profile, m_today,
                             m_messenger) != portfolio::AddSymbolResult::kAdded) {
        return false;
    }
    settings::Write(m_store, settings::keys::kLastProfile, profile);
    Next();
    return true;
}

bool NewSymbolSession::YesToAll(const std::string& profile) {
    while (!m_done) {
        if (!Yes(Symbol(), profile)) {
            return false;
        }
    }
    return true;
}

void NewSymbolSession::No() {
    if (!m_done) {
        Next();
    }
}

void NewSymbolSession::Next() {
    if (++m_position >= Count()) {
        m_done = true;
        m_position = Count() - 1;
    }
}

}  // namespace ticksmith::update
