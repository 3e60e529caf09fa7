#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"

namespace ticksmith::cli {

void CommandContext::Fail(std::string_view command, std::string_view message) {
    err << "ticksmith-cli " << command << ": " << message << '\n';
    exitCode = kExitFailure;
}

int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CommandContext context{out, err};
    CLI::App app("Ticksmith: MetaStock-format portfolios from ASCII quote files", "ticksmith-cli");
    app.require_subcommand(1);
    AddSymbolsCommand(app, context);
    AddQuotesCommand(app, context);
    AddInfoCommand(app, context);

    // CLI11 wants the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        app.exit(help, out, err);
        return kExitSuccess;
    } catch (const CLI::CallForAllHelp& help) {
        app.exit(help, out, err);
        return kExitSuccess;
    } catch (const CLI::ParseError& error) {
        app.exit(error, out, err);
        return kExitUsage;
    }
    return context.exitCode;
}

}  // namespace ticksmith::cli
