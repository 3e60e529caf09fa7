// Times the PDF of a symbol's whole series beside its floor, reading the data file's bytes
// once, and the part of it that reads and formats the lines.
//
//   ticksmith_print_bench           a 16,000-quote symbol, the median of five runs
//   ticksmith_print_bench --quick   2,000 quotes once, so that a test keeps the program working
#include <unistd.h>

#include <QGuiApplication>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "portfolio/print_pages.h"
#include "print/quote_printer.h"
#include "store/master.h"
#include "store/quotes.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Clock;
using bench::Fail;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_print_bench";
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int quotes = quick ? 2000 : 16000;
    const int repeats = quick ? 1 : 5;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);

    const fs::path directory =
        fs::temp_directory_path() / ("ticksmith-print-bench-" + std::to_string(::getpid()));
    fs::create_directories(directory);
    std::vector<store::Quote> series;
    for (int i = 0; i < quotes; ++i) {
        store::Quote quote;
        quote.date = static_cast<store::DayNumber>(1000 + i + i / 5 * 2);
        quote.open = 20.0f + static_cast<float>(i % 300) * 0.125f;
        quote.high = quote.open + 1.0f;
        quote.low = quote.open - 1.0f;
        quote.close = quote.open + 0.25f;
        quote.volume = static_cast<float>(100000 + i * 7);
        quote.openInterest = static_cast<float>(i);
        series.push_back(quote);
    }
    bench::WriteSymbolFiles(directory, 1, series);
    store::MasterRecord record = store::NewMasterRecord("PRINT", "BENCH", 7);
    record.fileNumber = 1;
    bench::WriteMasterFile(directory, {record});
    const fs::path data = directory / store::DataFileName(1);
    const QString pdf = QString::fromStdString((directory / "print.pdf").string());

    std::vector<double> floors, reads, pdfs;
    std::vector<std::string> lines;
    for (int run = 0; run < repeats; ++run) {
        Clock::time_point start = Clock::now();
        {
            std::ifstream in(data, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            if (bytes.str().empty()) {
                Fail("cannot read " + data.string());
            }
        }
        floors.push_back(bench::Seconds(Clock::now() - start));
        start = Clock::now();
        if (portfolio::ReadPrintLines(directory, "PRINT", {}, lines) != store::kSuccess ||
            lines.size() != static_cast<std::size_t>(quotes)) {
            Fail("cannot read the lines");
        }
        const Clock::time_point read = Clock::now();
        if (!print::WritePdf(pdf, "PRINT", lines)) {
            Fail("cannot write " + pdf.toStdString());
        }
        reads.push_back(bench::Seconds(read - start));
        pdfs.push_back(bench::Seconds(Clock::now() - start));
    }
    const double floor = Median(floors);
    const double whole = Median(pdfs);
    std::cout << "PDF of " << quotes << " quotes (median of " << repeats << "): " << whole
              << " s, of which reading the lines " << Median(reads) << " s; floor (reading "
              << fs::file_size(data) << " bytes once) " << floor << " s, ratio "
              << (floor > 0 ? whole / floor : 0) << "; " << fs::file_size(pdf.toStdString())
              << " bytes of PDF\n";
    std::error_code ignored;
    fs::remove_all(directory, ignored);
    return EXIT_SUCCESS;
}
