#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/view_settings.h"
#include "update/audit_log.h"
#include "update/update_run.h"

namespace ticksmith::update {

inline constexpr std::string_view kQuoteImportProblemMessage = "General quote import problem";
inline constexpr std::string_view kSelfExtractProblemMessage =
    "At least one .EXE file extraction failed.\n\nDo you need to change the file password?";

// The first end-of-run message of a stopped run.
std::string StoppedMessage(int quotesAdded);

// What a front end does once a run has ended, decided in one place so that the window and
// the CLI end a run alike.
struct RunReport {
    bool started = false;  // a run that could not start said why already; nothing follows
    int quotesAdded = 0;
    bool playSound = false;                      // the asterisk, first
    bool refillQuotes = false;                   // the symbol on show received a quote
    std::vector<std::string> messages;           // shown in this order
    std::optional<AnomalyReport> anomalyReport;  // shown last, when it is asked for
    bool succeeded = false;                      // the command's exit status
};

// The end of a run from its result and its audit log. The Anomaly Report is read from the
// log only when the settings ask for it ("AuditEnable").
[[nodiscard]] RunReport BuildRunReport(const UpdateResult& result,
                                       const std::filesystem::path& auditFile,
                                       const settings::ViewSettings& settings);

}  // namespace ticksmith::update
