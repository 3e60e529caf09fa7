#include <CLI/CLI.hpp>
#include <algorithm>
#include <map>
#include <ostream>

#include "cli/command.h"
#include "platform/names.h"
#include "profiles/profile.h"
#include "profiles/profile_form.h"
#include "store/encodings.h"
#include "store/master.h"

namespace ticksmith::cli {

namespace {

constexpr int kNotGiven = -1;

struct SaveOptions {
    std::string name;
    std::string directory;
    int delimiter = kNotGiven;
    int dateFormat = kNotGiven;
    int symbolColumn = kNotGiven;
    int dateColumn = kNotGiven;
    int openColumn = kNotGiven;
    int highColumn = kNotGiven;
    int lowColumn = kNotGiven;
    int closeColumn = kNotGiven;
    int volumeColumn = kNotGiven;
    int openInterestColumn = kNotGiven;
    bool noOpen = false;
    bool noHigh = false;
    bool noLow = false;
    bool noVolume = false;
    bool noOpenInterest = false;
    bool futures = false;
    bool noFutures = false;
};

// The listed spelling of a profile name, when the profile exists.
std::optional<std::string> ListedName(const profiles::ProfileList& list, std::string_view name) {
    const auto found = std::find_if(list.names.begin(), list.names.end(), [&](const auto& listed) {
        return platform::EqualsIgnoringCase(listed, name);
    });
    if (found == list.names.end()) {
        return std::nullopt;
    }
    return *found;
}

void Apply(int given, int& column) {
    if (given != kNotGiven) {
        column = given;
    }
}

// A given column switches its field on; a --no- flag switches it off.
void ApplyOptional(int given, bool off, bool& on, int& column) {
    if (given != kNotGiven) {
        column = given;
        on = true;
    }
    if (off) {
        on = false;
    }
}

std::string ColumnText(int column) {
    return column == 0 ? "none" : std::to_string(column);
}

void SaveProfile(CommandContext& context, const SaveOptions& options) {
    const profiles::ProfileList list =
        profiles::ListProfiles(context.WorkingDirectory(), context.Settings(), context.Messenger());
    const std::optional<std::string> existing = ListedName(list, options.name);
    profiles::ProfileForm form;
    if (existing) {
        profiles::Profile profile;
        if (!profiles::ReadProfile(context.WorkingDirectory(), *existing, profile,
                                   context.Messenger())) {
            context.Fail("profile save", "cannot read the profile " + *existing);
            return;
        }
        form = profiles::FormFromProfile(profile, options.name, profiles::ProfileMode::kEdit);
    } else {
        if (options.directory.empty()) {
            context.Fail("profile save", "a new profile needs --dir");
            return;
        }
        form = profiles::NewProfileForm(options.directory);
        form.name = options.name;
    }
    if (!options.directory.empty()) {
        form.updateDirectory = options.directory;
    }
    if (options.delimiter != kNotGiven) {
        form.delimiter = options.delimiter;
    }
    if (options.dateFormat != kNotGiven) {
        form.dateFormatPosition = options.dateFormat - 1;
    }
    Apply(options.symbolColumn, form.symbolColumn);
    Apply(options.dateColumn, form.dateColumn);
    Apply(options.closeColumn, form.closeColumn);
    ApplyOptional(options.openColumn, options.noOpen, form.openOn, form.openColumn);
    ApplyOptional(options.highColumn, options.noHigh, form.highOn, form.highColumn);
    ApplyOptional(options.lowColumn, options.noLow, form.lowOn, form.lowColumn);
    ApplyOptional(options.volumeColumn, options.noVolume, form.volumeOn, form.volumeColumn);
    ApplyOptional(options.openInterestColumn, options.noOpenInterest, form.openInterestOn,
                  form.openInterestColumn);
    if (options.futures) {
        form.futures = true;
    }
    if (options.noFutures) {
        form.futures = false;
    }
    if (const auto problem = profiles::ValidateProfileForm(form, list.names)) {
        context.Messenger().Show(problem->message);
        context.exitCode = kExitFailure;
        return;
    }
    if (!profiles::WriteProfile(context.WorkingDirectory(), form.name,
                                profiles::ProfileFromForm(form), context.Messenger())) {
        context.exitCode = kExitFailure;
    }
}

void ShowProfile(CommandContext& context, const std::string& name) {
    profiles::Profile profile;
    if (!profiles::ReadProfile(context.WorkingDirectory(), name, profile, context.Messenger())) {
        context.exitCode = kExitFailure;
        return;
    }
    static constexpr std::string_view kDelimiters[] = {"comma", "tab", "space"};
    std::ostream& out = context.out;
    out << "Name\t" << name << '\n'
        << "Update directory\t" << profile.updateDirectory << '\n'
        << "Delimiter\t"
        << (profile.delimiter < 3 ? kDelimiters[profile.delimiter] : std::string_view("?")) << '\n'
        << "Date format\t" << store::DateFormatName(profile.dateFormat) << '\n'
        << "Symbol column\t" << ColumnText(profile.symbolColumn) << '\n'
        << "Date column\t" << ColumnText(profile.dateColumn) << '\n'
        << "Open column\t" << ColumnText(profile.openColumn) << '\n'
        << "High column\t" << ColumnText(profile.highColumn) << '\n'
        << "Low column\t" << ColumnText(profile.lowColumn) << '\n'
        << "Close column\t" << ColumnText(profile.closeColumn) << '\n'
        << "Volume column\t" << ColumnText(profile.volumeColumn) << '\n'
        << "Open interest column\t" << ColumnText(profile.openInterestColumn) << '\n'
        << "Futures\t" << (profile.priorDayVolumeOI != 0 ? "yes" : "no") << '\n';
}

// The profile to assign: it must exist. Fails the command otherwise.
std::optional<std::string> ProfileToAssign(CommandContext& context, std::string_view command,
                                           const std::string& name) {
    const profiles::ProfileList list =
        profiles::ListProfiles(context.WorkingDirectory(), context.Settings(), context.Messenger());
    std::optional<std::string> listed = ListedName(list, name);
    if (!listed) {
        context.Fail(command, "there is no profile named " + name + " in " +
                                  context.WorkingDirectory().string());
    }
    return listed;
}

}  // namespace

void AddProfileCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("profile", "List, show, save and assign update profiles");
    command->require_subcommand(1);

    command->add_subcommand("list", "The profiles of the working directory")->callback([&context] {
        const profiles::ProfileList list = profiles::ListProfiles(
            context.WorkingDirectory(), context.Settings(), context.Messenger());
        for (std::size_t i = 0; i < list.names.size(); ++i) {
            context.out << (static_cast<int>(i) == list.selected ? "* " : "  ") << list.names[i]
                        << '\n';
        }
    });

    auto name = std::make_shared<std::string>();
    auto* show = command->add_subcommand("show", "Print a profile");
    show->add_option("NAME", *name)->required();
    show->callback([&context, name] { ShowProfile(context, *name); });

    auto options = std::make_shared<SaveOptions>();
    auto* save = command->add_subcommand("save", "Create or change a profile");
    save->add_option("NAME", options->name)->required();
    save->add_option("--dir", options->directory, "Directory of the ASCII update files");
    const std::map<std::string, int> delimiters = {{"comma", 0}, {"tab", 1}, {"space", 2}};
    save->add_option("--delimiter", options->delimiter)
        ->transform(CLI::CheckedTransformer(delimiters));
    std::map<std::string, int> formats;
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        formats.emplace(std::string(store::DateFormatName(code)), code);
    }
    save->add_option("--date-format", options->dateFormat)
        ->transform(CLI::CheckedTransformer(formats));
    save->add_option("--symbol-col", options->symbolColumn);
    save->add_option("--date-col", options->dateColumn);
    save->add_option("--open-col", options->openColumn);
    save->add_option("--high-col", options->highColumn);
    save->add_option("--low-col", options->lowColumn);
    save->add_option("--close-col", options->closeColumn);
    save->add_option("--volume-col", options->volumeColumn);
    save->add_option("--oi-col", options->openInterestColumn);
    save->add_flag("--no-open", options->noOpen);
    save->add_flag("--no-high", options->noHigh);
    save->add_flag("--no-low", options->noLow);
    save->add_flag("--no-volume", options->noVolume);
    save->add_flag("--no-oi", options->noOpenInterest);
    save->add_flag("--futures", options->futures, "Update prior day's volume and open interest");
    save->add_flag("--no-futures", options->noFutures);
    save->callback([&context, options] { SaveProfile(context, *options); });

    struct AssignOptions {
        std::string directory;
        std::string symbol;
        std::string name;
    };
    auto assignOptions = std::make_shared<AssignOptions>();
    auto* assign = command->add_subcommand("assign", "Assign a profile to one symbol");
    assign->add_option("DIR", assignOptions->directory, "Portfolio directory")->required();
    assign->add_option("SYMBOL", assignOptions->symbol)->required();
    assign->add_option("NAME", assignOptions->name)->required();
    assign->callback([&context, assignOptions] {
        store::MasterRecord record;
        std::filesystem::path found;
        if (const store::Status status =
                store::FindSymbol(assignOptions->directory, assignOptions->symbol, record, found);
            status != store::kSuccess) {
            context.Fail("profile assign",
                         store::StatusReport(
                             status, store::DescribeMasterFailure(assignOptions->directory)) +
                             ": " + assignOptions->symbol);
            return;
        }
        const auto listed = ProfileToAssign(context, "profile assign", assignOptions->name);
        if (listed && !profiles::AssignProfile(found, record.fileNumber, *listed,
                                               context.Settings(), context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });

    auto* assignAll = command->add_subcommand("assign-all", "Assign a profile to every symbol");
    assignAll->add_option("DIR", assignOptions->directory, "Portfolio directory")->required();
    assignAll->add_option("NAME", assignOptions->name)->required();
    assignAll->callback([&context, assignOptions] {
        std::vector<store::MasterRecord> records;
        if (const store::Status status =
                store::ReadMasterRecords(assignOptions->directory, records);
            status != store::kSuccess) {
            context.Fail("profile assign-all",
                         store::StatusReport(
                             status, store::DescribeMasterFailure(assignOptions->directory)) +
                             ": " + assignOptions->directory);
            return;
        }
        const auto listed = ProfileToAssign(context, "profile assign-all", assignOptions->name);
        if (!listed) {
            return;
        }
        std::vector<int> fileNumbers;
        for (std::size_t i = 0; i < records.size() && i < store::kMaxSymbols; ++i) {
            fileNumbers.push_back(records[i].fileNumber);
        }
        if (!profiles::AssignProfileToAll(assignOptions->directory, fileNumbers, *listed,
                                          context.Settings(), context.Messenger())) {
            context.exitCode = kExitFailure;
        }
    });
}

}  // namespace ticksmith::cli
