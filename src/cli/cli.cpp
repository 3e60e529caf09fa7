#include "cli/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "cli/examples.h"
#include "platform/names.h"
#include "settings/qt_settings_store.h"
#include "settings/setting_keys.h"
#include "version.h"

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

std::optional<portfolio::ViewState> OpenView(CommandContext& context, std::string_view command,
                                             const std::string& directory, std::string_view symbol,
                                             bool recent) {
    portfolio::ViewState view;
    settings::SettingsStore& store = context.Settings();
    view.settings.displayRecent = recent;
    view.settings.masterFix = settings::Read(store, settings::keys::kMasterFix) != 0;
    view.settings.soundDisable = settings::Read(store, settings::keys::kSoundDisable) != 0;
    view.settings.volumeAsInteger = settings::Read(store, settings::keys::kVolumeAsInteger) != 0;
    view.settings.openInterestAsInteger =
        settings::Read(store, settings::keys::kOpenInterestAsInteger) != 0;
    if (!view.OpenPortfolio(directory, context.Messenger()) ||
        !view.FillSymbolsGrid(0, context.Messenger())) {
        context.Fail(command, "cannot open the portfolio " + directory);
        return std::nullopt;
    }
    if (symbol.empty()) {
        return view;
    }
    int row = view.SymbolRowOf(symbol);
    for (int i = 0; row < 0 && i < view.SymbolCount(); ++i) {
        if (platform::EqualsIgnoringCase(view.symbolRows[static_cast<std::size_t>(i)].Symbol(),
                                         symbol)) {
            row = i;
        }
    }
    if (row < 0) {
        context.Fail(command, "no symbol " + std::string(symbol) + " in " + directory);
        return std::nullopt;
    }
    if (!view.SelectSymbolRow(row, context.Messenger())) {
        context.Fail(command, "cannot read the quotes of " + std::string(symbol));
        return std::nullopt;
    }
    return view;
}

portfolio::SearchFilter StoredSearchFilter(CommandContext& context) {
    settings::SettingsStore& store = context.Settings();
    const std::string filterText =
        store.ReadString(settings::keys::kSearchName.section, settings::keys::kSearchName.value,
                         context.WorkingDirectory().string());
    return {settings::Read(store, settings::keys::kSearchLimit) != 0,
            platform::ToUpperAscii(filterText)};
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
    AddUndoCommand(app, context);
    AddNewSymbolsCommand(app, context);
    AddMasterCommands(app, context);
    AddPortfolioCommands(app, context);
    AddSymbolEditCommands(app, context);
    AddQuoteEditCommands(app, context);
    AddImportCommand(app, context);
    AddExportCommands(app, context);
    AddPrintCommand(app, context);
    AddExamples(app);
    app.set_version_flag("--version", "ticksmith-cli " + std::string(kVersion),
                         "Print the version and exit");

    // CLI11 wants the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp& help) {
        app.exit(help, environment.out, environment.err);
        return kExitSuccess;
    } catch (const CLI::CallForVersion& version) {
        app.exit(version, environment.out, environment.err);
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
