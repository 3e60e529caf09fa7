#include "portfolio/symbols.h"

#include "platform/locks.h"
#include "platform/names.h"
#include "profiles/profile.h"
#include "store/emaster.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::portfolio {

bool PortfolioIsFull(const std::filesystem::path& portfolioDirectory) {
    store::MasterHeader header;
    // The counter may hold the highest file number in use, as other software writes it.
    return store::ReadMasterHeader(portfolioDirectory, header) == store::kSuccess &&
           header.count >= store::kMaxSymbols;
}

std::optional<std::filesystem::path> StrayFileOf(const std::filesystem::path& portfolioDirectory,
                                                 int fileNumber) {
    for (const std::string& name :
         {store::DataFileName(fileNumber), store::DopFileName(fileNumber)}) {
        if (auto entry = platform::FindEntry(portfolioDirectory, name)) {
            return entry;
        }
    }
    return std::nullopt;
}

void ShowStrayFile(const std::filesystem::path& file, platform::Messenger& messenger) {
    messenger.Show(platform::FormatMessage(
        "%s already exists, though no MASTER record names it.\nMove it elsewhere first; nothing "
        "was changed.",
        {file.string()}));
}

void KeepEmasterInStep(const std::filesystem::path& portfolioDirectory,
                       platform::Messenger& messenger, const store::TypedLongName& typed) {
    if (const store::Status status = store::SyncEmaster(portfolioDirectory, typed);
        status != store::kSuccess) {
        messenger.Show(platform::FormatMessage(
            "MASTER was changed, but the EMASTER of\n%s\ncould not be brought in step with it: "
            "other programs may show old names and dates.\n\n%s",
            {portfolioDirectory.string(),
             store::StatusReport(status, store::EmasterPath(portfolioDirectory).string())}));
    }
}

std::optional<std::string> TypedNameRefusal(const std::filesystem::path& portfolioDirectory,
                                            std::string_view name) {
    if (name.size() <= store::kNameLength) {
        return std::nullopt;
    }
    // Without an EMASTER the rest of the name would have nowhere to go.
    if (store::EmasterPath(portfolioDirectory).empty()) {
        return platform::FormatMessage(
            "The name may have at most 16 characters:\n%s\nThis portfolio has no EMASTER to "
            "hold a longer one; nothing was changed.",
            {name});
    }
    if (name.size() > store::kMaxLongNameText) {
        return platform::FormatMessage(
            "The name may have at most %s characters:\n%s\nNothing was changed.",
            {std::to_string(store::kMaxLongNameText), name});
    }
    return std::nullopt;
}

void NoteTypedNameSplit(std::string_view name, platform::Messenger& messenger) {
    if (name.size() > store::kNameLength) {
        messenger.Show(platform::FormatMessage(
            "MASTER holds the first 16 characters of the name, \"%s\"; EMASTER holds all of it.",
            {name.substr(0, store::kNameLength)}));
    }
}

bool TypedNameFits(const std::filesystem::path& portfolioDirectory, std::string_view name,
                   platform::Messenger& messenger) {
    if (const auto refusal = TypedNameRefusal(portfolioDirectory, name)) {
        messenger.Show(*refusal);
        return false;
    }
    NoteTypedNameSplit(name, messenger);
    return true;
}

namespace {

AddSymbolResult AddSymbolLocked(const CurrentPortfolio& portfolio, std::string_view symbol,
                                std::string_view name,
                                const std::optional<std::string>& profileName,
                                store::DayNumber today, platform::Messenger& messenger,
                                int& fileNumberAdded) {
    store::MasterRecord found;
    std::filesystem::path foundDirectory;
    if (store::FindSymbol(portfolio.dataDir, symbol, found, foundDirectory) == store::kSuccess) {
        messenger.Show("Duplicate Symbol failure");
        return AddSymbolResult::kExists;
    }
    const auto full = [&] {
        messenger.Show(
            "This portfolio already has the\nmaximum number of symbols (255).\nChoose a "
            "different or new portfolio.");
        return AddSymbolResult::kPortfolioFull;
    };
    if (PortfolioIsFull(portfolio.portfolioDir)) {
        return full();
    }
    store::MasterRecord record = store::NewMasterRecord(symbol, name, 7);
    const store::FloatBytes yearAgo =
        store::FileDateFromDayNumber(static_cast<store::DayNumber>(today - 365));
    record.firstDate = yearAgo;
    record.lastDate = yearAgo;
    const store::FileNumberResult appended =
        store::AppendMasterRecord(portfolio.portfolioDir, record);
    if (appended.failure == store::NumberFailure::kFull) {
        return full();
    }
    // `reason` follows the message: what the failure left behind.
    const auto notAdded = [&](const std::string& reason = {}) {
        messenger.Show(platform::FormatMessage("The Symbol %s could not be added to %s.",
                                               {symbol, portfolio.portfolioDir}) +
                       reason);
        return AddSymbolResult::kNotAdded;
    };
    if (!appended.Succeeded()) {
        return notAdded();
    }
    const int fileNumber = appended.fileNumber;
    fileNumberAdded = fileNumber;
    // A record without data files of its own would be a broken symbol; it is taken back out.
    // Empty when that worked, otherwise what MASTER still holds.
    const auto takeBack = [&]() -> std::string {
        if (store::RemoveMasterRecords(portfolio.portfolioDir,
                                       [fileNumber](const store::MasterRecord& added) {
                                           return added.fileNumber == fileNumber;
                                       }) == store::kSuccess) {
            return {};
        }
        return platform::FormatMessage(
            "\nIts record could not be taken back out: MASTER still names %s as file number %s, "
            "without data files of its own.\nDelete that symbol before adding it again.",
            {symbol, std::to_string(fileNumber)});
    };
    if (const auto stray = StrayFileOf(portfolio.portfolioDir, fileNumber)) {
        if (const std::string left = takeBack(); !left.empty()) {
            return notAdded(left);
        }
        ShowStrayFile(*stray, messenger);
        return AddSymbolResult::kNotAdded;
    }
    if (store::CreateQuoteFiles(portfolio.portfolioDir, fileNumber, store::kStandardFields) !=
        store::kSuccess) {
        return notAdded(takeBack());
    }
    if (profileName) {
        profiles::AssignmentBytes bytes{};
        if (!profiles::EncodeAssignment(*profileName, bytes) ||
            !profiles::WriteAssignmentFile(portfolio.portfolioDir, fileNumber, bytes)) {
            messenger.Show("Error creating Profile for symbol");
            return AddSymbolResult::kAssignmentFailed;
        }
    }
    return AddSymbolResult::kAdded;
}

}  // namespace

AddSymbolResult AddSymbol(const CurrentPortfolio& portfolio, std::string_view symbol,
                          std::string_view name, const std::optional<std::string>& profileName,
                          store::DayNumber today, platform::Messenger& messenger) {
    const auto locks = platform::LockPortfolios({portfolio.portfolioDir}, "Add Symbol", messenger);
    if (!locks) {
        return AddSymbolResult::kNotAdded;
    }
    int fileNumber = 0;
    const AddSymbolResult result =
        AddSymbolLocked(portfolio, symbol, name, profileName, today, messenger, fileNumber);
    KeepEmasterInStep(portfolio.portfolioDir, messenger, {fileNumber, std::string(name)});
    return result;
}

}  // namespace ticksmith::portfolio
