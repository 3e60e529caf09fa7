#include "portfolio/portfolio_files.h"

#include <algorithm>

#include "platform/file_system.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "platform/volumes.h"
#include "portfolio/skip_list.h"
#include "store/master.h"

namespace ticksmith::portfolio {

std::optional<std::string> AcceptPortfolioPath(std::string_view text,
                                               platform::Messenger& messenger) {
    std::string path(text);
    path.erase(0, std::min(path.find_first_not_of(" \t"), path.size()));
    path.erase(path.find_last_not_of(" \t") + 1);
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path.empty()) {
        messenger.Show("You did not enter a path");
        return std::nullopt;
    }
    if (!platform::IsDirectory(path) && !platform::CurrentFileSystem().CreateDirectory(path)) {
        messenger.Show("The portfolio could not be created.");
        return std::nullopt;
    }
    return path;
}

bool AddPortfolio(const std::string& directory, CurrentPortfolio& current,
                  std::vector<std::string>& portfolios, const SearchFilter& filter,
                  platform::Messenger& messenger) {
    bool emptyIt = true;
    std::optional<platform::PortfolioLocks> locks;
    if (platform::IsDirectory(directory)) {
        locks = platform::LockPortfolios({directory}, "Add Portfolio", messenger);
        if (!locks) {
            return false;
        }
    }
    if (const auto master = platform::FindEntry(directory, store::kMasterName)) {
        emptyIt = messenger.AskYesNo(
            "You have chosen an existing Portfolio.\n\nDo you want to remove its contents and "
            "select it (Click Yes - a backup will be made)\nor simply select the portfolio "
            "without changing its contents (Click No).");
        // The old index is emptied only once its copy is safe.
        if (emptyIt && !platform::CopyToBackup(*master, directory, "MASTER.BAK")) {
            messenger.Show(platform::FormatMessage(
                "Could not save %s as MASTER.BAK; the portfolio was left as it was.",
                {master->string()}));
            return false;
        }
    }
    CurrentPortfolio selected = current;
    if (!SelectPortfolio(MasterPathOf(directory), selected, messenger)) {
        return false;
    }
    if (emptyIt && store::CreateEmptyMaster(directory) != store::kSuccess) {
        messenger.Show(platform::FormatMessage("Could not create %s.", {selected.masterPath}));
        return false;
    }
    current = selected;
    if (std::find(portfolios.begin(), portfolios.end(), current.portfolioDir) == portfolios.end()) {
        portfolios.push_back(current.portfolioDir);
        std::sort(portfolios.begin(), portfolios.end(), platform::LessIgnoringCase);
    }
    WarnIfFilterHides(current.portfolioDir, filter, messenger);
    return true;
}

bool DeletePortfolio(const std::string& directory, bool soundDisable,
                     platform::Messenger& messenger) {
    if (!soundDisable) {
        messenger.Play(platform::Sound::kQuestion);
    }
    if (!messenger.AskYesNo(
            platform::FormatMessage("Selected Portfolio to Delete:\n%s\n\n", {directory}) +
            std::string(kDeletePortfolioQuestion) + "\n\n" + std::string(kDeletePortfolioNote))) {
        return false;
    }
    return DeletePortfolioFiles(directory, messenger);
}

bool DeletePortfolioFiles(const std::string& directory, platform::Messenger& messenger) {
    const auto locks = platform::LockPortfolios({directory}, "Delete Portfolio", messenger);
    if (!locks) {
        return false;
    }
    platform::FileSystem& system = platform::CurrentFileSystem();
    const std::filesystem::path path(directory);
    bool deleted = true;
    if (directory.size() < 4 || platform::VolumeRoot(path) == path) {
        deleted = system.Remove(store::MasterPath(path));
    } else {
        for (const platform::DirectoryEntry& entry : platform::ListDirectory(path)) {
            // A sub-directory is never entered; it keeps the directory from going.
            deleted = !entry.isDirectory && system.Remove(path / entry.name) && deleted;
        }
        deleted = system.RemoveDirectory(path) && deleted;
    }
    if (!deleted) {
        messenger.Show(
            "Not all of the portfolio elements could be automatically deleted.\nRemoving "
            "portfolio from this display.",
            platform::MessageIcon::kInformation);
    }
    return deleted;
}

bool IsPortfolioFile(const fs::path& path) {
    const std::string name = platform::ToUpperAscii(path.filename().string());
    const fs::path directory = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!platform::FindEntry(directory, store::kMasterName)) {
        return false;
    }
    // EMASTER and XMASTER are the index files other MetaStock programs keep beside MASTER.
    if (name.rfind(store::kMasterName, 0) == 0 || name.rfind("EMASTER", 0) == 0 ||
        name.rfind("XMASTER", 0) == 0 || name == kSkipFileName) {
        return true;
    }
    const std::size_t dot = name.find('.');
    return name.size() > 1 && name[0] == 'F' && dot != std::string::npos && dot > 1 &&
           std::all_of(name.begin() + 1, name.begin() + static_cast<std::ptrdiff_t>(dot),
                       [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace ticksmith::portfolio
