#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "portfolio/master_repair.h"
#include "settings/setting_keys.h"

namespace ticksmith::cli {

namespace {

portfolio::RepairOptions StoredRepairOptions(CommandContext& context) {
    return {settings::Read(context.Settings(), settings::keys::kMasterFix) != 0,
            settings::Read(context.Settings(), settings::keys::kSoundDisable) != 0};
}

}  // namespace

void AddMasterCommands(CLI::App& app, CommandContext& context) {
    auto directory = std::make_shared<std::string>();

    auto* check = app.add_subcommand(
        "check", "Examine a portfolio's MASTER, offering to repair it when it is corrupted");
    check->add_option("DIR", *directory, "Portfolio directory")->required();
    check->callback([&context, directory] {
        const portfolio::MasterCondition condition = portfolio::ExamineMaster(*directory);
        if (condition == portfolio::MasterCondition::kUnreadable) {
            context.Fail("check", "cannot read the MASTER of " + *directory);
            return;
        }
        if (condition == portfolio::MasterCondition::kSound) {
            context.out << "sound\n";
            return;
        }
        context.out << "corrupted\n";
        if (!portfolio::RepairMaster(*directory, StoredRepairOptions(context),
                                     context.Messenger())) {
            context.Fail("check", "MASTER was not repaired");
            return;
        }
        context.out << "repaired\n";
    });

    auto* repair = app.add_subcommand("repair", "Repair a portfolio's MASTER");
    repair->add_option("DIR", *directory, "Portfolio directory")->required();
    repair->callback([&context, directory] {
        if (!portfolio::RepairMaster(*directory, StoredRepairOptions(context),
                                     context.Messenger())) {
            context.Fail("repair", "MASTER was not repaired");
            return;
        }
        context.out << "repaired\n";
    });
}

}  // namespace ticksmith::cli
