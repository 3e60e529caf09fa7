#include "update/run_report.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace ticksmith {
namespace {

namespace fs = std::filesystem;

struct Problems {
    bool quoteAdd = false;
    bool selfExtract = false;
    bool archive = false;
    bool portfolio = false;
    bool stopped = false;
};

update::UpdateResult Result(const Problems& problems, int quotes = 3) {
    update::UpdateResult result;
    result.started = true;
    result.quotesAdded = quotes;
    result.quoteAddFailed = problems.quoteAdd;
    result.selfExtractFailed = problems.selfExtract;
    result.archiveFailed = problems.archive;
    result.portfolioFailed = problems.portfolio;
    result.stopped = problems.stopped;
    return result;
}

// Each combination of problems: its messages in order, and whether the command failed.
// Archive and portfolio failures were shown when they happened; they only fail the command.
TEST(RunReportTest, ProblemsGiveTheirMessagesInOrder) {
    const std::string quote(update::kQuoteImportProblemMessage);
    const std::string exe(update::kSelfExtractProblemMessage);
    const std::string stopped = update::StoppedMessage(3);
    struct Case {
        Problems problems;
        std::vector<std::string> messages;
        bool succeeded;
    };
    const std::vector<Case> cases = {
        {{}, {}, true},
        {{.quoteAdd = true}, {quote}, false},
        {{.selfExtract = true}, {exe}, false},
        {{.quoteAdd = true, .selfExtract = true}, {quote, exe}, false},
        {{.archive = true}, {}, false},
        {{.portfolio = true}, {}, false},
        {{.quoteAdd = true, .selfExtract = true, .archive = true, .portfolio = true},
         {quote, exe},
         false},
        // A stop comes first: the rest is about what was done before it.
        {{.stopped = true}, {stopped}, false},
        {{.quoteAdd = true, .stopped = true}, {stopped, quote}, false},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const update::RunReport report =
            update::BuildRunReport(Result(cases[i].problems), "/nonexistent/AUDIT.TXT", {});
        EXPECT_TRUE(report.started) << i;
        EXPECT_EQ(report.messages, cases[i].messages) << i;
        EXPECT_EQ(report.succeeded, cases[i].succeeded) << i;
        EXPECT_FALSE(report.anomalyReport) << i;
    }
}

// A run that could not start has said why; nothing else is shown, played or read, and the
// command fails.
TEST(RunReportTest, RunThatDidNotStartShowsNothing) {
    settings::ViewSettings settings;
    settings.auditEnable = true;
    update::UpdateResult result;
    result.quoteAddFailed = true;
    const update::RunReport report = update::BuildRunReport(result, "/nonexistent", settings);
    EXPECT_FALSE(report.started);
    EXPECT_FALSE(report.succeeded);
    EXPECT_FALSE(report.playSound);
    EXPECT_TRUE(report.messages.empty());
    EXPECT_FALSE(report.anomalyReport);
}

// The sound, the refill and the Anomaly Report follow the settings and the result; the report
// is read from the log it is given, with the run's count.
TEST(RunReportTest, SoundRefillAndAnomalyReportFollowTheSettings) {
    test::TempDir temp;
    const fs::path audit = temp.path() / "AUDIT.TXT";
    test::WriteBytes(
        audit, std::string("Results of Ticksmith for Monday\r\n\r\nAudit for MASTER at: /data\r\n"
                           "----> Could not add quote to symbol: IBM\r\n"));
    settings::ViewSettings settings;
    update::UpdateResult result = Result({}, 0);
    result.currentSymbolUpdated = true;

    update::RunReport report = update::BuildRunReport(result, audit, settings);
    EXPECT_TRUE(report.playSound);
    EXPECT_TRUE(report.refillQuotes);
    EXPECT_FALSE(report.anomalyReport);

    settings.soundDisable = true;
    settings.auditEnable = true;
    result.currentSymbolUpdated = false;
    report = update::BuildRunReport(result, audit, settings);
    EXPECT_FALSE(report.playSound);
    EXPECT_FALSE(report.refillQuotes);
    ASSERT_TRUE(report.anomalyReport);
    EXPECT_EQ(report.anomalyReport->header, "Results of Ticksmith for Monday");
    ASSERT_FALSE(report.anomalyReport->entries.empty());
    EXPECT_EQ(report.anomalyReport->entries.front(), "No quotes were updated this time.");

    report = update::BuildRunReport(Result({}, 1), audit, settings);
    EXPECT_EQ(report.quotesAdded, 1);
    ASSERT_TRUE(report.anomalyReport);
    EXPECT_EQ(report.anomalyReport->entries.front(), "IBM in /data ");
    EXPECT_EQ(report.anomalyReport->count, 1);

    // Without the log the report still tells how many quotes were added.
    const update::AnomalyReport missing =
        update::BuildAnomalyReport(audit.parent_path() / "NOLOG.TXT", 3);
    EXPECT_EQ(missing.count, 3);
    EXPECT_TRUE(missing.header.empty());
    EXPECT_TRUE(missing.entries.empty());
}

TEST(RunReportTest, StoppedMessageCountsTheQuotesAdded) {
    EXPECT_EQ(update::StoppedMessage(0),
              "Update Quotes was stopped. 0 quotes were added before it stopped; the next run adds "
              "the rest.");
    EXPECT_EQ(update::StoppedMessage(1).find("1 quote was added"), 27u);
}

}  // namespace
}  // namespace ticksmith
