#include <CLI/CLI.hpp>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "portfolio/grid_format.h"
#include "store/quotes.h"
#include "store/xmaster.h"

namespace ticksmith::cli {

void AddInfoCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("info", "Show the facts of a symbol's series");
    auto directory = std::make_shared<std::string>();
    auto symbol = std::make_shared<std::string>();
    command->add_option("DIR", *directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", *symbol, "Symbol or issue name")->required();
    command->callback([&context, directory, symbol] {
        store::SeriesInfo info;
        if (const store::Status status = store::GetSeriesInfo(*directory, *symbol, info);
            status != store::kSuccess) {
            context.Fail(
                "info",
                "cannot read the series of " + *symbol + " in " + *directory + ": " +
                    store::StatusReport(status, store::DescribeSeriesFailure(*directory, *symbol)));
            return;
        }
        std::ostream& out = context.out;
        out << "Directory\t" << info.directory.string() << '\n'
            << "File number\t" << info.fileNumber << '\n'
            << "Record length\t" << info.recordLength << '\n'
            << "Fields\t" << info.fieldCount << '\n'
            << "Quotes\t" << info.quoteCount << '\n'
            << "Name\t" << (info.longName.empty() ? info.issueName : info.longName) << '\n'
            << "First date\t" << portfolio::WholeNumberText(info.firstDate) << '\n'
            << "Last date\t" << portfolio::WholeNumberText(info.lastDate) << '\n'
            << "Period\t" << portfolio::PeriodText(info.period) << '\n'
            << "Symbol\t" << info.symbol << '\n';
        for (int field = 0; field < store::kFieldCount; ++field) {
            const auto index = static_cast<std::size_t>(field);
            const auto formats =
                portfolio::FieldFormatTexts(info.layout, static_cast<store::Field>(field));
            out << store::kFieldNames[index] << '\t' << formats[0] << '\t' << formats[1] << '\n';
        }
        if (const std::string note = store::XmasterNote(info.directory); !note.empty()) {
            context.err << note << '\n';
        }
    });
}

}  // namespace ticksmith::cli
