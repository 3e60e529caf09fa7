#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "settings/setting_keys.h"

namespace ticksmith::cli {

void AddSettingsCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("settings", "Read or write a stored setting");
    command->require_subcommand(1);
    struct Options {
        std::string section;
        std::string value;
        std::string text;
    };
    auto options = std::make_shared<Options>();

    auto* get = command->add_subcommand("get", "Print a setting (its default when not stored)");
    get->add_option("SECTION", options->section)->required();
    get->add_option("VALUE", options->value)->required();
    get->callback([&context, options] {
        std::optional<std::string> text =
            context.Settings().ReadText(options->section, options->value);
        if (!text) {
            text = settings::DefaultText(options->section, options->value);
        }
        const auto [section, value] = settings::CanonicalKey(options->section, options->value);
        if (!text && section == settings::keys::kSearchName.section &&
            value == settings::keys::kSearchName.value) {
            text = context.WorkingDirectory().string();
        }
        if (!text) {
            context.Fail("settings get", options->section + "/" + options->value +
                                             " is not stored and has no default");
            return;
        }
        context.out << *text << '\n';
    });

    auto* set = command->add_subcommand("set", "Store a setting's text");
    set->add_option("SECTION", options->section)->required();
    set->add_option("VALUE", options->value)->required();
    set->add_option("TEXT", options->text)->required();
    set->callback([&context, options] {
        if (!context.Settings().WriteString(options->section, options->value, options->text)) {
            context.Fail("settings set", "cannot store " + options->section + "/" + options->value);
        }
    });
}

}  // namespace ticksmith::cli
