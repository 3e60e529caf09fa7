#pragma once

// The help pages and the numbers by which dialogs ask for them. Kept free of Qt so that any
// layer can name a topic.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ticksmith::app {

// One value per help page.
enum class HelpTopic {
    kContents,
    kTutorial,
    kMainWindow,
    kAbout,
    kSearching,
    kFixMaster,
    kAddPortfolio,
    kDeletePortfolio,
    kSkipAdjust,
    kChooseDirectory,
    kAddSymbol,
    kDeleteSymbol,
    kMoveSymbol,
    kEditSymbol,
    kFindSymbol,
    kAboutSeries,
    kEditQuote,
    kSplitData,
    kAdjustData,
    kAddData,
    kDeleteData,
    kUpdateQuotes,
    kUpdateQuestions,
    kAnomalyReport,
    kNewSymbol,
    kManualDate,
    kProfiles,
    kProfileSettings,
    kImport,
    kExport,
    kSplitSearch,
    kSettings,
    kGraph,
    kPrinting,
    kCommandLine,
};

// Every topic, in the order of the enumeration.
std::span<const HelpTopic> AllHelpTopics();

// The page's resource path, for example ":/help/contents.html".
std::string_view HelpResourcePath(HelpTopic topic);

// The topic a help context number stands for; nothing for a number no page answers to.
std::optional<HelpTopic> HelpTopicForContext(std::uint32_t context);

}  // namespace ticksmith::app
