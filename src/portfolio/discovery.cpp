#include "portfolio/discovery.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/names.h"
#include "store/master.h"

namespace ticksmith::portfolio {

namespace {

struct Walk {
    const SearchFilter& filter;
    std::vector<std::string>& results;
    platform::ProgressSink* progress;
    dev_t device;
    int found = 0;
};

bool Enters(const std::string& path, const SearchFilter& filter) {
    return !filter.limit || PassesSearchFilter(path, filter);
}

void Search(const std::string& path, Walk& walk, bool isRoot) {
    if (walk.progress != nullptr && walk.progress->CancelRequested()) {
        return;
    }
    if (walk.progress != nullptr) {
        walk.progress->SetText(kScanDirectoryText, path);
    }
    // One listing answers both questions: is this a portfolio, and where does the walk go.
    const platform::DirectoryNames listing(path, platform::ListDirectory(path));
    const platform::DirectoryEntry* master = listing.FindListed(store::kMasterName);
    if (master != nullptr && master->isFile) {
        const std::string upper = platform::ToUpperAscii(path);
        bool listed = Enters(path, walk.filter);
        // A volume root is listed only when it contains the filter text.
        if (listed && isRoot && upper.size() < 4) {
            listed = upper.find(walk.filter.upperText) != std::string::npos;
        }
        if (listed) {
            walk.results.push_back(path);
            if (walk.progress != nullptr) {
                walk.progress->SetCount(++walk.found, 0);
            }
        }
    }
    // The listing is closed before the walk descends.
    std::vector<std::string> pending;
    for (const platform::DirectoryEntry& entry : listing.Entries()) {
        if (!entry.isDirectory) {
            continue;
        }
        const std::string sub = (fs::path(path) / entry.name).string();
        if (!Enters(sub, walk.filter)) {
            continue;
        }
        struct stat subInfo {};
        if (::lstat(sub.c_str(), &subInfo) != 0 || !S_ISDIR(subInfo.st_mode) ||
            subInfo.st_dev != walk.device) {
            continue;  // links and other file systems are not followed
        }
        pending.push_back(sub);
    }
    for (auto sub = pending.rbegin(); sub != pending.rend(); ++sub) {
        Search(*sub, walk, false);
    }
}

}  // namespace

bool PassesSearchFilter(std::string_view path, const SearchFilter& filter) {
    const std::string upper = platform::ToUpperAscii(path);
    return upper.find(filter.upperText) != std::string::npos ||
           filter.upperText.find(upper) != std::string::npos;
}

std::optional<std::string> DriveOfFilter(std::string_view filterText,
                                         const std::vector<std::string>& driveEntries) {
    const fs::path filter = fs::path(filterText).lexically_normal();
    if (!filter.is_absolute()) {
        return std::nullopt;
    }
    // How many components of the filter the entry covers, or nothing when it does not hold it.
    const auto depthOf = [&filter](const std::string& entry) -> std::optional<std::size_t> {
        auto part = filter.begin();
        std::size_t depth = 0;
        for (const fs::path& component : fs::path(entry).lexically_normal()) {
            // The trailing separator of "/mnt/e/" leaves an empty last component.
            if (component.empty()) {
                continue;
            }
            if (part == filter.end() ||
                !platform::EqualsIgnoringCase(part->string(), component.string())) {
                return std::nullopt;
            }
            ++part;
            ++depth;
        }
        return depth;
    };
    std::optional<std::string> deepest;
    std::size_t deepestDepth = 0;
    for (const std::string& entry : driveEntries) {
        const std::optional<std::size_t> depth = depthOf(entry);
        if (depth && (!deepest || *depth > deepestDepth)) {
            deepest = entry;
            deepestDepth = *depth;
        }
    }
    return deepest;
}

void SearchDirectory(const std::string& path, const SearchFilter& filter,
                     std::vector<std::string>& results, platform::ProgressSink* progress) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return;
    }
    Walk walk{filter, results, progress, info.st_dev};
    Search(path, walk, true);
}

std::vector<std::string> ScanForPortfolios(const std::string& root, const SearchFilter& filter,
                                           platform::ProgressSink* progress,
                                           platform::Messenger& messenger, bool soundDisable) {
    std::vector<std::string> results;
    SearchDirectory(root, filter, results, progress);
    std::sort(results.begin(), results.end(), platform::LessIgnoringCase);
    // The person stopped it: what was found so far, without the end-of-scan sound and notice.
    if (progress != nullptr && progress->CancelRequested()) {
        return results;
    }
    if (!soundDisable) {
        messenger.Play(platform::Sound::kAsterisk);
    }
    if (results.empty()) {
        messenger.Show("Ticksmith could not find any Portfolios on drive " + root +
                           "\n\n(No \"master\" files were found)" +
                           "\n\n(Is the Portfolio Search Filter\nin the Settings dialog correct?)",
                       platform::MessageIcon::kInformation);
    }
    return results;
}

std::string MasterPathOf(const std::string& portfolioDirectory) {
    return (fs::path(portfolioDirectory) / store::kMasterName).string();
}

bool SelectPortfolio(const std::string& masterPath, CurrentPortfolio& current,
                     platform::Messenger& messenger) {
    if (masterPath.size() > kMaxMasterPath) {
        messenger.Show("File/Path name too long");
        return false;
    }
    const std::string_view name = store::kMasterName;
    if (masterPath.size() < name.size() ||
        masterPath.compare(masterPath.size() - name.size(), name.size(), name) != 0) {
        return false;
    }
    current.masterPath = masterPath;
    current.portfolioDir = fs::path(masterPath).parent_path().string();
    current.dataDir = current.portfolioDir;
    return true;
}

void WarnIfFilterHides(const std::string& portfolioDirectory, const SearchFilter& filter,
                       platform::Messenger& messenger) {
    if (filter.limit &&
        platform::ToUpperAscii(portfolioDirectory).find(filter.upperText) == std::string::npos) {
        messenger.Show(
            "Your present Portfolio Search Filter (in the Settings dialog)\nwill not find this "
            "added Portfolio on subsequent scans unless\nyou make that Search Filter string "
            "less restrictive.");
    }
}

}  // namespace ticksmith::portfolio
