#include <CLI/CLI.hpp>
#include <ctime>
#include <ostream>

#include "cli/command.h"
#include "portfolio/discovery.h"
#include "update/new_symbols.h"

namespace ticksmith::cli {

int IdentifyAndOffer(CommandContext& context, const NewSymbolOptions& options) {
    const store::DayNumber today =
        options.today.empty() ? store::DayNumberOfTime(std::time(nullptr))
                              : store::ParseDateText(options.today, store::kDateFormatMmDdYy);
    if (today == 0) {
        context.Fail("new-symbols", "--today must be a date MM/DD/YY");
        return 0;
    }
    const std::vector<std::string> symbols =
        update::IdentifyNewSymbols(context.WorkingDirectory(), today);
    for (const std::string& symbol : symbols) {
        context.out << symbol << '\n';
    }
    if (!options.addAll || symbols.empty()) {
        return static_cast<int>(symbols.size());
    }
    portfolio::CurrentPortfolio current;
    if (!portfolio::SelectPortfolio(portfolio::MasterPathOf(options.portfolio), current,
                                    context.Messenger())) {
        context.Fail("new-symbols", "cannot use the portfolio " + options.portfolio);
        return 0;
    }
    update::NewSymbolSession session(context.WorkingDirectory(), current, context.Settings(),
                                     context.Messenger(), today);
    if (!session.YesToAll(options.profile)) {
        context.Fail("new-symbols", "stopped at " + session.Symbol() + "; it was not added");
    }
    return static_cast<int>(symbols.size());
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
    command->callback([&context, options] { IdentifyAndOffer(context, *options); });
}

}  // namespace ticksmith::cli
