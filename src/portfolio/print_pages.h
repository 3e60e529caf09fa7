#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "portfolio/grid_format.h"
#include "store/quotes.h"
#include "store/status.h"

namespace ticksmith::portfolio {

// The printed list of a symbol's quotes: what goes on each page. The renderer measures the
// font and owns the device; everything else about the pages is decided here, so the printer,
// the preview, the PDF export and the command line print the same pages.

// Page geometry in hundredths of an inch.
struct PrintGeometry {
    static constexpr int kFontHeight = 16;  // Arial, bold
    static constexpr int kFontWeight = 700;
    static constexpr int kLineGap = 5;         // added to the height of "Fg"
    static constexpr int kLeftMargin = 75;     // from the printable area's left edge
    static constexpr int kTopMarginLines = 2;  // line heights above the first line
    static constexpr int kTabStop = 100;       // one every inch, from the left margin
    static constexpr int kNarrowestGap = 10;   // between texts pulled back from the edge
};

// The line of a quote that cannot be read; printing goes on with the next one.
inline constexpr std::string_view kPrintFailureLine = "Print Failure";

// The date, then a tab and the text of each value the record carries, in the grid's formats;
// an intraday bar's time of day follows its date.
std::string PrintLine(const store::Quote& quote, IntegerDisplay display, bool withTime = false);

// Every line of the symbol's series in `directory`, oldest first, also beyond the 16,000
// quotes a whole-series read stops at. Fails only when the symbol's facts cannot be read; a
// quote that cannot be read later gives kPrintFailureLine.
[[nodiscard]] store::Status ReadPrintLines(const std::filesystem::path& directory,
                                           std::string_view symbol, IntegerDisplay display,
                                           std::vector<std::string>& lines);

// How many lines fit below the top margin of a printable height; both in one unit. At least
// one, so that a page too small for the margins still makes progress.
int LinesPerPage(int printableHeight, int lineHeight);
// A series of no lines still prints one (empty) page: a print job cannot have none.
int PageCount(int lineCount, int linesPerPage);
// The lines of each page, from page 1.
std::vector<std::vector<std::string>> PrintPages(std::span<const std::string> lines,
                                                 int linesPerPage);

// Where the text after a tab starts: the first tab stop beyond `offset`, both measured from
// the left margin.
int NextTabStop(int offset, int tabStop);
// The same for a text `width` wide, pulled back as far as it must to end within `available`
// (the printable width right of the margin), but no closer than `gap` to the text before it:
// a wide volume would otherwise push the open interest off the paper.
int TextStart(int offset, int width, int tabStop, int available, int gap);

}  // namespace ticksmith::portfolio
