#include <CLI/CLI.hpp>
#include <ctime>
#include <ostream>

#include "cli/command.h"
#include "platform/names.h"
#include "portfolio/discovery.h"
#include "store/master.h"
#include "update/new_symbols.h"

namespace ticksmith::cli {

bool IdentifyAndOffer(CommandContext& context, const NewSymbolOptions& options,
                      std::string_view command) {
    const auto problem = [&](const std::string& message) {
        context.err << "ticksmith-cli " << command << ": " << message << '\n';
        return false;
    };
    const store::DayNumber today =
        options.today.empty() ? store::DayNumberOfTime(std::time(nullptr))
                              : store::ParseDateText(options.today, store::kDateFormatMmDdYy);
    if (today == 0) {
        return problem("--today must be a date MM/DD/YY");
    }
    const std::vector<std::string> symbols =
        update::IdentifyNewSymbols(context.WorkingDirectory(), today);
    for (const std::string& symbol : symbols) {
        context.out << symbol << '\n';
    }
    if (!options.addAll || symbols.empty()) {
        return true;
    }
    portfolio::CurrentPortfolio current;
    if (!portfolio::SelectPortfolio(portfolio::MasterPathOf(options.portfolio), current,
                                    context.Messenger())) {
        return problem("cannot use the portfolio " + options.portfolio);
    }
    update::NewSymbolSession session(context.WorkingDirectory(), current, context.Settings(),
                                     context.Messenger(), today);
    // Yes to All, except that a symbol the portfolio already holds (one listed for two files)
    // is passed over instead of ending the additions.
    while (!session.Done()) {
        store::MasterRecord record;
        std::filesystem::path found;
        if (store::FindSymbol(current.dataDir, platform::ToUpperAscii(session.Symbol()), record,
                              found) == store::kSuccess) {
            session.No();
        } else if (!session.Yes(session.Symbol(), options.profile)) {
            return problem("stopped at " + session.Symbol() + "; it was not added");
        }
    }
    return true;
}

void AddNewSymbolOptions(CLI::App& command, NewSymbolOptions& options) {
    auto* addAll = command.add_flag("--add-all", options.addAll,
                                    "Add every new symbol to --portfolio with --profile");
    auto* profile = command.add_option("--profile", options.profile, "Profile of added symbols");
    auto* portfolio =
        command.add_option("--portfolio", options.portfolio, "Portfolio the symbols go to");
    addAll->needs(profile);
    addAll->needs(portfolio);
    command.add_option("--today", options.today, "Today's date (MM/DD/YY), for a rerun");
}

void AddNewSymbolsCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<NewSymbolOptions>();
    auto* command = app.add_subcommand(
        "new-symbols", "List the symbols of today's update files that no run has seen yet");
    AddNewSymbolOptions(*command, *options);
    command->callback([&context, options] {
        if (!IdentifyAndOffer(context, *options, "new-symbols")) {
            context.exitCode = kExitFailure;
        }
    });
}

}  // namespace ticksmith::cli
