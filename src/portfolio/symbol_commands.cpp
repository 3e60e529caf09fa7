#include "portfolio/symbol_commands.h"

#include <algorithm>
#include <climits>

#include "platform/file_system.h"
#include "platform/names.h"
#include "platform/safe_replace.h"
#include "portfolio/symbols.h"
#include "settings/setting_keys.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::portfolio {

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The symbol field as Delete compares it: up to its first space or control character.
std::string_view SymbolFieldText(const store::MasterRecord& record) {
    const std::string_view field(record.symbol.data(), record.symbol.size());
    return field.substr(
        0, std::min(field.size(),
                    static_cast<std::size_t>(std::find_if(field.begin(), field.end(), IsBlank) -
                                             field.begin())));
}

// The files that travel with a symbol, the data file first.
constexpr std::string_view kTravellingFiles[] = {"DAT", "DOP", "PFL"};

// True when no such file stands in the directory any more.
bool RemoveSymbolFile(const fs::path& directory, int fileNumber, std::string_view extension) {
    const auto entry = platform::FindEntry(directory, store::SymbolFileName(fileNumber, extension));
    return !entry || platform::CurrentFileSystem().Remove(*entry);
}

// The files of a symbol whose record is gone. One that stays is named: it would stand in the
// way of the next symbol that gets the number.
void RemoveSymbolFiles(const fs::path& directory, int fileNumber,
                       std::initializer_list<std::string_view> extensions,
                       platform::Messenger& messenger) {
    for (const std::string_view extension : extensions) {
        if (!RemoveSymbolFile(directory, fileNumber, extension)) {
            messenger.Show(platform::FormatMessage(
                "%s could not be removed; move it elsewhere before the number is used again.",
                {(directory / store::SymbolFileName(fileNumber, extension)).string()}));
        }
    }
}

// Copies one of a symbol's files to another portfolio under its new number. A file the
// source lacks (a symbol without profile, an old symbol without F<n>.DOP) must not be
// stood in for by a stale file of the new number.
bool CopySymbolFile(const fs::path& from, int fromNumber, const fs::path& to, int toNumber,
                    std::string_view extension) {
    const auto source = platform::FindEntry(from, store::SymbolFileName(fromNumber, extension));
    if (!source) {
        return RemoveSymbolFile(to, toNumber, extension) && extension != "DAT";
    }
    std::vector<std::uint8_t> bytes;
    return platform::ReadWholeFile(*source, bytes) &&
           platform::ReplaceFileContents(to, store::SymbolFileName(toNumber, extension),
                                         store::SymbolFileName(toNumber, "~CP"), bytes.data(),
                                         bytes.size());
}

// Whether the destination's file under the new number holds what the source's does, or both
// lack it.
bool SameSymbolFile(const fs::path& from, int fromNumber, const fs::path& to, int toNumber,
                    std::string_view extension) {
    const auto source = platform::FindEntry(from, store::SymbolFileName(fromNumber, extension));
    const auto target = platform::FindEntry(to, store::SymbolFileName(toNumber, extension));
    if (!source || !target) {
        return !source && !target;
    }
    std::vector<std::uint8_t> sourceBytes;
    std::vector<std::uint8_t> targetBytes;
    return platform::ReadWholeFile(*source, sourceBytes) &&
           platform::ReadWholeFile(*target, targetBytes) && sourceBytes == targetBytes;
}

// A data file or description under the new number that no record names. One that holds the
// very bytes being copied was left by an interrupted transfer of this symbol and is taken
// over; anything else is someone's quotes.
std::optional<fs::path> ForeignFileOf(const fs::path& from, int fromNumber, const fs::path& to,
                                      int toNumber) {
    for (const std::string_view extension : {"DAT", "DOP"}) {
        auto entry = platform::FindEntry(to, store::SymbolFileName(toNumber, extension));
        if (entry && !SameSymbolFile(from, fromNumber, to, toNumber, extension)) {
            return entry;
        }
    }
    return std::nullopt;
}

// A destination record that is the source's own, under another number, with the same files:
// what a move interrupted before it took the source's record out leaves behind.
bool IsFinishedCopy(const store::MasterRecord& copy, const fs::path& to,
                    const store::MasterRecord& record, const fs::path& from) {
    store::MasterBytes copyBytes{};
    store::MasterBytes recordBytes{};
    store::MasterRecord renumbered = copy;
    renumbered.fileNumber = record.fileNumber;
    store::EncodeMasterRecord(renumbered, copyBytes.data());
    store::EncodeMasterRecord(record, recordBytes.data());
    return copyBytes == recordBytes &&
           std::all_of(std::begin(kTravellingFiles), std::end(kTravellingFiles),
                       [&](std::string_view extension) {
                           return SameSymbolFile(from, record.fileNumber, to, copy.fileNumber,
                                                 extension);
                       });
}

}  // namespace

SymbolForm AddSymbolFormOf(std::string_view symbolText, std::string_view nameText) {
    std::string symbol = platform::ToUpperAscii(TrimBlanks(symbolText));
    std::string name = nameText.empty() ? symbol : std::string(nameText);
    return {std::move(symbol), std::move(name)};
}

std::optional<platform::FormProblem<SymbolField>> CheckSymbolForm(
    const std::filesystem::path& portfolioDirectory, const SymbolForm& form,
    std::string_view missing) {
    if (form.symbol.empty()) {
        return platform::Refuse(SymbolField::kSymbol, std::string(missing));
    }
    if (form.symbol.size() > store::kNameLength) {
        return platform::Refuse(
            SymbolField::kSymbol,
            platform::FormatMessage("The symbol may have at most 16 characters:\n%s",
                                    {form.symbol}));
    }
    if (auto refusal = TypedNameRefusal(portfolioDirectory, form.name)) {
        return platform::Refuse(SymbolField::kName, std::move(*refusal));
    }
    return std::nullopt;
}

AddSymbolResult AddSymbolCommand(ViewState& view, std::string_view symbolText,
                                 std::string_view nameText,
                                 const std::optional<std::string>& profileName,
                                 store::DayNumber today, platform::Messenger& messenger) {
    const auto [symbol, name] = AddSymbolFormOf(symbolText, nameText);
    if (const auto problem =
            CheckSymbolForm(view.current.portfolioDir, {symbol, name}, kAddSymbolMissing)) {
        messenger.Show(problem->message);
        return AddSymbolResult::kNoSymbolEntered;
    }
    NoteTypedNameSplit(name, messenger);
    const AddSymbolResult result =
        AddSymbol(view.current, symbol, name, profileName, today, messenger);
    if (result == AddSymbolResult::kAdded || result == AddSymbolResult::kAssignmentFailed) {
        view.FillSymbolsGrid(0, messenger);
        if (const int row = view.SymbolRowOf(symbol); row >= 0) {
            view.SelectSymbolRow(row, messenger);
        }
    }
    return result;
}

std::string DeleteSymbolQuestion(std::string_view symbol) {
    return "Selected Symbol to Delete:\n" + std::string(symbol) +
           "\n\nAre you sure you want to delete the Symbol shown above? ";
}

bool DeleteSymbol(ViewState& view, platform::Messenger& messenger) {
    const auto locks = LockCurrentPortfolio(view, "Delete Symbol", messenger);
    if (!locks) {
        return false;
    }
    const std::string symbol = view.currentSymbol;
    std::vector<int> removed;
    if (const store::Status status =
            store::RemoveMasterRecords(view.current.portfolioDir,
                                       [&](const store::MasterRecord& record) {
                                           // Only the selected row's own record: "BRK A" and "BRK
                                           // B" both read "BRK".
                                           if (SymbolFieldText(record) != symbol ||
                                               record.fileNumber != view.SelectedFileNumber()) {
                                               return false;
                                           }
                                           removed.push_back(record.fileNumber);
                                           return true;
                                       });
        status != store::kSuccess) {
        messenger.Show(
            status == store::kRecordNotFound
                ? platform::FormatMessage(
                      "The Symbol %s was not found in the MASTER file of\n%s\nNothing was "
                      "deleted.",
                      {symbol, view.current.portfolioDir})
                : platform::FormatMessage(
                      "The MASTER file of\n%s\ncould not be read or replaced; nothing was "
                      "deleted.\n\n%s",
                      {view.current.portfolioDir,
                       store::StatusReport(
                           status, store::DescribeMasterFailure(view.current.portfolioDir))}));
        return false;
    }
    KeepEmasterInStep(view.current.portfolioDir, messenger);
    for (const int fileNumber : removed) {
        RemoveSymbolFiles(view.current.portfolioDir, fileNumber, {"DAT", "DOP", "PFL", "BAK"},
                          messenger);
    }
    SkipList skip = GetSkipString(view.current.portfolioDir, messenger);
    if (skip.size() == kSkipListLength) {
        for (const int fileNumber : removed) {
            skip[static_cast<std::size_t>(fileNumber)] = '0';
        }
        if (SetSkipString(view.current.portfolioDir, skip).empty()) {
            // A symbol that gets the number next would not be updated.
            messenger.Show(platform::FormatMessage(
                "The Symbol %s was deleted, but its skip flag could not be cleared in %s.",
                {symbol, (fs::path(view.current.portfolioDir) / kSkipFileName).string()}));
        }
    }
    view.FillSymbolsGrid(view.selectedSymbolRow, messenger);
    return true;
}

std::vector<std::string> TransferDestinations(const ViewState& view) {
    std::vector<std::string> destinations;
    for (std::size_t i = 0; i < view.portfolios.size(); ++i) {
        if (static_cast<int>(i) != view.selectedPortfolio) {
            destinations.push_back(view.portfolios[i]);
        }
    }
    return destinations;
}

namespace {

// `source` is where the selected record was found, for the caller to bring in step.
bool TransferSymbolLocked(ViewState& view, const std::string& destination, Transfer transfer,
                          fs::path& source, platform::Messenger& messenger) {
    const std::string symbol = platform::ToUpperAscii(TrimBlanks(view.currentSymbol));
    store::MasterRecord record;
    if (!view.FindSelectedRecord(record, source, messenger)) {
        return false;
    }
    const int sourceNumber = record.fileNumber;
    const fs::path target(destination);
    const auto removeSource = [&] {
        // The record goes first, so that MASTER never names a file already removed.
        if (store::RemoveMasterRecords(source, [sourceNumber](const store::MasterRecord& moved) {
                return moved.fileNumber == sourceNumber;
            }) != store::kSuccess) {
            return false;
        }
        RemoveSymbolFiles(source, sourceNumber, {"DAT", "BAK", "DOP", "PFL"}, messenger);
        view.FillSymbolsGrid(view.selectedSymbolRow, messenger);
        return true;
    };
    store::MasterRecord existing;
    fs::path existingDirectory;
    if (store::FindSymbol(destination, symbol, existing, existingDirectory) == store::kSuccess) {
        // A move that died after the destination took the symbol only has the source to clear.
        if (transfer == Transfer::kMove && existingDirectory == target &&
            IsFinishedCopy(existing, target, record, source) && removeSource()) {
            return true;
        }
        messenger.Show(platform::FormatMessage(
            "The Symbol addition failed.\n\nReason: Symbol %s already exists in\n%s",
            {symbol, destination}));
        return false;
    }
    const auto full = [&] {
        messenger.Show(
            "The portfolio already has the\nmaximum number of symbols (255).\nChoose a "
            "different or new portfolio.");
        return false;
    };
    // Files an interrupted move left under a number are this symbol's, and a retry reuses it.
    const store::FileNumberResult free = store::FreeFileNumber(destination, [&](int candidate) {
        return !ForeignFileOf(source, sourceNumber, target, candidate);
    });
    if (free.failure == store::NumberFailure::kFull) {
        return full();
    }
    const int number = free.fileNumber;
    const std::string_view verb = transfer == Transfer::kMove ? "moved" : "copied";
    const auto failed = [&] {
        messenger.Show(platform::FormatMessage(
            "The Symbol %s could not be %s to\n%s\nBoth portfolios are as they were.",
            {symbol, verb, destination}));
        return false;
    };
    if (!free.Succeeded()) {
        return failed();
    }
    if (const auto stray = ForeignFileOf(source, sourceNumber, target, number)) {
        ShowStrayFile(*stray, messenger);
        return false;
    }
    // The files reach the destination, synced, before the record that names them, and the
    // source's record leaves before its files: a crash at any point leaves every record
    // naming whole files, and the symbol whole in one portfolio or both.
    std::vector<std::string_view> written;
    const auto removeWritten = [&] {
        for (const std::string_view extension : written) {
            RemoveSymbolFile(target, number, extension);
        }
        return failed();
    };
    for (const std::string_view extension : kTravellingFiles) {
        written.push_back(extension);
        if (!CopySymbolFile(source, sourceNumber, target, number, extension)) {
            return removeWritten();
        }
    }
    const store::FileNumberResult added = store::AppendMasterRecord(destination, record, number);
    if (added.failure == store::NumberFailure::kFull) {
        removeWritten();
        return full();
    }
    if (!added.Succeeded()) {
        return removeWritten();
    }
    if (transfer == Transfer::kCopy || removeSource()) {
        return true;
    }
    // Takes the destination back to what it was, its record out before its files.
    if (store::RemoveMasterRecords(target, [number](const store::MasterRecord& copy) {
            return copy.fileNumber == number;
        }) != store::kSuccess) {
        messenger.Show(platform::FormatMessage(
            "The Symbol %s could not be %s to\n%s\nand its record there could not be taken "
            "back out: check and repair that portfolio's MASTER.",
            {symbol, verb, destination}));
        return false;
    }
    return removeWritten();
}

}  // namespace

bool TransferSymbol(ViewState& view, const std::string& destination, Transfer transfer,
                    platform::Messenger& messenger) {
    if (destination.empty()) {
        return false;
    }
    const auto locks = platform::LockPortfolios(
        {view.current.portfolioDir, view.current.dataDir, destination},
        transfer == Transfer::kMove ? "Move Symbol" : "Copy Symbol", messenger);
    if (!locks) {
        return false;
    }
    fs::path source;
    const bool transferred = TransferSymbolLocked(view, destination, transfer, source, messenger);
    if (!source.empty()) {
        KeepEmasterInStep(source, messenger);
    }
    KeepEmasterInStep(destination, messenger);
    return transferred;
}

bool EditSymbol(ViewState& view, std::string_view symbol, std::string_view name,
                platform::Messenger& messenger) {
    if (const auto problem =
            CheckSymbolForm(view.current.portfolioDir, {std::string(symbol), std::string(name)},
                            kEditSymbolMissing)) {
        messenger.Show(problem->message);
        return false;
    }
    const auto locks = LockCurrentPortfolio(view, "Edit Symbol", messenger);
    if (!locks) {
        return false;
    }
    store::MasterRecord record;
    fs::path directory;
    if (!view.FindSelectedRecord(record, directory, messenger) ||
        !TypedNameFits(directory, name, messenger)) {
        return false;
    }
    if (store::SetMasterNames(directory, record.fileNumber, symbol, name) != store::kSuccess) {
        messenger.Show(
            platform::FormatMessage("The Symbol %s could not be renamed.", {view.currentSymbol}));
        return false;
    }
    KeepEmasterInStep(directory, messenger, {record.fileNumber, std::string(name)});
    const std::string stored(name.substr(0, std::min(name.size(), store::kNameLength)));
    if (view.selectedSymbolRow < view.SymbolCount()) {
        store::MasterRecord& shown =
            view.symbolRows[static_cast<std::size_t>(view.selectedSymbolRow)].record;
        shown.symbol = store::PaddedName(symbol);
        shown.issueName = store::PaddedName(stored);
    }
    view.currentSymbol = std::string(symbol);
    view.currentName = stored;
    return true;
}

int FindSymbolByName(const std::string& portfolioDirectory, std::string_view upperText) {
    std::vector<store::MasterRecord> records;
    if (store::ReadMasterRecords(portfolioDirectory, records) != store::kSuccess) {
        return -1;
    }
    for (const store::MasterRecord& record : records) {
        const std::string field(record.symbol.begin(), record.symbol.end());
        if (platform::ToUpperAscii(TrimBlanks(field)) == upperText) {
            return record.fileNumber;
        }
    }
    return -1;
}

namespace {

// The text searched for: blanks around a typed name never belong to it, and a number keeps its
// digits only.
std::string FindText(const FindRequest& request) {
    std::string text(TrimBlanks(request.text));
    if (request.byNumber) {
        std::replace_if(
            text.begin(), text.end(), [](char c) { return c < '0' || c > '9'; }, ' ');
        text = std::string(TrimBlanks(text));
    }
    return text;
}

}  // namespace

std::optional<std::string> FindRequestRefusal(const FindRequest& request) {
    if (TrimBlanks(request.text).empty()) {
        return "Please enter a Symbol Name or File Number";
    }
    if (FindText(request).empty()) {
        return "Please enter a valid File Number";
    }
    return std::nullopt;
}

FindResult FindSymbolCommand(ViewState& view, const FindRequest& request,
                             settings::SettingsStore& store, platform::Messenger& messenger) {
    if (const auto refusal = FindRequestRefusal(request)) {
        messenger.Show(*refusal);
        return FindResult::kRefused;
    }
    std::string text = FindText(request);
    const bool searchAll = request.searchAll && !request.byNumber;
    settings::Write(store, settings::keys::kFindSearchAll, request.searchAll ? 1 : 0);
    settings::Write(store, settings::keys::kFindByNumber, request.byNumber ? 1 : 0);
    text = platform::ToUpperAscii(text);

    int fileNumber = -1;
    int portfolio = view.selectedPortfolio;
    if (request.byNumber) {
        long long value = 0;
        for (const char c : text) {
            if (c >= '0' && c <= '9') {
                value = std::min<long long>(value * 10 + (c - '0'), INT_MAX);
            } else {
                break;  // the cleaned text may still hold inner spaces: "12 4" is 12
            }
        }
        fileNumber = static_cast<int>(value);
    } else {
        const std::size_t count = view.portfolios.size();
        for (std::size_t i = searchAll ? 0 : static_cast<std::size_t>(std::max(portfolio, 0));
             i < count; ++i) {
            fileNumber = FindSymbolByName(view.portfolios[i], text);
            if (fileNumber >= 0 || !searchAll) {
                portfolio = static_cast<int>(i);
                break;
            }
        }
    }
    if (fileNumber >= 1 && fileNumber <= store::kMaxSymbols && portfolio >= 0 &&
        portfolio < static_cast<int>(view.portfolios.size())) {
        if (searchAll) {
            view.selectedPortfolio = portfolio;
        }
        const std::string& entry = view.portfolios[static_cast<std::size_t>(portfolio)];
        if (!SelectPortfolio(MasterPathOf(entry), view.current, messenger)) {
            return FindResult::kNotFound;
        }
        if (!view.FillSymbolsGrid(0, messenger)) {
            return FindResult::kNotFound;
        }
        if (const int row = view.SymbolRowOfFileNumber(fileNumber); row >= 0) {
            view.SelectSymbolRow(row, messenger);
            return FindResult::kFound;
        }
        if (!request.byNumber) {
            return FindResult::kFound;
        }
    }
    messenger.Show(request.byNumber
                       ? platform::FormatMessage("File number %d is not in this portfolio.",
                                                 {std::to_string(fileNumber)})
                       : platform::FormatMessage("Symbol name %s not found.", {text}));
    return FindResult::kNotFound;
}

}  // namespace ticksmith::portfolio
