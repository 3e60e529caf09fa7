#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "platform/names.h"
#include "portfolio/portfolio_files.h"
#include "settings/setting_keys.h"

namespace ticksmith::cli {

void AddPortfolioCommands(CLI::App& app, CommandContext& context) {
    auto directory = std::make_shared<std::string>();

    auto* add = app.add_subcommand(
        "add-portfolio", "Make a directory a portfolio (created when missing, one level)");
    add->add_option("DIR", *directory, "Portfolio directory")->required();
    add->callback([&context, directory] {
        const auto accepted = portfolio::AcceptPortfolioPath(*directory, context.Messenger());
        if (!accepted) {
            context.exitCode = kExitFailure;
            return;
        }
        portfolio::CurrentPortfolio current;
        std::vector<std::string> portfolios;
        if (!portfolio::AddPortfolio(*accepted, current, portfolios, StoredSearchFilter(context),
                                     context.Messenger())) {
            context.exitCode = kExitFailure;
            return;
        }
        context.out << current.portfolioDir << '\n';
    });

    auto* remove = app.add_subcommand(
        "delete-portfolio", "Delete a portfolio's files and directory (only MASTER at a root)");
    remove->add_option("DIR", *directory, "Portfolio directory")->required();
    remove->callback([&context, directory] {
        if (!portfolio::DeletePortfolio(
                *directory, settings::Read(context.Settings(), settings::keys::kSoundDisable) != 0,
                context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });
}

}  // namespace ticksmith::cli
