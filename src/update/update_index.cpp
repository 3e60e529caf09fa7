#include "update/update_index.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/text_lines.h"
#include "update/update_line.h"

namespace ticksmith::update {

std::vector<fs::path> CandidateFiles(const fs::path& directory) {
    std::vector<fs::path> files;
    const std::vector<platform::DirectoryEntry> entries = platform::ListDirectory(directory);
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        const std::string& name = entry->name;
        if (entry->isDirectory) {
            continue;
        }
        if (platform::HasExtension(name, ".EXE") || platform::HasExtension(name, ".ZIP") ||
            platform::HasExtension(name, ".COM")) {
            continue;
        }
        // A writer's temporary file, perhaps left half-written by an archiver that was killed.
        if (platform::HasExtension(name, ".TMP")) {
            continue;
        }
        files.push_back(directory / name);
    }
    return files;
}

UpdateDirectoryIndex::UpdateDirectoryIndex(const fs::path& directory,
                                           const profiles::Profile& profile)
    : m_profile(profile), m_files(CandidateFiles(directory)) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t file = 0; file < m_files.size(); ++file) {
        // A file that cannot be read is passed over, as the line-by-line search does.
        if (platform::ReadWholeFile(m_files[file], bytes)) {
            IndexFile(file,
                      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        }
    }
}

void UpdateDirectoryIndex::IndexFile(std::uint32_t file, std::string_view text) {
    platform::LinePieceReader reader(text, kLinePieceLimit);
    std::string_view piece;
    bool endsLine = false;
    SplitFields fields;
    while (reader.Next(piece, endsLine)) {
        const UpdateLine line = CleanPiece(piece, endsLine);
        Entry entry{file, '\0', {}};
        std::string key;
        const std::string symbolColumn = SplitLine(line, m_profile, fields);
        if (m_profile.symbolColumn == 1) {
            QuickKey quick = QuickPathKey(line, m_profile);
            entry.firstCharacter = quick.firstCharacter;
            key = platform::ToUpperAscii(quick.firstWord);
        } else {
            key = platform::ToUpperAscii(symbolColumn);
        }
        entry.quote = BuildQuote(fields, m_profile);
        // Lines without a date can never be newer than a symbol's last quote.
        if (entry.quote.date != 0) {
            m_bySymbol[key].push_back(entry);
        }
    }
}

const std::vector<UpdateDirectoryIndex::Entry>* UpdateDirectoryIndex::EntriesOf(
    std::string_view symbol) const {
    const auto found = m_bySymbol.find(platform::ToUpperAscii(symbol));
    return found == m_bySymbol.end() ? nullptr : &found->second;
}

bool UpdateDirectoryIndex::Names(const Entry& entry, std::string_view symbol) const {
    const char wanted = symbol.empty() ? '\0' : symbol.front();
    return m_profile.symbolColumn != 1 || entry.firstCharacter == wanted;
}

std::optional<UpdateDirectoryIndex::Match> UpdateDirectoryIndex::FindNewer(
    std::string_view symbol, store::DayNumber lastDay) const {
    if (const std::vector<Entry>* entries = EntriesOf(symbol)) {
        for (const Entry& entry : *entries) {
            if (Names(entry, symbol) && entry.quote.date > lastDay) {
                return Match{&m_files[entry.file], entry.quote};
            }
        }
    }
    return std::nullopt;
}

std::vector<UpdateDirectoryIndex::Match> UpdateDirectoryIndex::FindAllNewer(
    std::string_view symbol, store::DayNumber lastDay) const {
    std::vector<Match> matches;
    if (const std::vector<Entry>* entries = EntriesOf(symbol)) {
        for (const Entry& entry : *entries) {
            if (Names(entry, symbol) && entry.quote.date > lastDay) {
                matches.push_back(Match{&m_files[entry.file], entry.quote});
            }
        }
    }
    // The stable sort keeps search order among lines of one date, so the first one met stays.
    std::stable_sort(matches.begin(), matches.end(),
                     [](const Match& a, const Match& b) { return a.quote.date < b.quote.date; });
    matches.erase(
        std::unique(matches.begin(), matches.end(),
                    [](const Match& a, const Match& b) { return a.quote.date == b.quote.date; }),
        matches.end());
    return matches;
}

}  // namespace ticksmith::update
