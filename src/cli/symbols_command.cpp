#include <CLI/CLI.hpp>
#include <ostream>
#include <vector>

#include "cli/command.h"
#include "store/master.h"

namespace ticksmith::cli {

void AddSymbolsCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("symbols", "List the symbols of a portfolio's MASTER");
    auto directory = std::make_shared<std::string>();
    command->add_option("DIR", *directory, "Portfolio directory")->required();
    command->callback([&context, directory] {
        std::vector<store::MasterRecord> records;
        if (const store::Status status = store::ReadMasterRecords(*directory, records);
            status != store::kSuccess) {
            context.Fail("symbols",
                         store::StatusReport(status, store::DescribeMasterFailure(*directory)) +
                             ": " + *directory);
            return;
        }
        for (const store::MasterRecord& record : records) {
            context.out << static_cast<int>(record.fileNumber) << '\t' << record.SymbolText()
                        << '\t' << record.IssueNameText() << '\t'
                        << store::GridDateText(record.FirstDay()) << '\t'
                        << store::GridDateText(record.LastDay()) << '\t' << record.period << '\t'
                        << static_cast<int>(record.fieldCount) << '\n';
        }
    });
}

}  // namespace ticksmith::cli
