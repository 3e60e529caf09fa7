#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/messenger.h"

namespace ticksmith::update {

namespace fs = std::filesystem;

struct UndoOptions {
    bool dryRun = false;  // check and list, change nothing
    bool force = false;   // undo what is unchanged even when other files changed since the run
};

// A symbol whose quotes the run added, as the undo takes them away.
struct UndoneSeries {
    std::string portfolio;
    std::string symbol;  // from MASTER as the run found it; empty when it was not there
    int fileNumber = 0;
    long long quotes = 0;  // records the run appended
};

struct UndoResult {
    enum class Outcome {
        kUndone,         // everything that could be undone was (with force, the changed kept)
        kNothingToUndo,  // no journal, or its run was undone already
        kRefused,        // files changed since the run, and no force
        kNotStarted,     // a lock or the journal could not be had
        kFailed,         // a file could not be restored; running it again finishes the job
    };
    Outcome outcome = Outcome::kNotStarted;
    bool dryRun = false;
    std::vector<std::string> restored;  // data files back to their state before the run
    std::vector<std::string> masters;   // MASTER files whose records got their dates back
    std::vector<std::string> putBack;   // update files back where the run found them
    std::vector<std::string> changed;   // changed since the run: kept as they are
    std::vector<std::string> failures;  // why something could not be restored
    std::vector<std::string> missing;   // update files the run moved aside that are gone
    std::vector<UndoneSeries> series;   // the restored data files' symbols, in journal order

    bool Succeeded() const {
        return outcome == Outcome::kUndone || outcome == Outcome::kNothingToUndo;
    }
};

// Takes the portfolios and update files back to where the last update run found them, from
// its journal in the working directory's Lasttime/. A file changed since the run is kept and
// named; without force nothing is undone then. Killed at any point, it can be run again and
// finishes the job. Says what it refused or could not do through the messenger.
[[nodiscard]] UndoResult UndoLastUpdate(const fs::path& workingDirectory,
                                        const UndoOptions& options, platform::Messenger& messenger);

}  // namespace ticksmith::update
