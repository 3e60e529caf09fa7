#include <CLI/CLI.hpp>
#include <ctime>
#include <ostream>

#include "cli/command.h"
#include "platform/names.h"
#include "portfolio/symbol_commands.h"
#include "portfolio/symbols.h"
#include "settings/setting_keys.h"

namespace ticksmith::cli {

namespace {

struct SymbolOptions {
    std::string directory;
    std::string symbol;
    std::string second;  // name, destination or new symbol
    std::string third;   // new name
    std::string profile;
};

CLI::App* AddCommand(CLI::App& app, std::string_view name, std::string_view description,
                     SymbolOptions& options) {
    auto* command = app.add_subcommand(std::string(name), std::string(description));
    command->add_option("DIR", options.directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", options.symbol, "Symbol")->required();
    return command;
}

void PrintSelected(CommandContext& context, const portfolio::ViewState& view) {
    if (const portfolio::SymbolRow* row = view.SelectedSymbol()) {
        context.out << view.current.portfolioDir << '\t' << row->FileNumber() << '\t'
                    << row->Symbol() << '\n';
    }
}

}  // namespace

void AddSymbolEditCommands(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<SymbolOptions>();

    auto* add = AddCommand(app, "add-symbol", "Add an empty symbol to a portfolio", *options);
    add->add_option("NAME", options->second, "Issue name (the symbol when left out)");
    add->add_option("--profile", options->profile, "Profile to assign to the new symbol");
    add->callback([&context, options] {
        auto view = OpenView(context, "add-symbol", options->directory);
        if (!view) {
            return;
        }
        const std::optional<std::string> profile =
            options->profile.empty() ? std::nullopt : std::optional(options->profile);
        const portfolio::AddSymbolResult result = portfolio::AddSymbolCommand(
            *view, options->symbol, options->second, profile,
            store::DayNumberOfTime(std::time(nullptr)), context.Messenger());
        if (result != portfolio::AddSymbolResult::kAdded) {
            context.exitCode = kExitFailure;
        }
        if (result == portfolio::AddSymbolResult::kAdded ||
            result == portfolio::AddSymbolResult::kAssignmentFailed) {
            // The grid shows a symbol up to its first space, so find the new one by its field.
            std::string symbol = platform::ToUpperAscii(options->symbol);
            symbol.erase(0, symbol.find_first_not_of(' '));
            symbol.erase(symbol.find_last_not_of(' ') + 1);
            const int number = portfolio::FindSymbolByName(view->current.portfolioDir, symbol);
            context.out << view->current.portfolioDir << '\t' << number << '\t' << symbol << '\n';
        }
    });

    auto* remove =
        AddCommand(app, "delete-symbol",
                   "Delete a symbol and its files from a portfolio (asks first)", *options);
    remove->callback([&context, options] {
        auto view = OpenView(context, "delete-symbol", options->directory, options->symbol);
        if (!view) {
            return;
        }
        if (!view->settings.soundDisable) {
            context.Messenger().Play(platform::Sound::kQuestion);
        }
        if (!context.Messenger().AskYesNo(portfolio::DeleteSymbolQuestion(view->currentSymbol)) ||
            !portfolio::DeleteSymbol(*view, context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });

    for (const auto transfer : {portfolio::Transfer::kMove, portfolio::Transfer::kCopy}) {
        const bool move = transfer == portfolio::Transfer::kMove;
        const std::string name = move ? "move-symbol" : "copy-symbol";
        auto* command = AddCommand(app, name,
                                   move ? "Move a symbol and its files to another portfolio"
                                        : "Copy a symbol and its files to another portfolio",
                                   *options);
        command->add_option("DEST", options->second, "Destination portfolio directory")->required();
        command->callback([&context, options, transfer, name] {
            auto view = OpenView(context, name, options->directory, options->symbol);
            if (!view) {
                return;
            }
            view->portfolios.push_back(options->second);
            if (!portfolio::TransferSymbol(*view, options->second, transfer, context.Messenger())) {
                context.exitCode = kExitFailure;
            }
        });
    }

    auto* edit = AddCommand(app, "edit-symbol", "Rename a symbol (stored as typed)", *options);
    edit->add_option("NEWSYMBOL", options->second, "New symbol")->required();
    auto* newName =
        edit->add_option("NEWNAME", options->third, "New issue name (kept when left out)");
    edit->callback([&context, options, newName] {
        auto view = OpenView(context, "edit-symbol", options->directory, options->symbol);
        if (!view) {
            return;
        }
        // The dialog starts with the stored name, trailing spaces removed.
        std::string name = view->currentName;
        name.erase(name.find_last_not_of(' ') + 1);
        if (!portfolio::EditSymbol(*view, options->second,
                                   newName->count() > 0 ? options->third : name,
                                   context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });

    struct FindOptions {
        std::string text;
        bool byNumber = false;
        bool searchAll = false;
        std::vector<std::string> directories;
    };
    auto find = std::make_shared<FindOptions>();
    auto* findCommand = app.add_subcommand(
        "find-symbol", "Find a symbol by name or file number in one portfolio or in all");
    findCommand->add_option("TEXT", find->text, "Symbol name or file number")->required();
    findCommand->add_flag("--number", find->byNumber, "Search by file number");
    findCommand->add_flag("--all", find->searchAll, "Search every listed portfolio, in order");
    findCommand->add_option("DIR", find->directories,
                            "Portfolio list; the first is the current one (default: .)");
    findCommand->callback([&context, find] {
        std::vector<std::string> list = find->directories;
        if (list.empty()) {
            list.push_back(context.WorkingDirectory().string());
        }
        auto view = OpenView(context, "find-symbol", list.front());
        if (!view) {
            return;
        }
        view->portfolios = list;
        view->selectedPortfolio = 0;
        const portfolio::FindResult result =
            portfolio::FindSymbolCommand(*view, {find->text, find->byNumber, find->searchAll},
                                         context.Settings(), context.Messenger());
        if (result == portfolio::FindResult::kRefused) {
            context.exitCode = kExitUsage;
        } else if (result == portfolio::FindResult::kNotFound) {
            context.exitCode = kExitFailure;
        } else {
            PrintSelected(context, *view);
        }
    });
}

}  // namespace ticksmith::cli
