#include "portfolio/skip_list.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "store/master.h"

namespace ticksmith::portfolio {

SkipList GetSkipString(const fs::path& portfolioDirectory, platform::Messenger& messenger) {
    platform::InputFile file(platform::ResolveEntry(portfolioDirectory, kSkipFileName));
    if (!file.IsOpen()) {
        return SetSkipString(portfolioDirectory, {});
    }
    std::array<std::uint8_t, kSkipListLength> bytes{};
    const std::int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    if (got < static_cast<std::int64_t>(bytes.size())) {
        messenger.Show(platform::FormatMessage(
            "Incorrect file length in GetSkipString at.\n%s\nDelete SKIPQLDR.SKB",
            {portfolioDirectory.string()}));
    }
    SkipList list(kSkipListLength, '0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        list[i] = bytes[i] != 0 ? '1' : '0';
    }
    return list;
}

SkipList SetSkipString(const fs::path& portfolioDirectory, SkipList list) {
    if (list.empty()) {
        list.assign(kSkipListLength, '0');
        list[0] = '1';
    }
    std::array<std::uint8_t, kSkipListLength> bytes{};
    for (std::size_t i = 0; i < bytes.size() && i < list.size(); ++i) {
        bytes[i] = list[i] == '1' ? 1 : 0;
    }
    if (!platform::ReplaceFileContents(portfolioDirectory, kSkipFileName,
                                       std::string(kSkipFileName) + ".tmp", bytes.data(),
                                       bytes.size())) {
        return {};
    }
    return list;
}

PortfolioSkipMark PortfolioListMark(const fs::path& portfolioDirectory) {
    const std::optional<fs::path> path = platform::FindEntry(portfolioDirectory, kSkipFileName);
    if (!path) {
        return PortfolioSkipMark::kNormal;
    }
    platform::InputFile file(*path);
    std::array<std::uint8_t, kSkipListLength> bytes{};
    if (!file.IsOpen() ||
        file.ReadAt(0, bytes.data(), bytes.size()) < static_cast<std::int64_t>(bytes.size())) {
        return PortfolioSkipMark::kUnknown;
    }
    const auto last =
        std::find_if(bytes.rbegin(), bytes.rend(), [](std::uint8_t flag) { return flag != 0; });
    const bool onlyFileNumberZero = last != bytes.rend() && last == bytes.rend() - 1;
    return onlyFileNumberZero ? PortfolioSkipMark::kNormal : PortfolioSkipMark::kSkipped;
}

bool IsSkipped(const SkipList& list, int fileNumber) {
    return fileNumber >= 0 && static_cast<std::size_t>(fileNumber) < list.size() &&
           list[static_cast<std::size_t>(fileNumber)] == '1';
}

bool SkipSymbol(const fs::path& portfolioDirectory, std::string_view symbol, SkipChange change,
                platform::Messenger& messenger) {
    const auto locks = platform::LockPortfolios({portfolioDirectory}, "Skip", messenger);
    if (!locks) {
        return false;
    }
    store::MasterRecord record;
    fs::path found;
    if (store::FindSymbol(portfolioDirectory, symbol, record, found) != store::kSuccess) {
        return false;
    }
    SkipList list = GetSkipString(portfolioDirectory, messenger);
    if (list.size() != kSkipListLength) {
        return false;
    }
    const int fileNumber = record.fileNumber;
    const bool skip =
        change == SkipChange::kToggle ? !IsSkipped(list, fileNumber) : change == SkipChange::kOn;
    list[static_cast<std::size_t>(fileNumber)] = skip ? '1' : '0';
    return !SetSkipString(portfolioDirectory, list).empty();
}

bool SkipAdjust(const fs::path& portfolioDirectory, bool skipAll, platform::Messenger& messenger) {
    const auto locks =
        platform::LockPortfolios({portfolioDirectory}, "Portfolio Skip Adjustment", messenger);
    if (!locks) {
        return false;
    }
    SkipList list = GetSkipString(portfolioDirectory, messenger);
    if (list.size() != kSkipListLength) {
        return false;
    }
    std::fill(list.begin() + 1, list.end(), '0');
    if (skipAll) {
        std::vector<store::MasterRecord> records;
        if (store::ReadMasterRecordsToEnd(portfolioDirectory, records) != store::kSuccess) {
            return false;  // skipping none of them would not be what was asked
        }
        for (const store::MasterRecord& record : records) {
            list[record.fileNumber] = '1';
        }
    }
    return !SetSkipString(portfolioDirectory, list).empty();
}

}  // namespace ticksmith::portfolio
