#pragma once

#include <array>
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

namespace ticksmith::portfolio {

// One row of the symbol grid.
struct SymbolRow {
    std::string symbol;
    std::string name;     // the issue name as stored, 16 characters
    std::string profile;  // " (none)" without an assignment
    int fileNumber = 0;
};

// One row of the quote grid: date, open, high, low, close, volume, open interest.
using QuoteRow = std::array<std::string, 7>;

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

    std::vector<QuoteRow> quoteRows;  // newest first
    int selectedQuoteRow = 0;
    int totalQuotes = 0;
    std::string firstDateText;  // of the whole series, MM/DD/YY
    std::string lastDateText;

    int SymbolCount() const { return static_cast<int>(symbolRows.size()); }
    int QuoteCount() const { return static_cast<int>(quoteRows.size()); }

    // Level 1 or 2: the portfolio list and both grids; 3: both grids; 4: the quote grid.
    void ClearLists(int level);

    // Makes a portfolio directory current and selects its entry of the portfolio list,
    // adding it when it is not there. False, with the reason shown, for an unusable path.
    bool OpenPortfolio(const std::string& directory, platform::Messenger& messenger);

    // Refills the symbol grid of the current portfolio (checking MASTER first), then the
    // quote grid. False, with the grids empty, when MASTER cannot be read.
    bool FillSymbolsGrid(int row, platform::Messenger& messenger);
    // Refills the quote grid for the selected symbol row; `progress` counts the rows read
    // out of those the grid will hold.
    bool FillQuotesGrid(int row, platform::Messenger& messenger,
                        platform::ProgressSink* progress = nullptr);

    // Selects the symbol row and refills the quote grid.
    bool SelectSymbolRow(int row, platform::Messenger& messenger);

    // -1 when no row has it. The symbol is compared as the grid shows it.
    int SymbolRowOf(std::string_view symbol) const;
    int SymbolRowOfFileNumber(int fileNumber) const;
    int QuoteRowOf(std::string_view dateText) const;

    const SymbolRow* SelectedSymbol() const;
    // The MASTER record the symbol search finds for the selected row, and where. False, with
    // the reason shown, when it is not that row's own record (another record answers to the
    // same text first): a change made through it would land on the wrong symbol.
    [[nodiscard]] bool FindSelectedRecord(store::MasterRecord& record,
                                          std::filesystem::path& directory,
                                          platform::Messenger& messenger) const;
    // The date text of the selected quote row; empty when the grid is empty.
    std::string SelectedQuoteDate() const;
    int SelectedFileNumber() const;
};

// Locks the current portfolio (and its data directory) for a command that changes it; on
// failure the person is told who holds it.
[[nodiscard]] std::optional<platform::PortfolioLocks> LockCurrentPortfolio(
    const ViewState& view, std::string_view purpose, platform::Messenger& messenger);

}  // namespace ticksmith::portfolio
