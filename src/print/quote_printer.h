#pragma once

#include <QFont>
#include <QString>
#include <span>
#include <string>

class QPainter;
class QPageLayout;
class QPrinter;

namespace ticksmith::print {

// The page geometry in the device's pixels: the hundredths of an inch of the printed list
// converted once, so that margins, line height and tab stops keep their physical sizes at
// any resolution.
struct DeviceGeometry {
    QFont font;
    int lineHeight = 1;
    int left = 0;  // the left margin, from the printable area's left edge
    int tabStop = 1;
    int narrowestGap = 1;
    int linesPerPage = 1;

    // Of a line on the page, from 0: its top, below the top margin.
    int LineTop(int line) const;
};

// For a printer or PDF printer as it is set up now (resolution, page, orientation).
DeviceGeometry GeometryFor(QPrinter& printer);

// The pages that `lines` make on that printer, as the print dialog and preview count them.
int PageCountFor(QPrinter& printer, std::span<const std::string> lines);

// Paints the lines on the printer, one page after another; only the pages of its page range
// when the print dialog chose one. False when painting could not start or finish (a PDF file
// that cannot be written, a printer that refuses the job).
bool PrintLines(QPrinter& printer, std::span<const std::string> lines);
// The same on a painter already active on the printer, as the print preview hands it over.
void PaintLines(QPainter& painter, QPrinter& printer, std::span<const std::string> lines);

// Sets `printer` up to write a PDF: high resolution, the page size it has, a quarter inch of
// unprintable border as a desk printer has, so that a PDF and a printed page agree.
void SetUpPdf(QPrinter& printer, const QString& file, const QString& title);

// Writes the lines as a PDF through a sibling file that replaces `file` only when complete;
// the page size, orientation and margins of `pageLayout` when given. False when it could not.
bool WritePdf(const QString& file, const QString& title, std::span<const std::string> lines,
              const QPageLayout* pageLayout = nullptr);

}  // namespace ticksmith::print
