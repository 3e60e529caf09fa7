#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "portfolio/grid_format.h"
#include "portfolio/quote_commands.h"
#include "store/encodings.h"

namespace ticksmith::cli {

namespace {

struct QuoteOptions {
    std::string directory;
    std::string symbol;
    std::string date;
    std::vector<std::string> values;
};

CLI::App* AddCommand(CLI::App& app, std::string_view name, std::string_view description,
                     QuoteOptions& options, std::string_view dateHelp) {
    auto* command = app.add_subcommand(std::string(name), std::string(description));
    command->add_option("DIR", options.directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", options.symbol, "Symbol")->required();
    command->add_option("DATE", options.date, std::string(dateHelp))->required();
    return command;
}

// Opens the symbol and, for a command that works on a quote row, selects the row of `date`.
std::optional<portfolio::ViewState> OpenQuotes(CommandContext& context, std::string_view command,
                                               const QuoteOptions& options, bool needRow) {
    auto view = OpenView(context, command, options.directory, options.symbol);
    if (!view || !needRow) {
        return view;
    }
    const store::DayNumber day = store::ParseDateText(options.date, store::kDateFormatMmDdYy);
    const int row = day == 0 ? -1 : view->QuoteRowOf(day);
    if (row < 0) {
        context.Fail(command,
                     "no quote of " + options.symbol + " is dated " + options.date + " (MM/DD/YY)");
        return std::nullopt;
    }
    view->selectedQuoteRow = row;
    return view;
}

}  // namespace

void AddQuoteEditCommands(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<QuoteOptions>();

    auto* edit = AddCommand(app, "edit-quote", "Replace the values of one quote", *options,
                            "Date of the quote (MM/DD/YY)");
    edit->add_option("VALUES", options->values, "OPEN HIGH LOW CLOSE VOL OI")
        ->required()
        ->expected(6);
    edit->callback([&context, options] {
        auto view = OpenQuotes(context, "edit-quote", *options, true);
        if (!view) {
            return;
        }
        std::array<std::string, 6> values;
        std::copy(options->values.begin(), options->values.end(), values.begin());
        if (!portfolio::EditQuote(*view, portfolio::DateText(view->SelectedQuoteDay()), values,
                                  context.Settings(), context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });

    auto* split =
        AddCommand(app, "split", "Rescale every quote before a split date by OLD/NEW shares",
                   *options, "Split date (MM/DD/YY): it and later quotes stay as they are");
    split->add_option("SHARES", options->values, "NEW OLD")->required()->expected(2);
    split->callback([&context, options] {
        auto view = OpenQuotes(context, "split", *options, false);
        if (view &&
            !portfolio::SplitQuotes(*view, options->date, options->values[0], options->values[1],
                                    context.Settings(), context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });

    auto* adjust =
        AddCommand(app, "adjust", "Multiply prices, volume and open interest from FROM to TO",
                   *options, "FROM date (MM/DD/YY)");
    adjust->add_option("ARGS", options->values, "TO PRICE VOL OI")->required()->expected(4);
    adjust->callback([&context, options] {
        auto view = OpenQuotes(context, "adjust", *options, false);
        if (!view) {
            return;
        }
        const auto& v = options->values;
        if (portfolio::AdjustQuotes(*view, {options->date, v[0], v[1], v[2], v[3]},
                                    context.Settings(),
                                    context.Messenger()) != portfolio::AdjustResult::kDone) {
            context.exitCode = kExitFailure;
        }
    });

    auto* add = AddCommand(app, "add-quote",
                           "Insert a copy of the quote of DATE dated the previous weekday",
                           *options, "Date of the selected quote row (MM/DD/YY)");
    add->callback([&context, options] {
        auto view = OpenQuotes(context, "add-quote", *options, true);
        if (!view) {
            return;
        }
        const auto newDate = portfolio::NewQuoteDate(*view, context.Messenger());
        if (!newDate ||
            !portfolio::AddQuote(*view, *newDate, context.Settings(), context.Messenger())) {
            context.exitCode = kExitFailure;
            return;
        }
        context.out << *newDate << '\n';
    });

    auto* remove = AddCommand(app, "delete-quote", "Delete one quote (asks first)", *options,
                              "Date of the quote (MM/DD/YY)");
    remove->callback([&context, options] {
        auto view = OpenQuotes(context, "delete-quote", *options, false);
        if (!view) {
            return;
        }
        if (!view->settings.soundDisable) {
            context.Messenger().Play(platform::Sound::kQuestion);
        }
        if (!context.Messenger().AskYesNo(portfolio::DeleteQuoteQuestion(options->date)) ||
            !portfolio::DeleteQuote(*view, options->date, context.Settings(),
                                    context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });
}

}  // namespace ticksmith::cli
