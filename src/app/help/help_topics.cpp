#include "app/help/help_topics.h"

#include <array>
#include <cstddef>
#include <utility>

namespace ticksmith::app {

namespace {

struct TopicPage {
    HelpTopic topic;
    std::string_view path;
};

// In the order of the enumeration, so that a topic's index is its row.
constexpr std::array kPages{
    TopicPage{HelpTopic::kContents, ":/help/contents.html"},
    TopicPage{HelpTopic::kTutorial, ":/help/tutorial.html"},
    TopicPage{HelpTopic::kMainWindow, ":/help/main_window.html"},
    TopicPage{HelpTopic::kAbout, ":/help/about.html"},
    TopicPage{HelpTopic::kSearching, ":/help/searching.html"},
    TopicPage{HelpTopic::kFixMaster, ":/help/fix_master.html"},
    TopicPage{HelpTopic::kAddPortfolio, ":/help/add_portfolio.html"},
    TopicPage{HelpTopic::kDeletePortfolio, ":/help/delete_portfolio.html"},
    TopicPage{HelpTopic::kSkipAdjust, ":/help/skip_adjust.html"},
    TopicPage{HelpTopic::kChooseDirectory, ":/help/choose_directory.html"},
    TopicPage{HelpTopic::kAddSymbol, ":/help/add_symbol.html"},
    TopicPage{HelpTopic::kDeleteSymbol, ":/help/delete_symbol.html"},
    TopicPage{HelpTopic::kMoveSymbol, ":/help/move_symbol.html"},
    TopicPage{HelpTopic::kEditSymbol, ":/help/edit_symbol.html"},
    TopicPage{HelpTopic::kFindSymbol, ":/help/find_symbol.html"},
    TopicPage{HelpTopic::kAboutSeries, ":/help/about_series.html"},
    TopicPage{HelpTopic::kEditQuote, ":/help/edit_quote.html"},
    TopicPage{HelpTopic::kSplitData, ":/help/split_data.html"},
    TopicPage{HelpTopic::kAdjustData, ":/help/adjust_data.html"},
    TopicPage{HelpTopic::kAddData, ":/help/add_data.html"},
    TopicPage{HelpTopic::kDeleteData, ":/help/delete_data.html"},
    TopicPage{HelpTopic::kUpdateQuotes, ":/help/update_quotes.html"},
    TopicPage{HelpTopic::kUpdateQuestions, ":/help/update_questions.html"},
    TopicPage{HelpTopic::kAnomalyReport, ":/help/anomaly_report.html"},
    TopicPage{HelpTopic::kNewSymbol, ":/help/new_symbol.html"},
    TopicPage{HelpTopic::kManualDate, ":/help/manual_date.html"},
    TopicPage{HelpTopic::kProfiles, ":/help/profiles.html"},
    TopicPage{HelpTopic::kProfileSettings, ":/help/profile_settings.html"},
    TopicPage{HelpTopic::kImport, ":/help/import.html"},
    TopicPage{HelpTopic::kExport, ":/help/export.html"},
    TopicPage{HelpTopic::kSplitSearch, ":/help/split_search.html"},
    TopicPage{HelpTopic::kSettings, ":/help/settings.html"},
    TopicPage{HelpTopic::kGraph, ":/help/graph.html"},
    TopicPage{HelpTopic::kPrinting, ":/help/printing.html"},
    TopicPage{HelpTopic::kCommandLine, ":/help/command_line.html"},
};

constexpr bool PagesFollowTheEnumeration() {
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        if (static_cast<std::size_t>(kPages[i].topic) != i) {
            return false;
        }
    }
    return true;
}
static_assert(PagesFollowTheEnumeration(), "kPages must list the topics in enumeration order");

constexpr std::array kTopics = [] {
    std::array<HelpTopic, kPages.size()> topics{};
    for (std::size_t i = 0; i < kPages.size(); ++i) {
        topics[i] = kPages[i].topic;
    }
    return topics;
}();

// Only the tutorial and the anomaly report have numbers of their own; the other Help buttons
// name their page directly.
constexpr std::array<std::pair<std::uint32_t, HelpTopic>, 2> kContexts{{
    {131197, HelpTopic::kTutorial},
    {131194, HelpTopic::kAnomalyReport},
}};

}  // namespace

std::span<const HelpTopic> AllHelpTopics() {
    return kTopics;
}

std::string_view HelpResourcePath(HelpTopic topic) {
    return kPages.at(static_cast<std::size_t>(topic)).path;
}

std::optional<HelpTopic> HelpTopicForContext(std::uint32_t context) {
    for (const auto& [number, topic] : kContexts) {
        if (number == context) {
            return topic;
        }
    }
    return std::nullopt;
}

}  // namespace ticksmith::app
