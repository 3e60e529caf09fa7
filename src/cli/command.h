#pragma once

#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/cli.h"
#include "platform/messenger.h"
#include "portfolio/view_state.h"

namespace CLI {
class App;
}

namespace ticksmith::cli {

// Message boxes become lines on the error stream; a question is answered Yes only when the
// command line said --yes, and the answer is printed with it.
class TerminalMessenger : public platform::Messenger {
  public:
    TerminalMessenger(std::ostream& err, const bool& assumeYes) : m_err(err), m_yes(assumeYes) {}
    void Show(std::string_view text, platform::MessageIcon icon) override;
    bool AskYesNo(std::string_view text, platform::MessageIcon icon) override;
    bool AskOkCancel(std::string_view text, platform::MessageIcon icon) override;
    void Play(platform::Sound) override {}

  private:
    std::ostream& m_err;
    const bool& m_yes;
};

// What every command reaches: the environment, the global options, the exit status it sets.
class CommandContext {
  public:
    explicit CommandContext(const CliEnvironment& environment)
        : out(environment.out), err(environment.err), m_environment(environment) {}

    std::ostream& out;
    std::ostream& err;
    int exitCode = kExitSuccess;
    std::string settingsFile;  // --settings
    bool assumeYes = false;    // --yes

    // Prints "ticksmith-cli <command>: <message>" on the error stream and sets failure.
    void Fail(std::string_view command, std::string_view message);
    settings::SettingsStore& Settings();
    platform::Messenger& Messenger() { return m_messenger; }
    const std::filesystem::path& WorkingDirectory() const { return m_environment.workingDirectory; }
    // Progress that rewrites one line suits a terminal only.
    bool ErrorIsTerminal() const { return m_environment.errorIsTerminal; }

  private:
    const CliEnvironment& m_environment;
    std::unique_ptr<settings::SettingsStore> m_settings;
    TerminalMessenger m_messenger{err, assumeYes};
};

void AddSymbolsCommand(CLI::App& app, CommandContext& context);
void AddQuotesCommand(CLI::App& app, CommandContext& context);
void AddInfoCommand(CLI::App& app, CommandContext& context);
void AddSettingsCommand(CLI::App& app, CommandContext& context);
void AddProfileCommand(CLI::App& app, CommandContext& context);
void AddSkipCommands(CLI::App& app, CommandContext& context);
void AddUpdateCommands(CLI::App& app, CommandContext& context);
void AddUndoCommand(CLI::App& app, CommandContext& context);
void AddNewSymbolsCommand(CLI::App& app, CommandContext& context);
void AddMasterCommands(CLI::App& app, CommandContext& context);
void AddPortfolioCommands(CLI::App& app, CommandContext& context);
void AddSymbolEditCommands(CLI::App& app, CommandContext& context);
void AddQuoteEditCommands(CLI::App& app, CommandContext& context);
void AddImportCommand(CLI::App& app, CommandContext& context);
// export and split-search.
void AddExportCommands(CLI::App& app, CommandContext& context);
// print --pdf.
void AddPrintCommand(CLI::App& app, CommandContext& context);

// The main window's state with `directory` as the current portfolio and, unless `symbol` is
// empty, that symbol selected (matched without regard to case) with all of its quotes in the
// grid. Nothing, with the reason on the error stream, when either is missing.
[[nodiscard]] std::optional<portfolio::ViewState> OpenView(CommandContext& context,
                                                           std::string_view command,
                                                           const std::string& directory,
                                                           std::string_view symbol = {},
                                                           bool recent = false);

// The portfolio search filter as the settings hold it.
portfolio::SearchFilter StoredSearchFilter(CommandContext& context);

// New-symbol identification, shared by new-symbols and update --identify-new.
struct NewSymbolOptions {
    bool addAll = false;
    std::string profile;
    std::string portfolio;
    std::string today;  // MM/DD/YY; empty for the system date
};
void AddNewSymbolOptions(CLI::App& command, NewSymbolOptions& options);
// Lists the new symbols on the output stream and, with --add-all, adds them. False, with the
// reason on the error stream, when that could not be done.
[[nodiscard]] bool IdentifyAndOffer(CommandContext& context, const NewSymbolOptions& options,
                                    std::string_view command);

}  // namespace ticksmith::cli
