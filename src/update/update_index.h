#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "profiles/profile.h"
#include "store/quotes.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

// The update files of a profile's directory in the order the run searches them: the
// directory's files (no sub-directories, no names beginning with ".", no .EXE, .ZIP or .COM,
// no writer's .tmp) in the reverse of the sorted listing.
std::vector<fs::path> CandidateFiles(const fs::path& directory);

// Every line of a directory's update files, read once with one profile and indexed by the
// symbol the line names, so that each symbol of a run is answered without reading the files
// again. Answers are those of searching the files line by line for each symbol.
class UpdateDirectoryIndex {
  public:
    UpdateDirectoryIndex(const fs::path& directory, const profiles::Profile& profile);

    struct Match {
        const fs::path* file = nullptr;  // the update file that holds the line
        store::Quote quote;              // the line's values, date included
    };

    // The first line that names `symbol` with a date after `lastDay`: files in search order,
    // lines in file order.
    [[nodiscard]] std::optional<Match> FindNewer(std::string_view symbol,
                                                 store::DayNumber lastDay) const;

    // Every date after `lastDay` that a line names `symbol` with, oldest first; for each date
    // the line FindNewer would meet first, so one file wins over another as it does for a
    // single day.
    [[nodiscard]] std::vector<Match> FindAllNewer(std::string_view symbol,
                                                  store::DayNumber lastDay) const;

    bool HasCandidates() const { return !m_files.empty(); }
    const std::vector<fs::path>& Files() const { return m_files; }

  private:
    struct Entry {
        std::uint32_t file;
        char firstCharacter;  // the quick path compares it exactly
        store::Quote quote;
    };

    // The entries of `symbol` in search order that may name it; nullptr when none.
    const std::vector<Entry>* EntriesOf(std::string_view symbol) const;
    bool Names(const Entry& entry, std::string_view symbol) const;
    void IndexFile(std::uint32_t file, std::string_view text);

    profiles::Profile m_profile;
    std::vector<fs::path> m_files;
    std::unordered_map<std::string, std::vector<Entry>> m_bySymbol;  // upper-cased
};

}  // namespace ticksmith::update
