// Times the price graph where a person waits on it and prints each figure beside its floor:
//   - one paint of 250 bars at 1920x1080 into an image, as the window's backing store gets
//     it, beside filling that image once and beside the layout arithmetic alone;
//   - switching to the next symbol of a portfolio with the graph shown, until the graph has
//     repainted, beside reading the 250 quotes once.
//
//   ticksmith_graph_bench           medians of 51 runs
//   ticksmith_graph_bench --quick   a few runs, so that a test keeps it working
#include <stdlib.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTableView>
#include <cstdio>
#include <string>
#include <vector>

#include "app/dialog_seam.h"
#include "app/graph_layout.h"
#include "app/graph_widget.h"
#include "app/main_frame.h"
#include "app/ticksmith_view.h"
#include "bench_support.h"
#include "store/encodings.h"
#include "window_bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Fail;
using bench::MedianMilliseconds;

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kSymbols = 20;
constexpr int kQuotesPerSymbol = 2000;
constexpr int kFullRuns = 51;
constexpr int kQuickRuns = 3;

void Print(const char* what, double milliseconds, const char* target = "") {
    std::printf("%-56s %9.3f ms  %s\n", what, milliseconds, target);
}

std::vector<store::Quote> Quotes(int count) {
    std::vector<store::Quote> quotes(static_cast<std::size_t>(count));
    const store::DayNumber first = store::DayNumberFromYmd(100, 1, 3);
    for (int i = 0; i < count; ++i) {
        store::Quote& quote = quotes[static_cast<std::size_t>(i)];
        quote.date = static_cast<store::DayNumber>(first + i);
        quote.low = 20.0f + static_cast<float>(i % 37) / 4.0f;
        quote.open = quote.low + 0.25f;
        quote.high = quote.low + 1.5f;
        quote.close = quote.low + 0.75f;
        quote.volume = 50000.0f + static_cast<float>(i % 11) * 1000.0f;
        quote.openInterest = 0.0f;
    }
    return quotes;
}

void Paint(int runs) {
    const app::GraphSeries series =
        app::MakeGraphSeries("BENCH", "BENCH CORP", Quotes(app::kGraphWindowQuotes),
                             store::LayoutOf(store::kStandardFields));
    app::GraphWidget widget;
    widget.resize(kScreenWidth, kScreenHeight);
    widget.SetSeries(series, {});
    if (widget.Layout().Bars() != app::kGraphWindowQuotes) {
        Fail("the graph does not draw every quote of its window");
    }
    QImage image(kScreenWidth, kScreenHeight, QImage::Format_ARGB32_Premultiplied);
    std::printf("\nGraph paint of 250 bars at %dx%d\n", kScreenWidth, kScreenHeight);
    Print("paint into the image", MedianMilliseconds(runs, [&] { widget.render(&image); }),
          "target 8 ms");
    Print("  floor: fill the image once", MedianMilliseconds(runs, [&] { image.fill(Qt::black); }));
    Print("  layout arithmetic alone", MedianMilliseconds(runs, [&] {
              if (app::ComputeGraphLayout(series, kScreenWidth, kScreenHeight).Bars() == 0) {
                  Fail("no bars");
              }
          }));
}

std::string SymbolName(int number) {
    return "G" + std::to_string(100 + number);
}

// A portfolio of kSymbols symbols opened in a window that shows the graph.
void SwitchSymbols(const fs::path& root, int runs) {
    const fs::path directory = root / "GRAPH";
    bench::WriteUniformPortfolio(directory, kSymbols, Quotes(kQuotesPerSymbol), SymbolName);
    settings::MemorySettingsStore store;
    settings::ViewSettings view = bench::TreeSettings(root, store);
    view.showingGraph = true;
    app::CMainFrame frame(store, view);
    frame.resize(kScreenWidth, kScreenHeight);
    frame.show();
    app::CTicksmithView& form = frame.View();
    QEventLoop loop;
    QObject::connect(&form, &app::CTicksmithView::ScanFinished, &loop, &QEventLoop::quit);
    form.StartUp();
    if (form.IsScanning()) {
        loop.exec();
    }
    if (form.State().SymbolCount() != kSymbols) {
        Fail("the portfolio was not opened");
    }
    auto* grid = frame.findChild<QTableView*>("symbolGrid");
    auto* graph = frame.findChild<app::GraphWidget*>("graphArea");
    if (grid == nullptr || graph == nullptr || !graph->isVisible()) {
        Fail("the graph is not shown");
    }
    std::printf("\nSwitching symbols with the graph shown (%d quotes each, graph %dx%d)\n",
                kQuotesPerSymbol, graph->width(), graph->height());
    int run = 0;
    const double switched = MedianMilliseconds(runs, [&] {
        const int row = ++run % kSymbols;
        grid->setCurrentIndex(grid->model()->index(row, 0));
        graph->repaint();
        if (graph->Series().symbol != SymbolName(row + 1)) {
            Fail("the graph did not follow the symbol");
        }
    });
    Print("select the next symbol until the graph is painted", switched, "target 30 ms");
    Print("  floor: read its 250 newest quotes", MedianMilliseconds(runs, [&] {
              const std::string symbol = SymbolName(++run % kSymbols + 1);
              if (app::ReadGraphSeries(directory, symbol, "").quotes.size() !=
                  static_cast<std::size_t>(app::kGraphWindowQuotes)) {
                  Fail("cannot read " + symbol);
              }
          }));
    Print("  repaint of the graph alone", MedianMilliseconds(runs, [&] { graph->repaint(); }));
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_graph_bench";
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const int runs = quick ? kQuickRuns : kFullRuns;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    bench::StrictDialogs dialogs;
    const app::ScopedDialogSeam seam(dialogs);

    std::string pattern = (fs::temp_directory_path() / "ticksmith-graph-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot create a temporary directory");
    }
    const fs::path root = pattern;
    Paint(runs);
    SwitchSymbols(root, runs);
    fs::remove_all(root);
    return 0;
}
