#include "portfolio/print_pages.h"

#include <algorithm>
#include <cstdlib>

namespace ticksmith::portfolio {

std::string PrintLine(const store::Quote& quote, IntegerDisplay display, bool withTime) {
    const auto texts = QuoteRowTexts(quote, display);
    std::string line = texts[0];
    if (withTime) {
        line += '\t';
        line += FormatQuoteTime(quote.time);
    }
    for (std::size_t column = 1; column < texts.size(); ++column) {
        // Absent fields leave no empty column.
        if (!texts[column].empty()) {
            line += '\t';
            line += texts[column];
        }
    }
    return line;
}

store::Status ReadPrintLines(const std::filesystem::path& directory, std::string_view symbol,
                             IntegerDisplay display, std::vector<std::string>& lines) {
    lines.clear();
    store::QuoteSeries series;
    store::Status status = store::AllocSeries(series, kQuoteChunk);
    if (status == store::kSuccess) {
        status = store::ReadSeries(series, directory, symbol, 0, 0);
    }
    if (status != store::kSuccess) {
        return status;
    }
    const int total = series.quotesInFile;
    const bool withTime = series.layout.Has(store::kTime);
    lines.reserve(static_cast<std::size_t>(total));
    const auto append = [&] {
        for (int i = 0; i < series.count; ++i) {
            lines.push_back(
                PrintLine(series.quotes[static_cast<std::size_t>(i)], display, withTime));
        }
    };
    for (int start = 0; start < total;) {
        const int chunk = std::min(total - start, kQuoteChunk);
        if (store::ReadSeries(series, directory, symbol, start, chunk) == store::kSuccess &&
            series.count == chunk) {
            append();
        } else {
            // One quote at a time, so only those that really cannot be read are lost.
            for (int index = start; index < start + chunk; ++index) {
                if (store::ReadSeries(series, directory, symbol, index, 1) == store::kSuccess &&
                    series.count == 1) {
                    append();
                } else {
                    lines.emplace_back(kPrintFailureLine);
                }
            }
        }
        start += chunk;
    }
    return store::kSuccess;
}

int LinesPerPage(int printableHeight, int lineHeight) {
    if (lineHeight <= 0) {
        return 1;
    }
    const int below = std::abs(printableHeight) - PrintGeometry::kTopMarginLines * lineHeight;
    return std::max(1, below / lineHeight);
}

int PageCount(int lineCount, int linesPerPage) {
    const int perPage = std::max(1, linesPerPage);
    return std::max(1, lineCount / perPage + (lineCount % perPage != 0 ? 1 : 0));
}

std::vector<std::vector<std::string>> PrintPages(std::span<const std::string> lines,
                                                 int linesPerPage) {
    const auto perPage = static_cast<std::size_t>(std::max(1, linesPerPage));
    const int count = PageCount(static_cast<int>(lines.size()), linesPerPage);
    std::vector<std::vector<std::string>> pages(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        pages[i / perPage].push_back(lines[i]);
    }
    return pages;
}

int NextTabStop(int offset, int tabStop) {
    if (tabStop <= 0) {
        return offset;
    }
    return (std::max(0, offset) / tabStop + 1) * tabStop;
}

int TextStart(int offset, int width, int tabStop, int available, int gap) {
    const int stop = NextTabStop(offset, tabStop);
    if (stop + width <= available) {
        return stop;
    }
    return std::max(offset + gap, available - width);
}

}  // namespace ticksmith::portfolio
