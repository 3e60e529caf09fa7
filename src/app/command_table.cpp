#include "app/command_table.h"

#include <QtGlobal>
#include <algorithm>
#include <array>

namespace ticksmith::app {

namespace {

// Texts are translated where the actions are made (context "Commands").
#define TS_TEXT(text) QT_TRANSLATE_NOOP("Commands", text)

constexpr std::array kCommands = {
    Command{CommandId::kUpdateQuotes, Menu::kFile, TS_TEXT("&Update Quotes"), "F2",
            TS_TEXT("Update Quotes"), TS_TEXT("Update Quotes"), Rule::kPortfolios},
    Command{CommandId::kUndoLastUpdate, Menu::kFile, TS_TEXT("Undo &Last Update..."), "",
            TS_TEXT("Take the portfolios back to before the last Update Quotes"),
            TS_TEXT("Undo Last Update"), Rule::kAlways},
    Command{CommandId::kSettings, Menu::kFile, TS_TEXT("&Settings..."), "F10",
            TS_TEXT("Change the program's settings"), TS_TEXT("Settings"), Rule::kAlways},
    Command{CommandId::kProfiles, Menu::kFile, TS_TEXT("&Profiles..."), "F4",
            TS_TEXT("Create, edit and assign update profiles"), TS_TEXT("Profiles"),
            Rule::kPortfoliosAndSymbols},
    Command{CommandId::kExit, Menu::kFile, TS_TEXT("E&xit"), "", TS_TEXT("Quit the application"),
            TS_TEXT("Exit"), Rule::kAlways, false, true},
    Command{CommandId::kPortfolioAdd, Menu::kPortfolio, TS_TEXT("&Add..."), "",
            TS_TEXT("Create a new portfolio"), TS_TEXT("Portfolio Add"), Rule::kAlways},
    Command{CommandId::kPortfolioDelete, Menu::kPortfolio, TS_TEXT("&Delete..."), "",
            TS_TEXT("Delete the selected portfolio"), TS_TEXT("Portfolio Delete"),
            Rule::kPortfolios},
    Command{CommandId::kPortfolioSkipAdjust, Menu::kPortfolio, TS_TEXT("S&kip Adjust..."), "",
            TS_TEXT("Skip or include every symbol of the portfolio in updates"),
            TS_TEXT("Portfolio Skip Adjust"), Rule::kPortfoliosAndSymbols},
    Command{CommandId::kRescan, Menu::kPortfolio, TS_TEXT("&ReScan"), "F5",
            TS_TEXT("Search the drive for portfolios again"), TS_TEXT("ReScan"), Rule::kAlways,
            false, true},
    Command{CommandId::kSplitSearch, Menu::kPortfolio, TS_TEXT("S&plit Search..."), "F6",
            TS_TEXT("Search the portfolio's quotes for possible splits"), TS_TEXT("Split Search"),
            Rule::kNoSplitSearchOpen},
    Command{CommandId::kSymbolAdd, Menu::kSymbol, TS_TEXT("&Add..."), "",
            TS_TEXT("Add a symbol to the portfolio"), TS_TEXT("Symbol Add"), Rule::kRoomForSymbol},
    Command{CommandId::kSymbolDelete, Menu::kSymbol, TS_TEXT("&Delete"), "",
            TS_TEXT("Delete the selected symbol and its quotes"), TS_TEXT("Symbol Delete"),
            Rule::kPortfoliosAndSymbols},
    Command{CommandId::kSymbolMove, Menu::kSymbol, TS_TEXT("&Move..."), "",
            TS_TEXT("Move the selected symbol to another portfolio"), TS_TEXT("Symbol Move"),
            Rule::kTwoPortfolios},
    Command{CommandId::kSymbolCopy, Menu::kSymbol, TS_TEXT("&Copy..."), "",
            TS_TEXT("Copy the selected symbol to another portfolio"), TS_TEXT("Symbol Copy"),
            Rule::kTwoPortfolios},
    Command{CommandId::kSymbolSkip, Menu::kSymbol, TS_TEXT("S&kip"), "",
            TS_TEXT("Leave the selected symbol out of updates"), TS_TEXT("Symbol Skip"),
            Rule::kPortfoliosAndSymbols, true},
    Command{CommandId::kSymbolFind, Menu::kSymbol, TS_TEXT("&Find..."), "F3",
            TS_TEXT("Find a symbol by its symbol, name or file number"), TS_TEXT("Symbol Find"),
            Rule::kPortfoliosAndSymbols, false, true},
    Command{CommandId::kSymbolEdit, Menu::kSymbol, TS_TEXT("&Edit..."), "",
            TS_TEXT("Change the selected symbol's symbol and name"), TS_TEXT("Symbol Edit"),
            Rule::kPortfoliosAndSymbols},
    Command{CommandId::kSymbolAbout, Menu::kSymbol, TS_TEXT("A&bout..."), "",
            TS_TEXT("Show the facts of the selected quote series"), TS_TEXT("Symbol About"),
            Rule::kPortfoliosAndSymbols},
    Command{CommandId::kGraph, Menu::kSymbol, TS_TEXT("&Graph"), "F7",
            TS_TEXT("Show the price graph instead of the quotes"), TS_TEXT("Graph"), Rule::kAlways,
            true, true},
    Command{CommandId::kImport, Menu::kSymbol, TS_TEXT("&Import from ASCII..."), "",
            TS_TEXT("Import quote histories from ASCII files"), TS_TEXT("Import from ASCII"),
            Rule::kAlways, false, true},
    Command{CommandId::kExport, Menu::kSymbol, TS_TEXT("E&xport to ASCII..."), "",
            TS_TEXT("Export the portfolio's quotes to ASCII files"), TS_TEXT("Export to ASCII"),
            Rule::kSymbolsNoGraph},
    Command{CommandId::kQuoteEdit, Menu::kQuotes, TS_TEXT("&Edit..."), "F8",
            TS_TEXT("Change the selected quote"), TS_TEXT("Quote Edit"), Rule::kQuotesNoGraph},
    Command{CommandId::kQuoteSplit, Menu::kQuotes, TS_TEXT("&Split..."), "",
            TS_TEXT("Adjust the quotes before a date for a split"), TS_TEXT("Quote Split"),
            Rule::kQuotesNoGraph},
    Command{CommandId::kQuoteAdjust, Menu::kQuotes, TS_TEXT("A&djust..."), "",
            TS_TEXT("Multiply the quotes of a date range"), TS_TEXT("Quote Adjust"),
            Rule::kQuotesNoGraph},
    Command{CommandId::kQuoteAdd, Menu::kQuotes, TS_TEXT("&Add..."), "",
            TS_TEXT("Add a quote after the selected one"), TS_TEXT("Quote Add"), Rule::kQuoteAdd},
    Command{CommandId::kQuoteDelete, Menu::kQuotes, TS_TEXT("De&lete..."), "",
            TS_TEXT("Delete the selected quote"), TS_TEXT("Quote Delete"), Rule::kQuotesNoGraph},
    Command{CommandId::kPrint, Menu::kQuotes, TS_TEXT("&Print Quotes..."), "Ctrl+P",
            TS_TEXT("Print the quotes of the selected symbol"), TS_TEXT("Print Quotes"),
            Rule::kNoGraph, false, true},
    Command{CommandId::kPrintPreview, Menu::kQuotes, TS_TEXT("Print Pre&view"), "",
            TS_TEXT("Show the printed pages"), TS_TEXT("Print Preview"), Rule::kNoGraph},
    Command{CommandId::kPrintSetup, Menu::kQuotes, TS_TEXT("P&rint Setup..."), "",
            TS_TEXT("Choose the printer and its options"), TS_TEXT("Print Setup"), Rule::kNoGraph},
    Command{CommandId::kExportPdf, Menu::kQuotes, TS_TEXT("Export to P&DF..."), "",
            TS_TEXT("Write the printed pages of the selected symbol to a PDF file"),
            TS_TEXT("Export to PDF"), Rule::kNoGraph},
    Command{CommandId::kRecentAll, Menu::kQuotes, TS_TEXT("&Recent/All Display"), "F9",
            TS_TEXT("Show the 30 newest quotes or all of them"), TS_TEXT("Recent/All"),
            Rule::kQuotes, true, true},
    Command{CommandId::kHelpTopics, Menu::kHelp, TS_TEXT("&Help Topics"), "",
            TS_TEXT("List the help topics"), TS_TEXT("Help Topics"), Rule::kAlways},
    Command{CommandId::kTutorial, Menu::kHelp, TS_TEXT("&Tutorial..."), "",
            TS_TEXT("Open the tutorial"), TS_TEXT("Tutorial"), Rule::kAlways},
    Command{CommandId::kAbout, Menu::kHelp, TS_TEXT("&About Ticksmith..."), "",
            TS_TEXT("Show the program's version"), TS_TEXT("About"), Rule::kAlways, false, true},
};

#undef TS_TEXT

constexpr CommandId kSeparator{0};

constexpr std::array kToolbar = {
    CommandId::kUpdateQuotes,
    CommandId::kSettings,
    CommandId::kProfiles,
    kSeparator,
    CommandId::kPortfolioAdd,
    CommandId::kPortfolioDelete,
    CommandId::kPortfolioSkipAdjust,
    kSeparator,
    CommandId::kSplitSearch,
    CommandId::kRescan,
    kSeparator,
    CommandId::kSymbolAdd,
    CommandId::kSymbolDelete,
    CommandId::kSymbolMove,
    CommandId::kSymbolCopy,
    CommandId::kSymbolSkip,
    kSeparator,
    CommandId::kSymbolEdit,
    CommandId::kSymbolAbout,
    kSeparator,
    CommandId::kGraph,
    kSeparator,
    CommandId::kImport,
    CommandId::kExport,
    kSeparator,
    CommandId::kQuoteEdit,
    CommandId::kQuoteSplit,
    CommandId::kQuoteAdjust,
    CommandId::kQuoteAdd,
    CommandId::kQuoteDelete,
    kSeparator,
    CommandId::kRecentAll,
};

constexpr std::array kBackgroundMenu = {CommandId::kUpdateQuotes, CommandId::kSettings,
                                        CommandId::kProfiles};
constexpr std::array kSymbolMenu = {CommandId::kSymbolAdd,  CommandId::kSymbolDelete,
                                    CommandId::kSymbolSkip, CommandId::kSymbolFind,
                                    CommandId::kSymbolEdit, CommandId::kSymbolAbout};
constexpr std::array kQuoteMenu = {CommandId::kQuoteEdit, CommandId::kQuoteSplit,
                                   CommandId::kQuoteAdjust, CommandId::kQuoteAdd,
                                   CommandId::kQuoteDelete};
constexpr std::array kPortfolioMenu = {CommandId::kPortfolioAdd, CommandId::kPortfolioDelete,
                                       CommandId::kPortfolioSkipAdjust, CommandId::kRescan,
                                       CommandId::kSplitSearch};

bool Allows(Rule rule, const CommandContext& c) {
    const bool portfolios = c.portfolios > 0;
    const bool symbols = portfolios && c.symbols > 0;
    const bool quotes = portfolios && c.quotes > 0;
    switch (rule) {
        case Rule::kAlways:
            return true;
        case Rule::kPortfolios:
            return portfolios;
        case Rule::kPortfoliosAndSymbols:
            return symbols;
        case Rule::kNoSplitSearchOpen:
            return symbols && !c.splitSearchOpen;
        case Rule::kRoomForSymbol:
            return portfolios && c.symbols < 255;
        case Rule::kTwoPortfolios:
            return c.portfolios >= 2 && c.symbols > 0;
        case Rule::kSymbolsNoGraph:
            return symbols && !c.graph;
        case Rule::kQuotesNoGraph:
            return quotes && !c.graph;
        case Rule::kQuoteAdd:
            return quotes && c.selectedQuoteRow < c.quotes - 1;
        case Rule::kNoGraph:
            return !c.graph;
        case Rule::kQuotes:
            return quotes;
    }
    return false;
}

// The commands that change a portfolio, a profile, the settings or the lists.
bool Changes(CommandId id) {
    switch (id) {
        case CommandId::kExit:
        case CommandId::kSplitSearch:
        case CommandId::kSymbolFind:
        case CommandId::kSymbolAbout:
        case CommandId::kGraph:
        case CommandId::kExport:
        case CommandId::kPrint:
        case CommandId::kPrintPreview:
        case CommandId::kPrintSetup:
        case CommandId::kExportPdf:
        case CommandId::kRecentAll:
        case CommandId::kHelpTopics:
        case CommandId::kTutorial:
        case CommandId::kAbout:
            return false;
        default:
            return true;
    }
}

}  // namespace

std::span<const Command> Commands() {
    return kCommands;
}

const Command& CommandOf(CommandId id) {
    return *std::find_if(kCommands.begin(), kCommands.end(),
                         [id](const Command& command) { return command.id == id; });
}

std::span<const CommandId> ToolbarCommands() {
    return kToolbar;
}

std::span<const CommandId> ContextCommands(Place place) {
    switch (place) {
        case Place::kViewBackground:
            return kBackgroundMenu;
        case Place::kSymbolGrid:
            return kSymbolMenu;
        case Place::kQuoteGrid:
            return kQuoteMenu;
        case Place::kPortfolioList:
            return kPortfolioMenu;
        case Place::kMenu:
            break;
    }
    return {};
}

bool IsEnabled(CommandId id, const CommandContext& context, Place place) {
    if (context.updateRunning && Changes(id)) {
        return false;
    }
    // The context menus' own rules.
    if (place == Place::kViewBackground && id == CommandId::kProfiles) {
        return true;
    }
    if (place == Place::kQuoteGrid && id == CommandId::kQuoteAdd) {
        return Allows(Rule::kQuoteAdd, context) && Allows(Rule::kQuotesNoGraph, context);
    }
    return Allows(CommandOf(id).rule, context);
}

}  // namespace ticksmith::app
