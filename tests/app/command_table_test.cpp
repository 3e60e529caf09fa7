#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/command_table.h"

namespace ticksmith::app {
namespace {

std::set<CommandId> EnabledIn(const CommandContext& context, Place place = Place::kMenu) {
    std::set<CommandId> enabled;
    for (const Command& command : Commands()) {
        if (IsEnabled(command.id, context, place)) {
            enabled.insert(command.id);
        }
    }
    return enabled;
}

const std::set<CommandId> kAlwaysOn = {
    CommandId::kUndoLastUpdate, CommandId::kSettings,   CommandId::kExit,
    CommandId::kPortfolioAdd,   CommandId::kRescan,     CommandId::kGraph,
    CommandId::kImport,         CommandId::kPrint,      CommandId::kPrintPreview,
    CommandId::kPrintSetup,     CommandId::kHelpTopics, CommandId::kTutorial,
    CommandId::kAbout,          CommandId::kExportPdf};

TEST(CommandTable, WithoutPortfoliosOnlyTheCommandsThatNeedNoneAreEnabled) {
    EXPECT_EQ(EnabledIn({}), kAlwaysOn);
    // A background right click still offers the profiles, whatever the grids hold.
    EXPECT_TRUE(IsEnabled(CommandId::kProfiles, {}, Place::kViewBackground));
    EXPECT_FALSE(IsEnabled(CommandId::kUpdateQuotes, {}, Place::kViewBackground));
}

TEST(CommandTable, AFullWindowEnablesEverythingButWhatTwoPortfoliosOrRoomWouldNeed) {
    const CommandContext one{1, 5, 30, 0, false, false};
    std::set<CommandId> expected;
    for (const Command& command : Commands()) {
        expected.insert(command.id);
    }
    expected.erase(CommandId::kSymbolMove);
    expected.erase(CommandId::kSymbolCopy);
    EXPECT_EQ(EnabledIn(one), expected);

    CommandContext two = one;
    two.portfolios = 2;
    EXPECT_TRUE(IsEnabled(CommandId::kSymbolMove, two));
    EXPECT_TRUE(IsEnabled(CommandId::kSymbolCopy, two));
    two.symbols = 0;
    two.quotes = 0;
    EXPECT_FALSE(IsEnabled(CommandId::kSymbolMove, two));
    EXPECT_FALSE(IsEnabled(CommandId::kProfiles, two));
    EXPECT_TRUE(IsEnabled(CommandId::kSymbolAdd, two));
}

TEST(CommandTable, SymbolAddStopsAtTheGridsLimit) {
    EXPECT_TRUE(IsEnabled(CommandId::kSymbolAdd, {1, 254, 0, 0, false, false}));
    EXPECT_FALSE(IsEnabled(CommandId::kSymbolAdd, {1, 255, 0, 0, false, false}));
}

TEST(CommandTable, QuoteAddNeedsARowBelowTheSelectedOne) {
    EXPECT_TRUE(IsEnabled(CommandId::kQuoteAdd, {1, 5, 30, 28, false, false}));
    EXPECT_FALSE(IsEnabled(CommandId::kQuoteAdd, {1, 5, 30, 29, false, false}));
    EXPECT_FALSE(IsEnabled(CommandId::kQuoteAdd, {1, 5, 1, 0, false, false}));
    EXPECT_TRUE(IsEnabled(CommandId::kQuoteEdit, {1, 5, 30, 29, false, false}));
}

TEST(CommandTable, TheGraphDisablesWhatWorksOnTheQuoteGrid) {
    const CommandContext graph{1, 5, 30, 0, true, false};
    for (const CommandId id :
         {CommandId::kExport, CommandId::kQuoteEdit, CommandId::kQuoteSplit,
          CommandId::kQuoteAdjust, CommandId::kQuoteDelete, CommandId::kPrint,
          CommandId::kPrintPreview, CommandId::kPrintSetup, CommandId::kExportPdf}) {
        EXPECT_FALSE(IsEnabled(id, graph)) << static_cast<int>(id);
    }
    // The menu's Add asks only for rows; the quote grid's own menu also for the grid in sight.
    EXPECT_TRUE(IsEnabled(CommandId::kQuoteAdd, graph));
    EXPECT_FALSE(IsEnabled(CommandId::kQuoteAdd, graph, Place::kQuoteGrid));
    EXPECT_TRUE(IsEnabled(CommandId::kRecentAll, graph));
    EXPECT_TRUE(IsEnabled(CommandId::kGraph, graph));
}

TEST(CommandTable, AnOpenSplitSearchWindowDisablesOnlyItsOwnCommand) {
    const CommandContext open{2, 5, 30, 0, false, true};
    EXPECT_FALSE(IsEnabled(CommandId::kSplitSearch, open));
    EXPECT_FALSE(IsEnabled(CommandId::kSplitSearch, open, Place::kPortfolioList));
    EXPECT_EQ(EnabledIn(open).size() + 1, Commands().size());
}

TEST(CommandTable, WhileUpdateQuotesRunsOnlyWhatChangesNothingIsEnabled) {
    CommandContext running{2, 5, 30, 0, false, false};
    running.updateRunning = true;
    const std::set<CommandId> readers = {
        CommandId::kExit,        CommandId::kSplitSearch,  CommandId::kSymbolFind,
        CommandId::kSymbolAbout, CommandId::kGraph,        CommandId::kExport,
        CommandId::kPrint,       CommandId::kPrintPreview, CommandId::kPrintSetup,
        CommandId::kRecentAll,   CommandId::kHelpTopics,   CommandId::kTutorial,
        CommandId::kAbout,       CommandId::kExportPdf};
    EXPECT_EQ(EnabledIn(running), readers);
    // Not even through the background's menu, which otherwise always offers the profiles.
    EXPECT_FALSE(IsEnabled(CommandId::kProfiles, running, Place::kViewBackground));
    EXPECT_FALSE(IsEnabled(CommandId::kQuoteAdd, running, Place::kQuoteGrid));
}

TEST(CommandTable, KeysMenusAndContextMenusAreTheWindowsOwn) {
    const std::map<CommandId, std::string_view> keys = {
        {CommandId::kUpdateQuotes, "F2"}, {CommandId::kSettings, "F10"},
        {CommandId::kProfiles, "F4"},     {CommandId::kRescan, "F5"},
        {CommandId::kSplitSearch, "F6"},  {CommandId::kSymbolFind, "F3"},
        {CommandId::kGraph, "F7"},        {CommandId::kQuoteEdit, "F8"},
        {CommandId::kRecentAll, "F9"},    {CommandId::kPrint, "Ctrl+P"}};
    std::set<int> ids;
    for (const Command& command : Commands()) {
        const auto key = keys.find(command.id);
        EXPECT_EQ(command.key, key == keys.end() ? std::string_view() : key->second)
            << static_cast<int>(command.id);
        EXPECT_TRUE(ids.insert(static_cast<int>(command.id)).second);
        EXPECT_FALSE(command.text.empty());
        EXPECT_FALSE(command.tooltip.empty());
    }
    EXPECT_EQ(ids.size(), 34U);
    const std::vector<CommandId> symbolMenu(ContextCommands(Place::kSymbolGrid).begin(),
                                            ContextCommands(Place::kSymbolGrid).end());
    EXPECT_EQ(symbolMenu,
              (std::vector<CommandId>{CommandId::kSymbolAdd, CommandId::kSymbolDelete,
                                      CommandId::kSymbolSkip, CommandId::kSymbolFind,
                                      CommandId::kSymbolEdit, CommandId::kSymbolAbout}));
    // 24 buttons in 9 groups; every button is a command with a toolbar tip.
    int buttons = 0;
    int separators = 0;
    for (const CommandId id : ToolbarCommands()) {
        (id == CommandId{0} ? separators : buttons)++;
    }
    EXPECT_EQ(buttons, 24);
    EXPECT_EQ(separators, 8);
}

}  // namespace
}  // namespace ticksmith::app
