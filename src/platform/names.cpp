#include "platform/names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

namespace ticksmith::platform {

namespace {

char FoldAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Exists(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Calls `visit` with every name of the directory except "." and ".."; one listing open at a time.
template <typename Visit>
void ForEachName(const fs::path& directory, Visit visit) {
    DIR* handle = ::opendir(directory.empty() ? "." : directory.c_str());
    if (handle == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        visit(name, entry->d_type);
    }
    ::closedir(handle);
}

}  // namespace

bool EqualsIgnoringCase(std::string_view left, std::string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (FoldAscii(left[i]) != FoldAscii(right[i])) {
            return false;
        }
    }
    return true;
}

bool LessIgnoringCase(std::string_view left, std::string_view right) {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(FoldAscii(left[i]));
        const auto b = static_cast<unsigned char>(FoldAscii(right[i]));
        if (a != b) {
            return a < b;
        }
    }
    if (left.size() != right.size()) {
        return left.size() < right.size();
    }
    return left < right;
}

std::string ToUpperAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = FoldAscii(c);
    }
    return result;
}

bool HasExtension(std::string_view name, std::string_view extension) {
    return name.size() >= extension.size() &&
           EqualsIgnoringCase(name.substr(name.size() - extension.size()), extension);
}

std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::optional<fs::path> FindEntry(const fs::path& directory, std::string_view name) {
    if (!IsPlainName(name)) {
        return std::nullopt;
    }
    // The spellings that nearly every portfolio uses are tried first, so that the listing
    // below is needed only for mixed case or a missing file.
    for (const std::string& spelling :
         {std::string(name), ToUpperAscii(name), ToLowerAscii(name)}) {
        fs::path candidate = directory / spelling;
        if (Exists(candidate)) {
            return candidate;
        }
    }
    std::optional<std::string> best;
    ForEachName(directory, [&](std::string_view entry, unsigned char) {
        if (EqualsIgnoringCase(entry, name) && (!best || LessIgnoringCase(entry, *best))) {
            best = std::string(entry);
        }
    });
    if (!best) {
        return std::nullopt;
    }
    return directory / *best;
}

fs::path ResolveEntry(const fs::path& directory, std::string_view name) {
    if (auto found = FindEntry(directory, name)) {
        return *found;
    }
    return directory / std::string(name);
}

std::vector<DirectoryEntry> ListDirectory(const fs::path& directory) {
    std::vector<DirectoryEntry> entries;
    ForEachName(directory, [&](std::string_view name, unsigned char type) {
        if (name.front() == '.') {
            return;
        }
        bool isDirectory = type == DT_DIR;
        bool isFile = type == DT_REG;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat info {};
            const bool known = ::stat((directory / std::string(name)).c_str(), &info) == 0;
            isDirectory = known && S_ISDIR(info.st_mode);
            isFile = known && S_ISREG(info.st_mode);
        }
        entries.push_back({std::string(name), isDirectory, isFile});
    });
    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return LessIgnoringCase(a.name, b.name);
    });
    return entries;
}

DirectoryNames::DirectoryNames(const fs::path& directory)
    : DirectoryNames(directory, ListDirectory(directory)) {}

DirectoryNames::DirectoryNames(const fs::path& directory, std::vector<DirectoryEntry> entries)
    : m_directory(directory), m_entries(std::move(entries)) {}

const DirectoryEntry* DirectoryNames::FindListed(std::string_view name) const {
    if (!IsPlainName(name)) {
        return nullptr;
    }
    const auto first = std::lower_bound(m_entries.begin(), m_entries.end(), name,
                                        [](const DirectoryEntry& entry, std::string_view wanted) {
                                            return LessIgnoringCase(entry.name, wanted) &&
                                                   !EqualsIgnoringCase(entry.name, wanted);
                                        });
    auto last = first;
    while (last != m_entries.end() && EqualsIgnoringCase(last->name, name)) {
        ++last;
    }
    if (first == last) {
        return nullptr;
    }
    // The spellings FindEntry tries before its listing, in its order; then the first in order.
    for (const std::string& spelling :
         {std::string(name), ToUpperAscii(name), ToLowerAscii(name)}) {
        const auto exact = std::find_if(
            first, last, [&](const DirectoryEntry& entry) { return entry.name == spelling; });
        if (exact != last) {
            return &*exact;
        }
    }
    return &*first;
}

std::optional<fs::path> DirectoryNames::Find(std::string_view name) const {
    const DirectoryEntry* entry = FindListed(name);
    return entry == nullptr ? std::nullopt : std::optional<fs::path>(m_directory / entry->name);
}

bool IsPlainName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace ticksmith::platform
