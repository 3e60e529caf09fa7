#pragma once

#include <span>
#include <string_view>

namespace ticksmith::app {

// Every command of the window, by the number it has always had.
enum class CommandId : int {
    kUpdateQuotes = 32819,
    kUndoLastUpdate = 32830,  // ours: numbers above 32829 were never used
    kSettings = 32814,
    kProfiles = 32817,
    kExit = 57665,
    kPortfolioAdd = 32792,
    kPortfolioDelete = 32793,
    kPortfolioSkipAdjust = 32794,
    kRescan = 32807,
    kSplitSearch = 32776,
    kSymbolAdd = 32790,
    kSymbolDelete = 32791,
    kSymbolMove = 32795,
    kSymbolCopy = 32823,
    kSymbolSkip = 32797,
    kSymbolFind = 32822,
    kSymbolEdit = 32789,
    kSymbolAbout = 32774,
    kGraph = 32812,
    kImport = 32818,
    kExport = 32804,
    kQuoteEdit = 32771,
    kQuoteSplit = 32772,
    kQuoteAdjust = 32773,
    kQuoteAdd = 32798,
    kQuoteDelete = 32775,
    kPrint = 57607,
    kPrintPreview = 57609,
    kPrintSetup = 57606,
    kExportPdf = 32831,  // ours
    kRecentAll = 32809,
    kHelpTopics = 57667,
    kTutorial = 32820,
    kAbout = 57664,
};

enum class Menu { kFile, kPortfolio, kSymbol, kQuotes, kHelp };

// When a command may run.
enum class Rule {
    kAlways,
    kPortfolios,
    kPortfoliosAndSymbols,
    kNoSplitSearchOpen,  // portfolios and symbols, and the Split Search window closed
    kRoomForSymbol,      // portfolios and fewer than 255 symbols
    kTwoPortfolios,      // at least two portfolios and symbols
    kSymbolsNoGraph,     // portfolios and symbols, graph off
    kQuotesNoGraph,      // portfolios and quotes, graph off
    kQuoteAdd,           // portfolios, and a selected quote row that is not the last
    kNoGraph,
    kQuotes,  // portfolios and quotes
};

struct Command {
    CommandId id;
    Menu menu;
    std::string_view text;     // the menu's text, with its mnemonic
    std::string_view key;      // a QKeySequence text; empty for none
    std::string_view prompt;   // the status bar's text while the item is highlighted
    std::string_view tooltip;  // the toolbar button's tip
    Rule rule;
    bool checkable = false;
    bool separatorBefore = false;  // in its menu
};

// The whole table in menu order.
std::span<const Command> Commands();
const Command& CommandOf(CommandId id);

// The toolbar's buttons in order; CommandId{0} stands for a separator.
std::span<const CommandId> ToolbarCommands();

// Where a command is offered: the menus and toolbar, or one of the context menus.
enum class Place { kMenu, kViewBackground, kSymbolGrid, kQuoteGrid, kPortfolioList };

// The items of a context menu, in order.
std::span<const CommandId> ContextCommands(Place place);

// What the enabling rules look at.
struct CommandContext {
    int portfolios = 0;
    int symbols = 0;
    int quotes = 0;
    int selectedQuoteRow = 0;
    bool graph = false;
    bool splitSearchOpen = false;
    // While Update Quotes runs, nothing else may change a portfolio, a profile or the lists.
    bool updateRunning = false;
};

bool IsEnabled(CommandId id, const CommandContext& context, Place place = Place::kMenu);

}  // namespace ticksmith::app
