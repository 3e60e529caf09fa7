#include "print/quote_printer.h"

#include <QFontMetrics>
#include <QMarginsF>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "portfolio/print_pages.h"

namespace ticksmith::print {

namespace {

using Geometry = portfolio::PrintGeometry;

QString TextOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Where a printer without a border of its own would print to the edge of the paper.
constexpr double kPdfBorderInches = 0.25;

void PaintPage(QPainter& painter, const DeviceGeometry& geometry,
               std::span<const std::string> lines) {
    const QFontMetrics metrics(geometry.font, painter.device());
    const int available = painter.device()->width() - geometry.left;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int baseline = geometry.LineTop(static_cast<int>(i)) + metrics.ascent();
        std::string_view rest = lines[i];
        int offset = 0;
        for (bool first = true;; first = false) {
            const std::size_t tab = rest.find('\t');
            const QString piece = TextOf(rest.substr(0, tab));
            const int width = metrics.horizontalAdvance(piece);
            if (!first) {
                offset = portfolio::TextStart(offset, width, geometry.tabStop, available,
                                              geometry.narrowestGap);
            }
            painter.drawText(geometry.left + offset, baseline, piece);
            offset += width;
            if (tab == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(tab + 1);
        }
    }
}

}  // namespace

int DeviceGeometry::LineTop(int line) const {
    return (Geometry::kTopMarginLines + line) * lineHeight;
}

DeviceGeometry GeometryFor(QPrinter& printer) {
    const double pixelsPerUnit = printer.resolution() / 100.0;
    const auto pixels = [&](int units) {
        return std::max(1, static_cast<int>(std::lround(units * pixelsPerUnit)));
    };
    DeviceGeometry geometry;
    // The font's height is its cell's, ascent and descent together, as "Fg" measures.
    const int cell = pixels(Geometry::kFontHeight);
    geometry.font = QFont(QStringLiteral("Arial"));
    geometry.font.setWeight(static_cast<QFont::Weight>(Geometry::kFontWeight));
    geometry.font.setPixelSize(cell);
    // Digits, slashes and points only: no kerning or fallback fonts to look for, in lines
    // that a long series has by the ten thousand.
    geometry.font.setKerning(false);
    geometry.font.setStyleStrategy(QFont::NoFontMerging);
    const int measured = QFontMetrics(geometry.font, &printer).height();
    if (measured > 0 && measured != cell) {
        geometry.font.setPixelSize(std::max(
            1, static_cast<int>(std::lround(static_cast<double>(cell) * cell / measured))));
    }
    geometry.lineHeight =
        QFontMetrics(geometry.font, &printer).height() + pixels(Geometry::kLineGap);
    geometry.left = pixels(Geometry::kLeftMargin);
    geometry.tabStop = pixels(Geometry::kTabStop);
    geometry.narrowestGap = pixels(Geometry::kNarrowestGap);
    geometry.linesPerPage = portfolio::LinesPerPage(printer.height(), geometry.lineHeight);
    return geometry;
}

int PageCountFor(QPrinter& printer, std::span<const std::string> lines) {
    return portfolio::PageCount(static_cast<int>(lines.size()), GeometryFor(printer).linesPerPage);
}

void PaintLines(QPainter& painter, QPrinter& printer, std::span<const std::string> lines) {
    const DeviceGeometry geometry = GeometryFor(printer);
    const auto pages = portfolio::PrintPages(lines, geometry.linesPerPage);
    const int last = static_cast<int>(pages.size());
    int from = 1;
    int to = last;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::min(printer.fromPage(), last);
        to = std::clamp(printer.toPage(), from, last);
    }
    painter.setFont(geometry.font);
    painter.setPen(Qt::black);
    for (int page = from; page <= to; ++page) {
        if (page > from) {
            printer.newPage();
        }
        PaintPage(painter, geometry, pages[static_cast<std::size_t>(page - 1)]);
    }
}

bool PrintLines(QPrinter& printer, std::span<const std::string> lines) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    PaintLines(painter, printer, lines);
    return painter.end() && printer.printerState() != QPrinter::Error &&
           printer.printerState() != QPrinter::Aborted;
}

void SetUpPdf(QPrinter& printer, const QString& file, const QString& title) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    printer.setFullPage(false);
    printer.setPageMargins(
        QMarginsF(kPdfBorderInches, kPdfBorderInches, kPdfBorderInches, kPdfBorderInches),
        QPageLayout::Inch);
    printer.setCreator(QStringLiteral("Ticksmith"));
    printer.setDocName(title);
}

bool WritePdf(const QString& file, const QString& title, std::span<const std::string> lines,
              const QPageLayout* pageLayout) {
    namespace fs = std::filesystem;
    const fs::path target = file.toStdString();
    // Beside the target, so that the rename that puts it in place cannot cross file systems.
    const fs::path partial = fs::path(target).concat(".~pdf");
    QPrinter printer(QPrinter::HighResolution);
    SetUpPdf(printer, QString::fromStdString(partial.string()), title);
    if (pageLayout != nullptr) {
        printer.setPageLayout(*pageLayout);
    }
    std::error_code error;
    if (!PrintLines(printer, lines)) {
        fs::remove(partial, error);
        return false;
    }
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

}  // namespace ticksmith::print
