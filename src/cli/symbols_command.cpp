#include <CLI/CLI.hpp>
#include <ostream>
#include <vector>

#include "cli/command.h"
#include "portfolio/grid_format.h"
#include "store/emaster.h"
#include "store/master.h"
#include "store/xmaster.h"

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
        const std::vector<std::string> longNames = store::LongNames(*directory, records);
        for (std::size_t row = 0; row < records.size(); ++row) {
            const store::MasterRecord& record = records[row];
            context.out << static_cast<int>(record.fileNumber) << '\t' << record.SymbolText()
                        << '\t'
                        << (longNames[row].empty() ? record.IssueNameText() : longNames[row])
                        << '\t' << portfolio::DateText(record.FirstDay()) << '\t'
                        << portfolio::DateText(record.LastDay()) << '\t' << record.period << '\t'
                        << static_cast<int>(record.fieldCount) << '\n';
        }
        // Said apart from the list, which stays one symbol a line.
        if (const std::string note = store::XmasterNote(*directory); !note.empty()) {
            context.err << note << '\n';
        }
    });
}

}  // namespace ticksmith::cli
