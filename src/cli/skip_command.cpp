#include <CLI/CLI.hpp>
#include <map>

#include "cli/command.h"
#include "portfolio/skip_list.h"

namespace ticksmith::cli {

void AddSkipCommands(CLI::App& app, CommandContext& context) {
    struct Options {
        std::string directory;
        std::string symbol;
        portfolio::SkipChange change = portfolio::SkipChange::kToggle;
        bool skipAll = false;
    };
    auto options = std::make_shared<Options>();

    auto* skip = app.add_subcommand("skip", "Skip a symbol in Update Quotes, or stop skipping it");
    skip->add_option("DIR", options->directory, "Portfolio directory")->required();
    skip->add_option("SYMBOL", options->symbol)->required();
    const std::map<std::string, portfolio::SkipChange> changes = {
        {"on", portfolio::SkipChange::kOn},
        {"off", portfolio::SkipChange::kOff},
        {"toggle", portfolio::SkipChange::kToggle}};
    skip->add_option("CHANGE", options->change, "on, off or toggle")
        ->required()
        ->transform(CLI::CheckedTransformer(changes));
    skip->callback([&context, options] {
        if (!portfolio::SkipSymbol(options->directory, options->symbol, options->change,
                                   context.Messenger())) {
            context.Fail("skip", "nothing changed: " + options->symbol +
                                     " is not in the portfolio, or its skip file cannot be "
                                     "written");
        }
    });

    auto* adjust = app.add_subcommand("skip-adjust", "Skip all symbols of a portfolio, or none");
    adjust->add_option("DIR", options->directory, "Portfolio directory")->required();
    const std::map<std::string, bool> choices = {{"all", true}, {"none", false}};
    adjust->add_option("CHOICE", options->skipAll, "all or none")
        ->required()
        ->transform(CLI::CheckedTransformer(choices));
    adjust->callback([&context, options] {
        if (!portfolio::SkipAdjust(options->directory, options->skipAll, context.Messenger())) {
            context.Fail("skip-adjust",
                         "the skip file of " + options->directory + " cannot be written");
        }
    });
}

}  // namespace ticksmith::cli
