#include "app/print_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <memory>

#include "app/dialog_seam.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "portfolio/grid_format.h"
#include "portfolio/print_pages.h"
#include "print/quote_printer.h"
#include "store/status.h"

namespace ticksmith::app {

namespace {

// Lives as the view's child, so the printer's setup lasts as long as the window.
class PrinterHolder : public QObject {
  public:
    static constexpr const char* kName = "ticksmith-printer";
    explicit PrinterHolder(QObject* parent) : QObject(parent) { setObjectName(kName); }
    QPrinter printer{QPrinter::HighResolution};
};

QString TextOf(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The selected symbol's lines; nothing, with the reason shown, when there is no symbol or its
// series cannot be read.
std::optional<std::vector<std::string>> SelectedLines(CTicksmithView& view) {
    const portfolio::ViewState& state = view.State();
    if (state.SelectedSymbol() == nullptr) {
        view.Messenger().Show(QObject::tr("There is no symbol to print.").toStdString());
        return std::nullopt;
    }
    const WaitCursor wait;
    std::vector<std::string> lines;
    if (const store::Status status =
            portfolio::ReadPrintLines(state.current.dataDir, state.currentSymbol,
                                      portfolio::IntegerDisplayOf(state.settings), lines);
        status != store::kSuccess) {
        view.Messenger().Show(store::StatusReport(
            status, store::DescribeSeriesFailure(state.current.dataDir, state.currentSymbol)));
        return std::nullopt;
    }
    return lines;
}

// The view's printer, set to print the whole series, as every print starts.
QPrinter& WholeSeriesPrinter(CTicksmithView& view) {
    QPrinter& printer = ViewPrinter(view);
    printer.setPrintRange(QPrinter::AllPages);
    return printer;
}

void Print(CTicksmithView& view) {
    const auto lines = SelectedLines(view);
    if (!lines) {
        return;
    }
    QPrinter& printer = WholeSeriesPrinter(view);
    QPrintDialog dialog(&printer, &view);
    dialog.setMinMax(1, print::PageCountFor(printer, *lines));
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return;
    }
    bool printed = false;
    {
        const WaitCursor wait;
        printed = print::PrintLines(printer, *lines);
    }
    if (!printed) {
        view.Messenger().Show(QObject::tr("The quotes could not be printed.").toStdString());
    }
}

// The preview repaints whenever the person changes its zoom or page setup.
void ConnectPreview(QPrintPreviewDialog& dialog, const std::vector<std::string>& lines) {
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&lines](QPrinter* target) {
                         const WaitCursor wait;
                         static_cast<void>(print::PrintLines(*target, lines));
                     });
}

void Preview(CTicksmithView& view) {
    const auto lines = SelectedLines(view);
    if (!lines) {
        return;
    }
    QPrintPreviewDialog dialog(&WholeSeriesPrinter(view), &view);
    ConnectPreview(dialog, *lines);
    static_cast<void>(Dialogs().Exec(dialog));
}

void PageSetup(CTicksmithView& view) {
    QPageSetupDialog dialog(&ViewPrinter(view), &view);
    static_cast<void>(Dialogs().Exec(dialog));
}

void ExportPdf(CTicksmithView& view) {
    const auto lines = SelectedLines(view);
    if (!lines) {
        return;
    }
    const QString symbol = TextOf(view.State().currentSymbol);
    QString file = Dialogs().SaveFileName(&view, QObject::tr("Export to PDF"),
                                          QDir::home().filePath(symbol + QStringLiteral(".pdf")),
                                          QObject::tr("PDF files (*.pdf)"));
    if (file.isEmpty()) {
        return;
    }
    if (QFileInfo(file).suffix().isEmpty()) {
        file += QStringLiteral(".pdf");
    }
    bool written = false;
    {
        const WaitCursor wait;
        const QPageLayout layout = ViewPrinter(view).pageLayout();
        written = print::WritePdf(file, symbol, *lines, &layout);
    }
    if (!written) {
        view.Messenger().Show(QObject::tr("Cannot write %1.").arg(file).toStdString());
    }
}

}  // namespace

QPrinter& ViewPrinter(CTicksmithView& view) {
    auto* holder = dynamic_cast<PrinterHolder*>(view.findChild<QObject*>(
        QString::fromLatin1(PrinterHolder::kName), Qt::FindDirectChildrenOnly));
    if (holder == nullptr) {
        holder = new PrinterHolder(&view);
    }
    return holder->printer;
}

bool WritePrintScreenshots(CTicksmithView& view, const QDir& directory,
                           const std::function<bool(QWidget&, const QDir&, const QString&)>& save) {
    const auto lines = SelectedLines(view);
    if (!lines) {
        return false;
    }
    QPrintPreviewDialog preview(&ViewPrinter(view), &view);
    ConnectPreview(preview, *lines);
    preview.resize(900, 700);
    const bool saved = save(preview, directory, QStringLiteral("print-preview"));
    return print::WritePdf(directory.filePath(QStringLiteral("print-quotes.pdf")),
                           TextOf(view.State().currentSymbol), *lines) &&
           saved;
}

bool RunPrintCommand(CTicksmithView& view, CommandId id) {
    switch (id) {
        case CommandId::kPrint:
            Print(view);
            return true;
        case CommandId::kPrintPreview:
            Preview(view);
            return true;
        case CommandId::kPrintSetup:
            PageSetup(view);
            return true;
        case CommandId::kExportPdf:
            ExportPdf(view);
            return true;
        default:
            return false;
    }
}

}  // namespace ticksmith::app
