#include "portfolio/master_repair.h"

#include <array>
#include <vector>

#include "platform/file_system.h"
#include "platform/little_endian.h"
#include "platform/locks.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "portfolio/symbols.h"
#include "store/master.h"

namespace ticksmith::portfolio {

namespace {

constexpr std::size_t kRecord = store::kMasterRecordSize;

bool HasEmptySymbol(const store::MasterRecord& record) {
    return static_cast<unsigned char>(record.symbol[0]) <= ' ';
}

std::string Field(const std::array<char, store::kNameLength>& field) {
    return std::string(field.begin(), field.end());
}

}  // namespace

MasterCondition ExamineMaster(const fs::path& portfolioDirectory) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(store::MasterPath(portfolioDirectory), bytes) ||
        bytes.size() < kRecord) {
        return MasterCondition::kUnreadable;
    }
    const int count = platform::ReadI16(bytes.data());
    if (count < 0 || bytes.size() != kRecord * (static_cast<std::size_t>(count) + 1)) {
        return MasterCondition::kCorrupted;
    }
    std::array<bool, 256> seen{};
    for (std::size_t at = kRecord; at + kRecord <= bytes.size(); at += kRecord) {
        const std::uint8_t fileNumber = bytes[at];
        if (seen[fileNumber]) {
            return MasterCondition::kCorrupted;
        }
        seen[fileNumber] = true;
    }
    for (std::size_t at = kRecord; at + kRecord <= bytes.size(); at += kRecord) {
        if (HasEmptySymbol(store::DecodeMasterRecord(bytes.data() + at))) {
            return MasterCondition::kCorrupted;
        }
    }
    return MasterCondition::kSound;
}

bool RepairMaster(const fs::path& portfolioDirectory, const RepairOptions& options,
                  platform::Messenger& messenger) {
    const fs::path master = store::MasterPath(portfolioDirectory);
    if (!options.masterFix &&
        !messenger.ShowDialog(
            kFixMasterTitle,
            platform::FormatMessage(
                "The Master file\n%s\nappears corrupted.\n\nShould Ticksmith try to repair this "
                "file "
                "now?\n\nIf Yes, your existing Master file will be saved\nas file Master.bak\n\n"
                "(Remember: There is a control for automatically\nfixing bad Master files in the "
                "Settings dialog box.)",
                {master.string()}),
            true)) {
        return false;
    }
    const auto locks = platform::LockPortfolios({portfolioDirectory}, "Repair", messenger);
    if (!locks) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(master, bytes) || bytes.size() < kRecord) {
        return false;
    }
    // The state before the first repair is kept; later repairs leave that copy alone.
    if (!platform::FindEntry(portfolioDirectory, "MASTER.bak") &&
        !platform::CopyToBackup(master, portfolioDirectory, "MASTER.bak")) {
        return false;
    }
    std::vector<std::uint8_t> repaired(bytes.begin(), bytes.begin() + kRecord);
    std::array<bool, 256> used{};
    int written = 0;
    for (std::size_t at = kRecord; at + kRecord <= bytes.size(); at += kRecord) {
        store::MasterRecord record = store::DecodeMasterRecord(bytes.data() + at);
        if (HasEmptySymbol(record)) {
            record.symbol = record.issueName;
        }
        if (used[record.fileNumber]) {
            if (!options.soundDisable) {
                messenger.Play(platform::Sound::kAsterisk);
            }
            static_cast<void>(messenger.ShowDialog(
                kFixMasterTitle,
                platform::FormatMessage(
                    "An error was found with the item named\n\n%s\nor\n%s\n\nThis item is file "
                    "F%d.DAT\n\nWrite this information down now. When repair is complete\nconsult "
                    "the Fixing Bad Master topic in the Ticksmith Help\nfile to ensure that your "
                    "repair was done correctly.",
                    {Field(record.issueName), Field(record.symbol),
                     std::to_string(record.fileNumber)}),
                false));
            continue;
        }
        used[record.fileNumber] = true;
        repaired.resize(repaired.size() + kRecord);
        store::EncodeMasterRecord(record, repaired.data() + repaired.size() - kRecord);
        ++written;
    }
    // The count follows the records kept; the file-number counter is never changed.
    platform::WriteI16(repaired.data(), static_cast<std::int16_t>(written));
    if (!platform::ReplaceFileContents(portfolioDirectory, store::kMasterName, "MASTER.tmp",
                                       repaired.data(), repaired.size())) {
        return false;
    }
    KeepEmasterInStep(portfolioDirectory, messenger);
    return true;
}

bool CheckMaster(const fs::path& portfolioDirectory, const RepairOptions& options,
                 platform::Messenger& messenger) {
    switch (ExamineMaster(portfolioDirectory)) {
        case MasterCondition::kSound:
            return true;
        case MasterCondition::kCorrupted:
            return RepairMaster(portfolioDirectory, options, messenger);
        case MasterCondition::kUnreadable:
            return false;
    }
    return false;
}

}  // namespace ticksmith::portfolio
