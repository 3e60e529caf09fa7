#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QString>
#include <memory>
#include <ostream>

#include "cli/command.h"
#include "portfolio/grid_format.h"
#include "portfolio/print_pages.h"
#include "print/quote_printer.h"
#include "store/status.h"

namespace ticksmith::cli {

namespace {

// Fonts need a GUI application; a command line has no screen, so it gets the offscreen one,
// and only for this command: the others must run where no Qt platform is installed.
std::unique_ptr<QGuiApplication> StartFonts() {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "ticksmith-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

void AddPrintCommand(CLI::App& app, CommandContext& context) {
    auto* command = app.add_subcommand("print",
                                       "Print a symbol's whole series, oldest first, "
                                       "as the window prints it, into a PDF file");
    struct Options {
        std::string directory;
        std::string symbol;
        std::string pdf;
    };
    auto options = std::make_shared<Options>();
    command->add_option("DIR", options->directory, "Portfolio directory")->required();
    command->add_option("SYMBOL", options->symbol, "Symbol")->required();
    command->add_option("--pdf", options->pdf, "The PDF file to write")->required();
    command->callback([&context, options] {
        const std::optional<portfolio::ViewState> view =
            OpenView(context, "print", options->directory, options->symbol, true);
        if (!view) {
            return;
        }
        std::vector<std::string> lines;
        if (const store::Status status =
                portfolio::ReadPrintLines(view->current.dataDir, view->currentSymbol,
                                          portfolio::IntegerDisplayOf(view->settings), lines);
            status != store::kSuccess) {
            context.Fail("print", store::StatusReport(status, "") + ": " + options->symbol +
                                      " in " + options->directory);
            return;
        }
        std::unique_ptr<QGuiApplication> application;
        if (qGuiApp == nullptr) {
            if (QCoreApplication::instance() != nullptr) {
                context.Fail("print", "fonts need a GUI application");
                return;
            }
            application = StartFonts();
        }
        const QString file = QString::fromStdString(options->pdf);
        if (!print::WritePdf(file, QString::fromStdString(view->currentSymbol), lines)) {
            context.Fail("print", "cannot write " + options->pdf);
            return;
        }
        context.out << lines.size() << " quotes printed to " << options->pdf << '\n';
    });
}

}  // namespace ticksmith::cli
