#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locks.h"
#include "platform/messenger.h"
#include "platform/progress.h"
#include "portfolio/discovery.h"
#include "portfolio/skip_list.h"
#include "settings/view_settings.h"
#include "store/master.h"
#include "store/quotes.h"

namespace ticksmith::portfolio {

// One row of the symbol grid: the symbol's MASTER record and the profile assigned to it.
// grid_format.h turns it into the grid's texts.
struct SymbolRow {
    store::MasterRecord record;
    std::optional<std::string> profile;  // none without an assignment

    // The symbol as the grid shows it, which every command works on.
    std::string Symbol() const { return record.SymbolText(); }
    int FileNumber() const { return record.fileNumber; }
};

// A MASTER's records in the order of the symbol grid: at most 255, sorted by the symbol as the
// grid shows it without regard to case; records that compare equal keep their MASTER order.
std::vector<store::MasterRecord> SymbolGridOrder(std::vector<store::MasterRecord> records);

// The grid's "RECENT" limit.
inline constexpr int kRecentQuotes = 30;
// Quotes are read at most this many at a time.
inline constexpr int kQuoteChunk = 400;

// What the main window shows and every command works on: the portfolio list, the current
// portfolio, the two grids with their selections and the settings copies. The window renders
// it; the CLI and the tests drive it directly.
class ViewState {
  public:
    settings::ViewSettings settings;

    std::vector<std::string> portfolios;
    int selectedPortfolio = -1;
    CurrentPortfolio current;

    std::vector<SymbolRow> symbolRows;  // sorted by symbol
    // For the window's status: how many symbols XMASTER holds that the grid cannot show;
    // empty when none.
    std::string hiddenSymbolsNote;
    int selectedSymbolRow = 0;
    std::string currentSymbol;
    std::string currentName;
    SkipList skipList;

    std::vector<store::Quote> quotes;  // the quote grid's rows, newest first
    bool quotesHaveTime = false;       // their records carry a time of day (intraday)
    int selectedQuoteRow = 0;
    int totalQuotes = 0;
    // Of the whole series; 0 when it has no quotes or they cannot be read.
    store::DayNumber firstDay = 0;
    store::DayNumber lastDay = 0;

    int SymbolCount() const { return static_cast<int>(symbolRows.size()); }
    int QuoteCount() const { return static_cast<int>(quotes.size()); }

    // Level 1 or 2: the portfolio list and both grids; 3: both grids; 4: the quote grid.
    void ClearLists(int level);

    // Makes a portfolio directory current and selects its entry of the portfolio list,
    // adding it when it is not there. False, with the reason shown, for an unusable path.
    bool OpenPortfolio(const std::string& directory, platform::Messenger& messenger);

    // Refills the symbol grid of the current portfolio (checking MASTER first), then the
    // quote grid. False, with the grids empty, when MASTER cannot be read.
    bool FillSymbolsGrid(int row, platform::Messenger& messenger,
                         platform::ProgressSink* quoteProgress = nullptr);
    // Refills the quote grid for the selected symbol row; `progress` counts the rows read
    // out of those the grid will hold.
    bool FillQuotesGrid(int row, platform::Messenger& messenger,
                        platform::ProgressSink* progress = nullptr);

    // After the grids could not be filled: when the current portfolio's MASTER is gone (the
    // directory was removed or renamed meanwhile), drops its entry from the portfolio list and
    // returns true.
    bool DropVanishedPortfolio();

    // Selects the symbol row and refills the quote grid.
    bool SelectSymbolRow(int row, platform::Messenger& messenger);

    // -1 when no row has it. The symbol is compared as the grid shows it.
    int SymbolRowOf(std::string_view symbol) const;
    int SymbolRowOfFileNumber(int fileNumber) const;
    int QuoteRowOf(store::DayNumber day) const;

    const SymbolRow* SelectedSymbol() const;
    // The MASTER record the symbol search finds for the selected row, and where. False, with
    // the reason shown, when it is not that row's own record (another record answers to the
    // same text first): a change made through it would land on the wrong symbol.
    [[nodiscard]] bool FindSelectedRecord(store::MasterRecord& record,
                                          std::filesystem::path& directory,
                                          platform::Messenger& messenger) const;
    // The date of the selected quote row; 0 when the grid is empty.
    store::DayNumber SelectedQuoteDay() const;
    int SelectedFileNumber() const;
};

// Locks the current portfolio (and its data directory) for a command that changes it; on
// failure the person is told who holds it.
[[nodiscard]] std::optional<platform::PortfolioLocks> LockCurrentPortfolio(
    const ViewState& view, std::string_view purpose, platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
