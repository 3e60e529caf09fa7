#pragma once

#include <iosfwd>
#include <string_view>

namespace CLI {
class App;
}

namespace ticksmith::cli {

// What every command reaches: its output streams and the exit status it sets.
struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    int exitCode = 0;

    // Prints "<command>: <message>" on the error stream and sets the failure status.
    void Fail(std::string_view command, std::string_view message);
};

void AddSymbolsCommand(CLI::App& app, CommandContext& context);
void AddQuotesCommand(CLI::App& app, CommandContext& context);
void AddInfoCommand(CLI::App& app, CommandContext& context);

}  // namespace ticksmith::cli
