#include <CLI/CLI.hpp>
#include <map>
#include <ostream>

#include "ascii/export.h"
#include "ascii/split_search.h"
#include "cli/command.h"
#include "portfolio/view_state.h"
#include "settings/setting_keys.h"
#include "store/master.h"

namespace ticksmith::cli {

namespace {

// The save-file dialog's question before it lets a file be overwritten.
constexpr std::string_view kReplaceSavedMessage = "%s already exists.\nDo you want to replace it?";

bool SoundDisable(CommandContext& context) {
    return settings::Read(context.Settings(), settings::keys::kSoundDisable) != 0;
}

void AddExportCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("export", "Write a symbol's quotes to an ASCII file");
    struct Options {
        std::string directory;
        std::string symbol;
        ascii::ExportChoices choices;
        bool all = false;
        bool noOpen = false, noHigh = false, noLow = false, noClose = false, noVolume = false,
             noOpenInterest = false;
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", options->symbol, "Symbol or issue name (with --all: OUTDIR)")
        ->required();
    auto* output = command->add_option("OUTPUT", options->choices.outputPath, "Output file");
    command->add_flag("--all", options->all,
                      "Every symbol of the portfolio into OUTDIR, one <symbol>.txt each");
    command->add_flag("--newest-first", options->choices.newestFirst, "Newest quote first");
    const std::map<std::string, int> delimiters = {{"comma", 0}, {"tab", 1}, {"space", 2}};
    command->add_option("--delimiter", options->choices.delimiter, "comma (default), tab or space")
        ->transform(CLI::CheckedTransformer(delimiters));
    command->add_flag("--no-open", options->noOpen, "Leave out the Open column");
    command->add_flag("--no-high", options->noHigh, "Leave out the High column");
    command->add_flag("--no-low", options->noLow, "Leave out the Low column");
    command->add_flag("--no-close", options->noClose, "Leave out the Close column");
    command->add_flag("--no-volume", options->noVolume, "Leave out the Volume column");
    command->add_flag("--no-oi", options->noOpenInterest, "Leave out the Open interest column");
    command->add_flag("--title", options->choices.title, "Add a title row");
    command->callback([&context, options, output] {
        ascii::ExportChoices choices = options->choices;
        choices.useOpen = !options->noOpen;
        choices.useHigh = !options->noHigh;
        choices.useLow = !options->noLow;
        choices.useClose = !options->noClose;
        choices.useVolume = !options->noVolume;
        choices.useOpenInterest = !options->noOpenInterest;
        if (options->all) {
            if (output->count() > 0) {
                context.Fail("export", "--all takes DIR and OUTDIR only");
                context.exitCode = kExitUsage;
                return;
            }
            // The folder is no output file: the one remembered stays.
            choices.outputPath = ascii::ReadExportChoices(context.Settings()).outputPath;
            const ascii::ExportAllResult result = ascii::ExportAllSymbols(
                options->directory, options->symbol, choices, context.WorkingDirectory(),
                context.Settings(), SoundDisable(context), context.Messenger());
            if (result.result == ascii::ExportResult::kDeclined) {
                context.Fail("export", options->symbol + ": existing files not replaced");
            } else if (result.result == ascii::ExportResult::kFailed) {
                context.exitCode = kExitFailure;
            }
            context.out << result.written << " files written\n";
            return;
        }
        if (output->count() == 0) {
            choices.outputPath.clear();
        }
        if (!ascii::AcceptExportChoices(choices, context.Messenger())) {
            context.exitCode = kExitUsage;
            return;
        }
        // The dialog's OK: the choices are remembered under "XportSel" unless the export is
        // declined at the replace question.
        const ascii::ExportResult result = ascii::ExportQuotes(
            options->directory, options->symbol, choices, context.WorkingDirectory(),
            context.Settings(), SoundDisable(context), context.Messenger());
        if (result == ascii::ExportResult::kDeclined) {
            context.Fail("export", choices.outputPath + " not replaced");
        } else if (result == ascii::ExportResult::kFailed) {
            context.exitCode = kExitFailure;
        }
    });
}

void AddSplitSearchCommand(CLI::App& app, CommandContext& context) {
    auto* command =
        app.add_subcommand("split-search", "List probable stock splits in a portfolio's series");
    struct Options {
        std::string directory;
        std::string save;
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->directory, "Portfolio directory")->required();
    command->add_option("--save", options->save, "Also write the candidates to this file");
    command->callback([&context, options] {
        std::vector<store::MasterRecord> records;
        if (const store::Status status = store::ReadMasterRecords(options->directory, records);
            status != store::kSuccess) {
            context.Fail(
                "split-search",
                store::StatusReport(status, store::DescribeMasterFailure(options->directory)) +
                    ": " + options->directory);
            return;
        }
        std::vector<std::string> results;
        const bool completed =
            ascii::SearchSplits(options->directory, portfolio::SymbolGridOrder(records), results,
                                SoundDisable(context), context.Messenger());
        for (const std::string& line : results) {
            context.out << line << '\n';
        }
        if (!completed) {
            context.exitCode = kExitFailure;
        }
        if (options->save.empty()) {
            return;
        }
        // The window offers Save only once a candidate is listed.
        if (results.empty()) {
            context.err << "nothing to save: " << options->save << " was left as it was\n";
            return;
        }
        const std::filesystem::path file =
            ascii::OutputFilePath(options->save, context.WorkingDirectory());
        if (ascii::EntryExists(file) && !context.Messenger().AskYesNo(platform::FormatMessage(
                                            kReplaceSavedMessage, {file.string()}))) {
            context.Fail("split-search", options->save + " not replaced");
            return;
        }
        if (!ascii::SaveSplitResults(file, results, context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });
}

}  // namespace

void AddExportCommands(CLI::App& app, CommandContext& context) {
    AddExportCommand(app, context);
    AddSplitSearchCommand(app, context);
}

}  // namespace ticksmith::cli
