#include "portfolio/view_state.h"

#include <algorithm>
#include <iterator>

#include "platform/names.h"
#include "portfolio/grid_format.h"
#include "portfolio/master_repair.h"
#include "profiles/profile.h"
#include "store/master.h"
#include "store/quotes.h"
#include "store/xmaster.h"

namespace ticksmith::portfolio {

namespace {

int Clamp(int row, int count) {
    return count == 0 ? 0 : std::clamp(row, 0, count - 1);
}

}  // namespace

std::vector<store::MasterRecord> SymbolGridOrder(std::vector<store::MasterRecord> records) {
    records.resize(std::min<std::size_t>(records.size(), store::kMaxSymbols));
    std::vector<std::pair<std::string, std::size_t>> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        rows.emplace_back(records[i].SymbolText(), i);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const auto& left, const auto& right) {
        return platform::LessIgnoringCase(left.first, right.first) &&
               !platform::EqualsIgnoringCase(left.first, right.first);
    });
    std::vector<store::MasterRecord> sorted;
    sorted.reserve(rows.size());
    for (const auto& row : rows) {
        sorted.push_back(records[row.second]);
    }
    return sorted;
}

void ViewState::ClearLists(int level) {
    if (level <= 2) {
        portfolios.clear();
        selectedPortfolio = -1;
    }
    if (level <= 3) {
        symbolRows.clear();
        hiddenSymbolsNote.clear();
        selectedSymbolRow = 0;
        currentSymbol.clear();
        currentName.clear();
    }
    quotes.clear();
    quotesHaveTime = false;
    selectedQuoteRow = 0;
    totalQuotes = 0;
    firstDay = 0;
    lastDay = 0;
}

bool ViewState::OpenPortfolio(const std::string& directory, platform::Messenger& messenger) {
    if (!SelectPortfolio(MasterPathOf(directory), current, messenger)) {
        return false;
    }
    auto entry = std::find(portfolios.begin(), portfolios.end(), directory);
    if (entry == portfolios.end()) {
        entry = portfolios.insert(std::upper_bound(portfolios.begin(), portfolios.end(), directory,
                                                   [](const std::string& a, const std::string& b) {
                                                       return platform::LessIgnoringCase(a, b);
                                                   }),
                                  directory);
    }
    selectedPortfolio = static_cast<int>(entry - portfolios.begin());
    return true;
}

bool ViewState::FillSymbolsGrid(int row, platform::Messenger& messenger,
                                platform::ProgressSink* quoteProgress) {
    ClearLists(3);
    const auto failure = [&](std::string_view reason) {
        ClearLists(3);
        messenger.Show(reason.empty()
                           ? std::string("Failure while filling symbols grid")
                           : "Failure while filling symbols grid\n\n" + std::string(reason),
                       platform::MessageIcon::kStop);
        return false;
    };
    if (!CheckMaster(current.portfolioDir, {settings.masterFix, settings.soundDisable},
                     messenger)) {
        return failure({});
    }
    std::vector<store::MasterRecord> records;
    store::MasterHeader header;
    if (portfolios.empty()) {
        return failure({});
    }
    if (const store::Status status =
            store::ReadMasterRecords(current.portfolioDir, records, &header);
        status != store::kSuccess) {
        return failure(
            store::StatusReport(status, store::DescribeMasterFailure(current.portfolioDir)));
    }
    if (header.count > store::kMaxSymbols) {
        messenger.Show(platform::FormatMessage(
                           "File has %d symbols.\nWill only display the first %d symbols",
                           {std::to_string(header.count), std::to_string(store::kMaxSymbols)}),
                       platform::MessageIcon::kInformation);
    }
    skipList.clear();
    const platform::DirectoryNames names(current.portfolioDir);
    for (const store::MasterRecord& record : SymbolGridOrder(std::move(records))) {
        if (symbolRows.empty()) {
            skipList = GetSkipString(current.portfolioDir, messenger);
            if (skipList.size() != kSkipListLength) {
                messenger.Show("incorrect file length in FillSymbolsGrid\ndelete skipqldr.skb");
            }
        }
        // One listing answers for every row: most symbols of other programs' portfolios have
        // no assignment, and a miss would list the directory each time.
        const bool assigned =
            names.Find(profiles::AssignmentFileName(record.fileNumber)).has_value();
        symbolRows.push_back(
            {record, assigned ? profiles::ReadAssignment(current.portfolioDir, record.fileNumber)
                              : std::nullopt});
    }
    hiddenSymbolsNote = store::XmasterNote(current.portfolioDir);
    selectedSymbolRow = Clamp(row, SymbolCount());
    FillQuotesGrid(0, messenger, quoteProgress);
    return true;
}

bool ViewState::FillQuotesGrid(int row, platform::Messenger& messenger,
                               platform::ProgressSink* progress) {
    ClearLists(4);
    const SymbolRow* selected = SelectedSymbol();
    if (selected == nullptr) {
        return true;
    }
    currentSymbol = selected->Symbol();
    currentName = StoredNameText(selected->record);
    // The grid's own failure text, then which file failed and why.
    const auto readFailure = [&](store::Status status) {
        messenger.Show("Error in FillQuotesGrid\n\n" +
                       store::StatusReport(
                           status, store::DescribeSeriesFailure(current.dataDir, currentSymbol)));
    };
    store::QuoteSeries series;
    if (const store::Status status =
            store::ReadSeries(series, current.dataDir, currentSymbol, 0, 0);
        status != store::kSuccess) {
        readFailure(status);
        return false;
    }
    totalQuotes = series.quotesInFile;
    quotesHaveTime = series.layout.Has(store::kTime);
    const int wanted = settings.displayRecent ? std::min(totalQuotes, kRecentQuotes) : totalQuotes;
    if (wanted == 0) {
        return true;
    }
    if (store::AllocSeries(series, std::min(wanted, kQuoteChunk)) != store::kSuccess) {
        messenger.Show("Too many quotes");
        return false;
    }
    quotes.reserve(static_cast<std::size_t>(wanted));
    bool whole = true;
    for (int read = 0; read < wanted;) {
        const int chunk = std::min(wanted - read, kQuoteChunk);
        // Chunks run from the newest quotes back; "RECENT" is a single read of the newest.
        if (const store::Status status = store::ReadSeries(series, current.dataDir, currentSymbol,
                                                           totalQuotes - read - chunk, chunk);
            status != store::kSuccess) {
            readFailure(status);
            whole = false;
            break;
        }
        const auto newest = series.quotes.begin() + series.count;
        quotes.insert(quotes.end(), std::make_reverse_iterator(newest), series.quotes.rend());
        read += chunk;
        if (progress != nullptr) {
            progress->SetCount(read, wanted);
        }
    }
    const auto dayOf = [&](int start) {
        return store::ReadSeries(series, current.dataDir, currentSymbol, start, 1) ==
                           store::kSuccess &&
                       series.count == 1
                   ? series.quotes[0].date
                   : store::DayNumber{0};
    };
    firstDay = dayOf(0);
    lastDay = dayOf(totalQuotes - 1);
    selectedQuoteRow = Clamp(row, QuoteCount());
    return whole;
}

bool ViewState::DropVanishedPortfolio() {
    if (selectedPortfolio < 0 || selectedPortfolio >= static_cast<int>(portfolios.size()) ||
        platform::FindEntry(portfolios[static_cast<std::size_t>(selectedPortfolio)],
                            store::kMasterName)) {
        return false;
    }
    portfolios.erase(portfolios.begin() + selectedPortfolio);
    selectedPortfolio = -1;
    ClearLists(3);
    return true;
}

bool ViewState::SelectSymbolRow(int row, platform::Messenger& messenger) {
    selectedSymbolRow = Clamp(row, SymbolCount());
    return FillQuotesGrid(0, messenger);
}

int ViewState::SymbolRowOf(std::string_view symbol) const {
    for (std::size_t i = 0; i < symbolRows.size(); ++i) {
        if (symbolRows[i].Symbol() == symbol) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int ViewState::SymbolRowOfFileNumber(int fileNumber) const {
    for (std::size_t i = 0; i < symbolRows.size(); ++i) {
        if (symbolRows[i].FileNumber() == fileNumber) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int ViewState::QuoteRowOf(store::DayNumber day) const {
    for (std::size_t i = 0; i < quotes.size(); ++i) {
        if (quotes[i].date == day) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const SymbolRow* ViewState::SelectedSymbol() const {
    if (selectedSymbolRow < 0 || selectedSymbolRow >= SymbolCount()) {
        return nullptr;
    }
    return &symbolRows[static_cast<std::size_t>(selectedSymbolRow)];
}

bool ViewState::FindSelectedRecord(store::MasterRecord& record, std::filesystem::path& directory,
                                   platform::Messenger& messenger) const {
    if (const store::Status status =
            store::FindSymbol(current.dataDir, currentSymbol, record, directory);
        status != store::kSuccess) {
        // "Not found" only for a MASTER that was read and has no such symbol.
        std::string reason = store::DescribeMasterFailure(current.dataDir);
        if (reason.empty() && status != store::kFileNotFound) {
            reason = store::StatusReport(status, store::MasterPath(current.dataDir).string());
        }
        messenger.Show(
            reason.empty()
                ? platform::FormatMessage("The Symbol %s was not found in\n%s",
                                          {currentSymbol, current.portfolioDir})
                : platform::FormatMessage("The MASTER file of\n%s\ncould not be read; nothing "
                                          "was changed.\n\n%s",
                                          {current.portfolioDir, reason}));
        return false;
    }
    std::error_code error;
    if (record.fileNumber != SelectedFileNumber() ||
        !std::filesystem::equivalent(directory, current.dataDir, error)) {
        messenger.Show(platform::FormatMessage(
            "Another symbol of this portfolio answers to %s as well.\nGive one of them another "
            "symbol (Symbol > Edit) first; nothing was changed.",
            {currentSymbol}));
        return false;
    }
    return true;
}

store::DayNumber ViewState::SelectedQuoteDay() const {
    if (selectedQuoteRow < 0 || selectedQuoteRow >= QuoteCount()) {
        return 0;
    }
    return quotes[static_cast<std::size_t>(selectedQuoteRow)].date;
}

int ViewState::SelectedFileNumber() const {
    const SymbolRow* row = SelectedSymbol();
    return row == nullptr ? 0 : row->FileNumber();
}

std::optional<platform::PortfolioLocks> LockCurrentPortfolio(const ViewState& view,
                                                             std::string_view purpose,
                                                             platform::Messenger& messenger) {
    return platform::LockPortfolios({view.current.portfolioDir, view.current.dataDir}, purpose,
                                    messenger);
}

}  // namespace ticksmith::portfolio
