#include "cli/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "settings/qt_settings_store.h"

namespace ticksmith::cli {

void TerminalMessenger::Show(std::string_view text, platform::MessageIcon) {
    m_err << text << '\n';
}

bool TerminalMessenger::AskYesNo(std::string_view text, platform::MessageIcon) {
    m_err << text << (m_yes ? " [answered Yes: --yes]\n" : " [answered No; --yes answers Yes]\n");
    return m_yes;
}

bool TerminalMessenger::AskOkCancel(std::string_view text, platform::MessageIcon) {
    m_err << text << (m_yes ? " [answered OK: --yes]\n" : " [answered Cancel; --yes answers OK]\n");
    return m_yes;
}

void CommandContext::Fail(std::string_view command, std::string_view message) {
    err << "ticksmith-cli " << command << ": " << message << '\n';
    exitCode = kExitFailure;
}

settings::SettingsStore& CommandContext::Settings() {
    if (!m_settings) {
        m_settings = m_environment.openSettings(settingsFile);
    }
    return *m_settings;
}

CliEnvironment ProcessEnvironment(std::ostream& out, std::ostream& err) {
    std::error_code error;
    std::filesystem::path working = std::filesystem::current_path(error);
    return {out, err, working, ::isatty(STDERR_FILENO) == 1,
            [](const std::filesystem::path& file) -> std::unique_ptr<settings::SettingsStore> {
                if (file.empty()) {
                    return settings::QtSettingsStore::OpenUserStore();
                }
                return std::make_unique<settings::QtSettingsStore>(file);
            }};
}

int RunCli(const std::vector<std::string>& arguments, const CliEnvironment& environment) {
    CommandContext context(environment);
    CLI::App app("Ticksmith: MetaStock-format portfolios from ASCII quote files", "ticksmith-cli");
    app.require_subcommand(1);
    // Global options may also follow the command name.
    app.fallthrough();
    app.add_option("--settings", context.settingsFile,
                   "Settings INI file to use instead of the user's store");
    app.add_flag("--yes", context.assumeYes, "Answer Yes to every question");
    AddSymbolsCommand(app, context);
    AddQuotesCommand(app, context);
    AddInfoCommand(app, context);
    AddSettingsCommand(app, context);
    AddProfileCommand(app, context);
    AddSkipCommands(app, context);
    AddUpdateCommands(app, context);
    AddNewSymbolsCommand(app, context);
    AddMasterCommands(app, context);
    AddPortfolioCommands(app, context);

    // CLI11 wants the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        app.exit(help, environment.out, environment.err);
        return kExitSuccess;
    } catch (const CLI::CallForAllHelp& help) {
        app.exit(help, environment.out, environment.err);
        return kExitSuccess;
    } catch (const CLI::ParseError& error) {
        app.exit(error, environment.out, environment.err);
        return kExitUsage;
    }
    return context.exitCode;
}

}  // namespace ticksmith::cli
