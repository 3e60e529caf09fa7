#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ticksmith::platform {

namespace fs = std::filesystem;

// Portfolios copied from Windows may spell MASTER as master or F1.DAT as f1.dat.
bool EqualsIgnoringCase(std::string_view left, std::string_view right);
// Orders names as a case-insensitive listing does; ties broken by the exact bytes.
bool LessIgnoringCase(std::string_view left, std::string_view right);
std::string ToUpperAscii(std::string_view text);
// Whether a file name ends in `extension` (".PFD", ".ZIP") without regard to ASCII case.
bool HasExtension(std::string_view name, std::string_view extension);
std::string ToLowerAscii(std::string_view text);

// The existing entry of `directory` whose name equals `name` without regard to ASCII case:
// the exact spelling when it exists, otherwise the first match in sorted order.
[[nodiscard]] std::optional<fs::path> FindEntry(const fs::path& directory, std::string_view name);

// The path under which `name` is to be opened in `directory`: the existing entry when there
// is one, otherwise `name` as given (the spelling new files get).
fs::path ResolveEntry(const fs::path& directory, std::string_view name);

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
    bool isFile = false;  // a regular file, links followed
};

// The entries of `directory` sorted by name without regard to case, leaving out names that
// begin with ".". An unreadable directory gives an empty list.
std::vector<DirectoryEntry> ListDirectory(const fs::path& directory);

// Many lookups in one directory answered from a single listing, as a grid that looks up a file
// per row or a walk that has listed the directory anyway needs: the same answers as FindEntry
// (for names that do not begin with ".") while the directory does not change.
class DirectoryNames {
  public:
    explicit DirectoryNames(const fs::path& directory);
    // From a listing ListDirectory made of `directory`.
    DirectoryNames(const fs::path& directory, std::vector<DirectoryEntry> entries);

    [[nodiscard]] std::optional<fs::path> Find(std::string_view name) const;
    [[nodiscard]] const DirectoryEntry* FindListed(std::string_view name) const;
    const std::vector<DirectoryEntry>& Entries() const { return m_entries; }

  private:
    fs::path m_directory;
    std::vector<DirectoryEntry> m_entries;
};

// A name that stays inside its directory: not empty, not "." or "..", no separator, no NUL.
bool IsPlainName(std::string_view name);

}  // namespace ticksmith::platform
