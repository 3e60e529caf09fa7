#include <CLI/CLI.hpp>
#include <ctime>
#include <map>
#include <ostream>

#include "ascii/import.h"
#include "cli/command.h"
#include "platform/names.h"

namespace ticksmith::cli {

namespace {

struct ImportOptions {
    std::vector<std::string> inputs;
    std::string outputDirectory;
    std::string symbol;
    bool symbolFromName = false;
    std::string name;
    bool newMaster = false;
    std::string dateFormat = "MMDDYY";
    std::string delimiter = "comma";
    std::array<std::string, ascii::kImportFieldCount> columns{"1", "2", "3", "4", "5", "6", "7"};
    std::array<bool, ascii::kImportFieldCount> left{};  // --no-open and the like
    std::string skipRows;
    bool reverse = false;
    bool months = false;
};

// The dialog as the command line fills it, before each file gets its input path and symbol.
ascii::ImportForm BaseForm(const ImportOptions& options) {
    static const std::map<std::string, int> kDelimiters = {{"comma", 0}, {"tab", 1}, {"space", 2}};
    ascii::ImportForm form;
    form.outputDirectory = options.outputDirectory;
    form.symbol = options.symbol;
    form.name = options.name;
    form.dateFormat = options.dateFormat;
    form.delimiter = kDelimiters.at(options.delimiter);
    form.makeNewMaster = options.newMaster;
    form.reverse = options.reverse;
    form.skipOn = !options.skipRows.empty();
    form.skipRows = form.skipOn ? options.skipRows : "0";
    form.months = options.months;
    form.columns = options.columns;
    for (std::size_t field = 0; field < form.present.size(); ++field) {
        form.present[field] = !options.left[field];
    }
    return form;
}

// A column option and, for an optional field, the flag that leaves the field out.
void AddColumnOption(CLI::App& command, ImportOptions& options, ascii::ImportField field,
                     const std::string& name, const std::string& label) {
    const auto index = static_cast<std::size_t>(field);
    auto* column = command.add_option(
        "--" + name + "-col", options.columns[index],
        "Column of the " + label + " (1 to 20, default " + options.columns[index] + ")");
    if (field != ascii::kImportDate && field != ascii::kImportClose) {
        command
            .add_flag("--no-" + name, options.left[index], "The files have no " + label + " column")
            ->excludes(column);
    }
}

}  // namespace

void AddImportCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ImportOptions>();
    auto* command = app.add_subcommand(
        "import", "Import historical ASCII quote files, each as a new symbol of a portfolio");
    // One list, split afterwards: a list positional would leave nothing for OUTDIR.
    command
        ->add_option("INPUT...OUTDIR", options->inputs,
                     "Historical quote files, then the portfolio directory")
        ->required()
        ->expected(2, -1);
    auto* symbol = command->add_option("--symbol", options->symbol, "Symbol of the new quotes");
    command
        ->add_flag("--symbol-from-name", options->symbolFromName,
                   "Each file's name without extension, upper-cased, is its symbol")
        ->excludes(symbol);
    command->add_option(
        "--name", options->name,
        "Issue name (at most 16 characters, 52 where the portfolio has an EMASTER)");
    command->add_flag("--new-master", options->newMaster,
                      "Make OUTDIR a new portfolio (it must not hold a MASTER yet)");
    command->add_option("--date-format", options->dateFormat,
                        "YY_MM_DD, CCYY_MM_DD, MM_DD_YY, MM_DD_CCYY, DD_MM_YY, DD_MM_CCYY, "
                        "YYMMDD, CCYYMMDD, MMDDYY (default), MMDDCCYY, DDMMYY or DDMMCCYY");
    command->add_option("--delimiter", options->delimiter, "comma (default), tab or space")
        ->check(CLI::IsMember({"comma", "tab", "space"}));
    AddColumnOption(*command, *options, ascii::kImportDate, "date", "date");
    AddColumnOption(*command, *options, ascii::kImportOpen, "open", "open");
    AddColumnOption(*command, *options, ascii::kImportHigh, "high", "high");
    AddColumnOption(*command, *options, ascii::kImportLow, "low", "low");
    AddColumnOption(*command, *options, ascii::kImportClose, "close", "close");
    AddColumnOption(*command, *options, ascii::kImportVolume, "volume", "volume");
    AddColumnOption(*command, *options, ascii::kImportOpenInterest, "oi", "open interest");
    command->add_option("--skip-rows", options->skipRows, "Heading rows to skip (0 to 200)");
    command->add_flag("--reverse", options->reverse,
                      "Reverse each input file first (newest first to oldest first); the "
                      "original is kept as INPUT.BAK");
    command->add_flag("--months", options->months,
                      "Dates name their month with three letters (JAN to DEC)");

    command->callback([&context, options] {
        const auto usage = [&context](std::string_view message) {
            context.err << "ticksmith-cli import: " << message << '\n';
            context.exitCode = kExitUsage;
        };
        options->outputDirectory = options->inputs.back();
        options->inputs.pop_back();
        if (!options->symbolFromName && options->symbol.empty()) {
            usage("give --symbol SYM or --symbol-from-name");
            return;
        }
        if (options->inputs.size() > 1 && !options->symbolFromName) {
            usage("several INPUT files need --symbol-from-name");
            return;
        }
        const store::DayNumber today = store::DayNumberOfTime(std::time(nullptr));
        // Every file passes the dialog's checks before any is imported. With --new-master only
        // the first file makes the portfolio; the rest join it. The files are committed
        // together, so a batch costs the disk one commit, not one a file.
        const ascii::BatchImportReport report = ascii::ImportFiles(
            BaseForm(*options), options->inputs, options->symbolFromName,
            context.WorkingDirectory(), today, context.Messenger(), context.Settings());
        if (report.refusedFile) {
            context.Messenger().Show(report.problem->message);
            usage(options->inputs[*report.refusedFile] + " was refused; nothing was imported");
            return;
        }
        const std::vector<ascii::ImportForm>& forms = report.forms;
        const std::vector<ascii::ImportOutcome>& outcomes = report.outcomes;
        const std::vector<ascii::ImportResult>& results = report.results;
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            const ascii::ImportResult& result = results[i];
            if (outcomes[i] == ascii::ImportOutcome::kSucceeded) {
                portfolio::WarnIfFilterHides(result.outputDirectory.string(),
                                             StoredSearchFilter(context), context.Messenger());
                context.out
                    << forms[i].symbol << '\t' << result.quotes << " quotes\t"
                    << (result.outputDirectory / store::DataFileName(result.fileNumber)).string()
                    << '\n';
            } else {
                context.Fail("import", options->inputs[i] + ": the conversion failed");
            }
        }
    });
}

}  // namespace ticksmith::cli
