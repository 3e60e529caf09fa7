// What a person reads before the first command: the version, and a worked example in the help
// of the program and of every command, also those added later.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "test_support.h"
#include "version.h"

namespace ticksmith {
namespace {

// The command names that a help text lists under "Subcommands:".
std::vector<std::string> ListedCommands(const std::string& help) {
    std::vector<std::string> commands;
    const std::size_t start = help.find("Subcommands:\n");
    if (start == std::string::npos) {
        return commands;
    }
    std::istringstream lines(help.substr(start));
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line) && line.rfind("  ", 0) == 0) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        commands.push_back(name);
    }
    return commands;
}

// Checks the help of `command` (and of its own commands) and returns how many were checked.
int CheckHelpBelow(const std::filesystem::path& work, const std::vector<std::string>& command) {
    std::vector<std::string> arguments = command;
    arguments.push_back("--help");
    const test::CliResult result = test::RunCliIn(work, arguments);
    std::string name = "ticksmith-cli";
    for (const std::string& word : command) {
        name += " " + word;
    }
    EXPECT_EQ(result.code, 0) << name;
    // The example runs the command it documents.
    const std::string lead = "Example:\n  ticksmith-cli ";
    const std::size_t at = result.out.find(lead);
    if (at == std::string::npos) {
        ADD_FAILURE() << name << " --help gives no example:\n" << result.out;
        return 1;
    }
    const std::string example = result.out.substr(
        at + lead.size(), result.out.find('\n', at + lead.size()) - at - lead.size());
    EXPECT_NE((" " + example + " ").find(" " + command.back() + " "), std::string::npos)
        << name << ": " << example;
    int checked = 1;
    for (const std::string& below : ListedCommands(result.out)) {
        std::vector<std::string> deeper = command;
        deeper.push_back(below);
        checked += CheckHelpBelow(work, deeper);
    }
    return checked;
}

TEST(CliHelpTest, VersionComesFromTheBuildAndNeedsNoCommand) {
    test::TempDir temp;
    const test::CliResult result = test::RunCliIn(temp.path(), {"--version"});
    EXPECT_EQ(result.code, 0);
    EXPECT_EQ(result.out, "ticksmith-cli " + std::string(kVersion) + "\n");
    EXPECT_EQ(result.err, "");
    // Nothing to do is still a usage error.
    EXPECT_EQ(test::RunCliIn(temp.path(), {}).code, 2);
}

TEST(CliHelpTest, ProgramAndEveryCommandShowAnExample) {
    test::TempDir temp;
    const test::CliResult overview = test::RunCliIn(temp.path(), {"--help"});
    EXPECT_EQ(overview.code, 0);
    EXPECT_NE(overview.out.find("Examples"), std::string::npos) << overview.out;
    const std::vector<std::string> commands = ListedCommands(overview.out);
    ASSERT_GE(commands.size(), 20u) << overview.out;
    int checked = 0;
    for (const std::string& command : commands) {
        checked += CheckHelpBelow(temp.path(), {command});
    }
    // profile and settings have commands of their own.
    EXPECT_GT(checked, static_cast<int>(commands.size()));
}

}  // namespace
}  // namespace ticksmith
