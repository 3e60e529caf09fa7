#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "update/undo_update.h"

namespace ticksmith::cli {

void AddUndoCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<update::UndoOptions>();
    auto* undo =
        app.add_subcommand("undo-update",
                           "Undo Last Update: take portfolios and update files back to before the "
                           "last Update Quotes");
    undo->add_flag("--dry-run", options->dryRun, "List what would be undone; change nothing");
    undo->add_flag("--force", options->force,
                   "Undo the unchanged files even when others changed since the run");
    undo->callback([&context, options] {
        const update::UndoResult result =
            update::UndoLastUpdate(context.WorkingDirectory(), *options, context.Messenger());
        const auto list = [&](std::string_view heading, const std::vector<std::string>& names) {
            if (!names.empty()) {
                context.out << heading << "\n";
                for (const std::string& name : names) {
                    context.out << "  " << name << "\n";
                }
            }
        };
        const bool would = result.dryRun && result.outcome == update::UndoResult::Outcome::kUndone;
        list(would ? "Would restore:" : "Restored:", result.restored);
        list(would ? "Would restore the dates in:" : "Restored the dates in:", result.masters);
        list(would ? "Would put back:" : "Put back:", result.putBack);
        list(result.outcome == update::UndoResult::Outcome::kRefused
                 ? "Changed since the run:"
                 : "Changed since the run, kept:",
             result.changed);
        list("Moved aside by the run but no longer there:", result.missing);
        if (result.outcome == update::UndoResult::Outcome::kRefused) {
            context.Fail("undo-update", "nothing was undone; --force undoes the unchanged files");
        } else if (!result.Succeeded()) {
            context.Fail("undo-update", "the last update run was not undone");
        }
    });
}

}  // namespace ticksmith::cli
