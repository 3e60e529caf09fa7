#include "update/run_report.h"

namespace ticksmith::update {

std::string StoppedMessage(int quotesAdded) {
    return "Update Quotes was stopped. " + std::to_string(quotesAdded) +
           (quotesAdded == 1 ? " quote was" : " quotes were") +
           " added before it stopped; the next run adds the rest.";
}

RunReport BuildRunReport(const UpdateResult& result, const std::filesystem::path& auditFile,
                         const settings::ViewSettings& settings) {
    RunReport report;
    report.succeeded = result.Succeeded();
    if (!result.started) {
        return report;
    }
    report.started = true;
    report.quotesAdded = result.quotesAdded;
    report.playSound = !settings.soundDisable;
    report.refillQuotes = result.currentSymbolUpdated;
    if (result.stopped) {
        report.messages.push_back(StoppedMessage(result.quotesAdded));
    }
    if (result.quoteAddFailed) {
        report.messages.emplace_back(kQuoteImportProblemMessage);
    }
    if (result.selfExtractFailed) {
        report.messages.emplace_back(kSelfExtractProblemMessage);
    }
    // Said when each happened too; a long run's end gathers them for the person.
    if (!result.portfolioProblems.empty()) {
        std::string text = result.portfolioProblems.size() == 1
                               ? "This portfolio was not updated completely:"
                               : "These portfolios were not updated completely:";
        for (const std::string& problem : result.portfolioProblems) {
            text += "\n\n" + problem + ".";
        }
        report.messages.push_back(std::move(text));
    }
    if (settings.auditEnable) {
        report.anomalyReport = BuildAnomalyReport(auditFile, result.quotesAdded);
    }
    return report;
}

}  // namespace ticksmith::update
