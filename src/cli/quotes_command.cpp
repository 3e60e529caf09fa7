#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/command.h"
#include "portfolio/grid_format.h"
#include "store/quotes.h"

namespace ticksmith::cli {

namespace {

// The grid's limits: the newest 30 quotes by default, all of them read in chunks from the
// newest. The command reads by symbol search, so it also reaches sub-directory portfolios.
using portfolio::kRecentQuotes;
constexpr int kChunk = portfolio::kQuoteChunk;

// An intraday series shows its time after the date, as the grid does.
void PrintNewestFirst(const store::QuoteSeries& series, std::ostream& out) {
    const bool withTime = series.layout.Has(store::kTime);
    const int columns = portfolio::QuoteColumnCount(withTime);
    for (int i = series.count - 1; i >= 0; --i) {
        const store::Quote& quote = series.quotes[static_cast<std::size_t>(i)];
        for (int column = 0; column < columns; ++column) {
            out << (column == 0 ? "" : "\t")
                << portfolio::QuoteCellText(quote, column, {}, withTime);
        }
        out << '\n';
    }
}

}  // namespace

void AddQuotesCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("quotes", "Show a symbol's quotes, newest first");
    struct Options {
        std::string directory;
        std::string symbol;
        bool all = false;
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", options->symbol, "Symbol or issue name")->required();
    command->add_flag("--all", options->all, "All quotes instead of the newest 30");
    command->callback([&context, options] {
        store::QuoteSeries series;
        const auto fail = [&](store::Status status) {
            context.Fail("quotes",
                         store::StatusReport(status, store::DescribeSeriesFailure(
                                                         options->directory, options->symbol)) +
                             ": " + options->symbol + " in " + options->directory);
        };
        store::Status status = store::AllocSeries(series, options->all ? kChunk : kRecentQuotes);
        if (status == store::kSuccess) {
            status = store::ReadSeries(series, options->directory, options->symbol, 0, 0);
        }
        if (status != store::kSuccess) {
            fail(status);
            return;
        }
        const int total = series.quotesInFile;
        if (!options->all) {
            if (total > 0) {
                status = store::ReadSeries(series, options->directory, options->symbol, -1,
                                           kRecentQuotes);
            }
            if (status != store::kSuccess) {
                fail(status);
                return;
            }
            PrintNewestFirst(series, context.out);
            return;
        }
        for (int read = 0; read < total;) {
            const int chunk = std::min(total - read, kChunk);
            status = store::ReadSeries(series, options->directory, options->symbol,
                                       total - read - chunk, chunk);
            if (status != store::kSuccess) {
                fail(status);
                return;
            }
            PrintNewestFirst(series, context.out);
            read += chunk;
        }
    });
}

}  // namespace ticksmith::cli
