// Times the main window where a person waits on it and prints each figure beside its floor:
//   - the quote grid switched to ALL for a symbol of 16,000 quotes, until its first rows are
//     painted and until the model holds every row, beside reading the series once;
//   - the symbol grid of a 255-symbol portfolio refilled, until painted, beside reading MASTER;
//   - start-up over a tree of 1,000 portfolios: the first painted window, and the scan beside
//     `find ROOT -xdev -iname MASTER` on the same tree;
//   - Update Quotes of 10 portfolios x 255 symbols started from the window, beside the same
//     run of `ticksmith-cli update`, with how often "Updating Quotes" was refreshed;
//   - a batch import of 1,000 history files (four new portfolios of 250) chosen together in
//     Import from ASCII, beside `ticksmith-cli import --symbol-from-name` of the same files.
// Each is also timed without the window (the view state or the walk alone), which shows
// whether the time goes to the core or to the widgets.
//
//   ticksmith_window_bench           medians of several runs at the sizes above
//   ticksmith_window_bench --quick   one small run of each, so that a test keeps it working
//   ticksmith_window_bench --import  the batch import alone, at full size
#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialog_seam.h"
#include "app/main_frame.h"
#include "app/ticksmith_view.h"
#include "bench_support.h"
#include "platform/names.h"
#include "platform/volumes.h"
#include "portfolio/discovery.h"
#include "portfolio/skip_list.h"
#include "portfolio/view_state.h"
#include "profiles/profile.h"
#include "settings/setting_keys.h"
#include "settings/settings_store.h"
#include "settings/view_settings.h"
#include "store/encodings.h"
#include "store/master.h"
#include "store/quotes.h"
#include "window_bench_support.h"

namespace {

namespace fs = std::filesystem;
using namespace ticksmith;
using bench::Clock;
using bench::Fail;
using bench::Median;
using bench::MedianMilliseconds;
using bench::Milliseconds;
using bench::StrictDialogs;

struct Size {
    int quotes;            // of the ALL symbol
    int symbols;           // of the symbol grid's portfolio, and of each updated portfolio
    int portfolios;        // of the start-up tree
    int updatePortfolios;  // of the Update Quotes set-up
    int runs;
    int importFiles;  // of the batch import, in portfolios of at most kImportPerPortfolio
    int importLines;  // of each history
};

constexpr Size kFull{16000, 255, 1000, 10, 7, 1000, 2500};
constexpr Size kQuick{2000, 20, 20, 2, 1, 12, 200};
constexpr int kImportPerPortfolio = 250;

// Portfolios of the start-up tree are spread over this many parent directories.
constexpr int kTreeGroups = 10;
// A symbol grid's symbols and a start-up portfolio's symbols each hold this many quotes.
constexpr int kSmallSeries = 100;
constexpr int kStartUpSymbols = 2;
// Tall enough that the quote grid shows its first 30 rows.
constexpr int kWindowWidth = 1200;
constexpr int kWindowHeight = 1000;
constexpr int kWaitLimitMilliseconds = 300000;

std::string SymbolName(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "S%03d", number);
    return name;
}

// A portfolio of `symbols` symbols holding `quotes` daily quotes each.
void WritePortfolio(const fs::path& directory, int symbols, int quotes) {
    const store::DayNumber first = store::DayNumberFromYmd(1980, 1, 1);
    std::vector<store::Quote> series(static_cast<std::size_t>(quotes));
    for (int i = 0; i < quotes; ++i) {
        store::Quote& quote = series[static_cast<std::size_t>(i)];
        quote.date = static_cast<store::DayNumber>(first + i);
        quote.open = quote.low = 10.0f + static_cast<float>(i % 97) / 8.0f;
        quote.high = quote.close = quote.open + 0.5f;
        quote.volume = 125000.0f + static_cast<float>(i % 13) * 100.0f;
        quote.openInterest = 0.0f;
    }
    bench::WriteUniformPortfolio(directory, symbols, series, SymbolName);
}

// A frame over one tree, as a person starts it: constructed, shown, its deferred start-up
// scanning the tree, with the moments that matter recorded on the way.
class OpenedFrame : public QObject {
  public:
    explicit OpenedFrame(const fs::path& root) {
        const settings::ViewSettings view = bench::TreeSettings(root, m_store);

        const auto start = Clock::now();
        m_frame = std::make_unique<app::CMainFrame>(m_store, view);
        m_frame->resize(kWindowWidth, kWindowHeight);
        app::CTicksmithView& form = m_frame->View();
        form.installEventFilter(this);
        QObject::connect(&form, &app::CTicksmithView::StateChanged, this, [this, &form] {
            if (form.IsScanning() && !m_scanStart) {
                m_scanStart = Clock::now();
            }
        });
        QEventLoop loop;
        QObject::connect(&form, &app::CTicksmithView::ScanFinished, &loop, [this, &loop] {
            m_scanEnd = Clock::now();
            loop.quit();
        });
        QTimer::singleShot(kWaitLimitMilliseconds, &loop,
                           [] { Fail("the scan did not finish in time"); });
        m_frame->show();
        loop.exec();
        if (!m_painted || !m_scanStart) {
            Fail("the window did not paint before its scan");
        }
        windowShown = Milliseconds(*m_painted - start);
        scan = Milliseconds(*m_scanEnd - *m_scanStart);
        untilListed = Milliseconds(*m_scanEnd - start);
        windowFirst = *m_painted < *m_scanEnd;
    }

    app::CMainFrame& Frame() { return *m_frame; }
    app::CTicksmithView& View() { return m_frame->View(); }
    QTableView& Grid(const char* name) {
        auto* grid = m_frame->findChild<QTableView*>(name);
        if (grid == nullptr) {
            Fail(std::string("no grid named ") + name);
        }
        return *grid;
    }

    double windowShown = 0;  // ms from construction to the first painted form
    double scan = 0;         // ms from the scan's start to ScanFinished
    double untilListed = 0;  // ms from construction to ScanFinished
    bool windowFirst = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_painted) {
            // Recorded once the paint has returned to the event loop.
            QTimer::singleShot(0, this, [this] {
                if (!m_painted) {
                    m_painted = Clock::now();
                }
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    settings::MemorySettingsStore m_store;
    std::unique_ptr<app::CMainFrame> m_frame;
    std::optional<Clock::time_point> m_painted;
    std::optional<Clock::time_point> m_scanStart;
    std::optional<Clock::time_point> m_scanEnd;
};

// The view state without the window, on the tree's first portfolio, as the scan leaves it.
portfolio::ViewState CoreView(const fs::path& portfolioDirectory, platform::Messenger& messenger) {
    portfolio::ViewState view;
    view.settings.displayRecent = true;
    view.settings.soundDisable = true;
    view.portfolios = {portfolioDirectory.string()};
    view.selectedPortfolio = 0;
    if (!portfolio::SelectPortfolio(portfolio::MasterPathOf(view.portfolios.front()), view.current,
                                    messenger) ||
        !view.FillSymbolsGrid(0, messenger)) {
        Fail("cannot open " + portfolioDirectory.string());
    }
    return view;
}

void PrintHeading(const char* title) {
    std::printf("\n%-52s %10s %10s  %s\n", title, "ms", "ratio", "target");
}

void PrintFigure(const char* what, double milliseconds, const char* target = "") {
    std::printf("%-52s %10.2f %10s  %s\n", what, milliseconds, "", target);
}

// The ratio is the figure's over the floor.
void PrintFloor(const char* what, double floor, double figure, const char* target = "") {
    std::printf("%-52s %10.2f %9.2fx  %s\n", what, floor, figure / floor, target);
}

void QuoteGridAll(const fs::path& root, const Size& size, platform::Messenger& messenger) {
    const fs::path portfolio = root / "ALLQUOTES";
    WritePortfolio(portfolio, 1, size.quotes);
    OpenedFrame opened(root);
    app::CTicksmithView& view = opened.View();
    QTableView& grid = opened.Grid("quoteGrid");
    if (view.State().QuoteCount() == 0 || !view.State().settings.displayRecent) {
        Fail("the quote grid did not open on RECENT");
    }
    std::vector<double> filled;
    std::vector<double> painted;
    int visibleRows = 0;
    for (int run = 0; run < size.runs; ++run) {
        const auto start = Clock::now();
        view.Execute(app::CommandId::kRecentAll);
        const auto full = Clock::now();
        grid.viewport()->repaint();
        const auto shown = Clock::now();
        if (grid.model()->rowCount() != size.quotes || view.State().settings.displayRecent) {
            Fail("ALL shows " + std::to_string(grid.model()->rowCount()) + " rows");
        }
        filled.push_back(Milliseconds(full - start));
        painted.push_back(Milliseconds(shown - start));
        const int last = grid.rowAt(grid.viewport()->height() - 1);
        visibleRows = last < 0 ? grid.model()->rowCount() : last + 1;
        view.Execute(app::CommandId::kRecentAll);  // back to RECENT, not timed
    }

    store::QuoteSeries series;
    if (store::AllocSeries(series, store::kMaxSeriesQuotes) != store::kSuccess) {
        Fail("cannot allocate a series");
    }
    const double floor = MedianMilliseconds(size.runs, [&] {
        if (store::ReadSeries(series, portfolio, SymbolName(1), 0, -1) != store::kSuccess ||
            series.count != size.quotes) {
            Fail("cannot read the series");
        }
    });
    portfolio::ViewState core = CoreView(portfolio, messenger);
    core.settings.displayRecent = false;
    const double coreFill = MedianMilliseconds(size.runs, [&] {
        if (!core.FillQuotesGrid(0, messenger) || core.QuoteCount() != size.quotes) {
            Fail("the view state did not read every quote");
        }
    });

    // The window's own parts of a refill, each as the form does it.
    const double refresh = MedianMilliseconds(size.runs, [&] { emit view.StateChanged(); });
    QStatusBar* statusBar = opened.Frame().statusBar();
    const int chunks = (size.quotes + portfolio::kQuoteChunk - 1) / portfolio::kQuoteChunk;
    const auto progressBar = [&](int steps) {
        return MedianMilliseconds(size.runs, [&] {
            auto* bar = new QProgressBar(statusBar);
            bar->setTextVisible(false);
            statusBar->addWidget(bar, 1);
            for (int step = 1; step <= steps; ++step) {
                bar->setRange(0, size.quotes);
                bar->setValue(std::min(step * portfolio::kQuoteChunk, size.quotes));
            }
            statusBar->removeWidget(bar);
            delete bar;
        });
    };
    const double barShown = progressBar(0);
    const double barStepped = progressBar(chunks);
    view.Execute(app::CommandId::kRecentAll);
    const double repaint = MedianMilliseconds(size.runs, [&] { grid.viewport()->repaint(); });
    view.Execute(app::CommandId::kRecentAll);
    const double waitCursor = MedianMilliseconds(size.runs, [] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::restoreOverrideCursor();
    });

    char title[96];
    std::snprintf(title, sizeof title, "Quote grid ALL, %d quotes (%d rows in sight)", size.quotes,
                  visibleRows);
    PrintHeading(title);
    PrintFigure("command until the first rows are painted", Median(painted), "30 ms");
    PrintFigure("command until the model holds every row", Median(filled), "100 ms");
    PrintFloor("floor: ReadSeries of all quotes once", floor, Median(filled));
    PrintFloor("  ViewState::FillQuotesGrid alone (no window)", coreFill, Median(filled));
    PrintFigure("  of the window: StateChanged (title, panes, actions)", refresh);
    PrintFigure("  of the window: status-bar progress bar, shown+removed", barShown);
    char stepped[96];
    std::snprintf(stepped, sizeof stepped, "  of the window: the same bar stepped %d times",
                  chunks);
    PrintFigure(stepped, barStepped);
    PrintFigure("  of the window: wait cursor set and restored", waitCursor);
    PrintFigure("  of the window: repainting the grid alone", repaint);
}

void SymbolGrid(const fs::path& root, const Size& size, platform::Messenger& messenger) {
    const fs::path portfolio = root / "SYMBOLS";
    WritePortfolio(portfolio, size.symbols, kSmallSeries);
    OpenedFrame opened(root);
    app::CTicksmithView& view = opened.View();
    QTableView& grid = opened.Grid("symbolGrid");
    const auto fillPainted = [&] {
        return MedianMilliseconds(size.runs, [&] {
            view.FillSymbolsGrid(0);
            grid.viewport()->repaint();
            if (grid.model()->rowCount() != size.symbols) {
                Fail("the symbol grid shows " + std::to_string(grid.model()->rowCount()) + " rows");
            }
        });
    };
    const double painted = fillPainted();
    const double floor = MedianMilliseconds(size.runs, [&] {
        std::vector<store::MasterRecord> records;
        if (store::ReadMasterRecords(portfolio, records) != store::kSuccess ||
            static_cast<int>(records.size()) != size.symbols) {
            Fail("cannot read MASTER");
        }
    });
    portfolio::ViewState core = CoreView(portfolio, messenger);
    const auto coreFill = [&] {
        return MedianMilliseconds(size.runs, [&] {
            if (!core.FillSymbolsGrid(0, messenger)) {
                Fail("the view state did not fill the symbol grid");
            }
        });
    };
    const double coreWithout = coreFill();
    const double assignments = MedianMilliseconds(size.runs, [&] {
        for (int s = 1; s <= size.symbols; ++s) {
            static_cast<void>(profiles::ReadAssignment(portfolio, s));
        }
    });
    // Symbols added by this program carry a profile assignment; data from elsewhere has none.
    profiles::AssignmentBytes assignment{};
    if (!profiles::EncodeAssignment("Daily", assignment)) {
        Fail("cannot encode an assignment");
    }
    for (int s = 1; s <= size.symbols; ++s) {
        if (!profiles::WriteAssignmentFile(portfolio, s, assignment)) {
            Fail("cannot write an assignment");
        }
    }
    const double paintedAssigned = fillPainted();
    const double repaint = MedianMilliseconds(size.runs, [&] { grid.viewport()->repaint(); });
    const double coreAssigned = coreFill();

    char title[96];
    std::snprintf(title, sizeof title, "Symbol grid, %d symbols", size.symbols);
    PrintHeading(title);
    PrintFigure("FillSymbolsGrid until painted (no F<n>.pfl files)", painted, "20 ms");
    PrintFloor("floor: ReadMasterRecords once", floor, painted);
    PrintFloor("  ViewState::FillSymbolsGrid alone (no window)", coreWithout, painted);
    PrintFigure("  of the core: ReadAssignment of every symbol", assignments);
    PrintFigure("FillSymbolsGrid until painted (every F<n>.pfl there)", paintedAssigned, "20 ms");
    PrintFloor("  ViewState::FillSymbolsGrid alone (no window)", coreAssigned, paintedAssigned);
    PrintFigure("  of the window: repainting the grid alone", repaint);
}

void StartUp(const fs::path& root, const Size& size, platform::Messenger& messenger) {
    for (int p = 0; p < size.portfolios; ++p) {
        WritePortfolio(root / ("G" + std::to_string(p % kTreeGroups)) / ("P" + std::to_string(p)),
                       kStartUpSymbols, kSmallSeries);
    }
    const std::string command = "find '" + root.string() + "' -xdev -iname MASTER > /dev/null";
    // The first of everything warms the caches: each is run once untimed.
    static_cast<void>(std::system(command.c_str()));
    const double find = MedianMilliseconds(size.runs, [&] {
        if (std::system(command.c_str()) != 0) {
            Fail("find failed");
        }
    });
    const portfolio::SearchFilter filter{true, platform::ToUpperAscii(root.string())};
    const std::string drive = platform::VolumeRoot(root).string();
    const auto walk = [&] {
        const std::vector<std::string> found =
            portfolio::ScanForPortfolios(drive, filter, nullptr, messenger, true);
        if (static_cast<int>(found.size()) != size.portfolios) {
            Fail("the walk found " + std::to_string(found.size()) + " portfolios");
        }
    };
    walk();
    const double walkAlone = MedianMilliseconds(size.runs, walk);
    // What the list does with every entry after the walk, as its model reads them.
    std::vector<std::string> found;
    portfolio::SearchDirectory(root.string(), filter, found);
    const double marks = MedianMilliseconds(size.runs, [&] {
        for (const std::string& directory : found) {
            static_cast<void>(portfolio::PortfolioListMark(directory));
        }
    });
    // Of find's time, what starting the shell and find costs; outside the tree, which the
    // window's scans below walk.
    const fs::path empty = root.parent_path() / "empty";
    fs::create_directories(empty);
    const std::string emptyCommand =
        "find '" + empty.string() + "' -xdev -iname MASTER > /dev/null";
    const double findStart = MedianMilliseconds(size.runs, [&] {
        if (std::system(emptyCommand.c_str()) != 0) {
            Fail("find failed");
        }
    });

    std::vector<double> shown;
    std::vector<double> scans;
    std::vector<double> listed;
    int windowFirst = 0;
    std::string walked;
    for (int run = 0; run <= size.runs; ++run) {
        OpenedFrame opened(root);
        if (static_cast<int>(opened.View().State().portfolios.size()) != size.portfolios) {
            Fail("the scan listed " + std::to_string(opened.View().State().portfolios.size()) +
                 " portfolios");
        }
        walked = opened.View().Drive();
        if (run == 0) {
            continue;
        }
        shown.push_back(opened.windowShown);
        scans.push_back(opened.scan);
        listed.push_back(opened.untilListed);
        windowFirst += opened.windowFirst ? 1 : 0;
    }

    char title[96];
    std::snprintf(title, sizeof title, "Start-up, %d portfolios (drive %s)", size.portfolios,
                  walked.c_str());
    PrintHeading(title);
    PrintFigure("construct and show() until the first paint", Median(shown));
    PrintFigure("construct until ScanFinished", Median(listed));
    PrintFigure("scan: ScanForPortfolios() until ScanFinished", Median(scans));
    PrintFloor("floor: find ROOT -xdev -iname MASTER (warm)", find, Median(scans), "1.2x");
    PrintFigure("  of find: starting it (on an empty directory)", findStart);
    PrintFloor("  the walk alone (no window)", walkAlone, Median(scans));
    PrintFigure("  PortfolioListMark of every entry (list model)", marks);
    std::printf("window painted before the scan ended: %d of %d runs\n", windowFirst, size.runs);
}

// Portfolios whose every symbol has a profile and one line in the evening's update file.
void WriteUpdateSetup(const fs::path& root, const Size& size) {
    const fs::path updates = root / "upd";
    fs::create_directories(updates);
    profiles::Profile profile{1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 8, 0, updates.string()};
    profiles::ProfileBytes profileBytes{};
    profiles::AssignmentBytes assignment{};
    if (!profiles::EncodeProfile(profile, profileBytes) ||
        !profiles::EncodeAssignment("Daily", assignment)) {
        Fail("cannot encode the profile");
    }
    bench::WriteFile(root / profiles::ProfileFileName("Daily"),
                     {reinterpret_cast<const char*>(profileBytes.data()), profileBytes.size()});
    for (int p = 0; p < size.updatePortfolios; ++p) {
        const fs::path directory = root / ("P" + std::to_string(p));
        WritePortfolio(directory, size.symbols, kSmallSeries);
        for (int s = 1; s <= size.symbols; ++s) {
            bench::WriteFile(directory / profiles::AssignmentFileName(s),
                             {reinterpret_cast<const char*>(assignment.data()), assignment.size()});
        }
    }
    // The day after the generated series' last.
    std::string lines;
    for (int s = 1; s <= size.symbols; ++s) {
        lines += SymbolName(s) + ",19800411,11,12,10.5,11.5,130000,0\r\n";
    }
    bench::WriteFile(updates / "daily.txt", lines);
}

void UpdateQuotes(const fs::path& root, const Size& size) {
    const fs::path setup = root / "setup";
    WriteUpdateSetup(setup, size);
    const fs::path cli = fs::read_symlink("/proc/self/exe").parent_path() / "ticksmith-cli";
    const fs::path copy = root / "run";
    const auto fresh = [&] {
        fs::remove_all(copy);
        fs::copy(setup, copy, fs::copy_options::recursive);
    };
    std::string portfolios;
    for (int p = 0; p < size.updatePortfolios; ++p) {
        portfolios += " '" + (copy / ("P" + std::to_string(p))).string() + "'";
    }
    const std::string command = "cd '" + copy.string() + "' && '" + cli.string() +
                                "' --settings '" + (root / "cli.ini").string() + "' update" +
                                portfolios + " > /dev/null 2>&1";
    std::vector<double> cliTimes;
    std::vector<double> windowTimes;
    std::vector<double> refreshRates;
    for (int run = 0; run <= size.runs; ++run) {
        fresh();
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            Fail("ticksmith-cli update failed: " + command);
        }
        const double cliTime = Milliseconds(Clock::now() - start);

        fresh();
        OpenedFrame opened(copy);
        if (static_cast<int>(opened.View().State().portfolios.size()) != size.updatePortfolios) {
            Fail("the window listed " + std::to_string(opened.View().State().portfolios.size()) +
                 " portfolios");
        }
        QEventLoop loop;
        QObject::connect(&opened.View(), &app::CTicksmithView::UpdateDone, &loop,
                         &QEventLoop::quit);
        QTimer::singleShot(kWaitLimitMilliseconds, &loop,
                           [] { Fail("Update Quotes did not finish in time"); });
        const auto windowStart = Clock::now();
        opened.View().Execute(app::CommandId::kUpdateQuotes);
        loop.exec();
        const double windowTime = Milliseconds(Clock::now() - windowStart);
        if (opened.View().LastUpdateTexts().Text(0).rfind(
                std::to_string(size.updatePortfolios * size.symbols) + " ", 0) != 0) {
            Fail("the window's run added " + opened.View().LastUpdateTexts().Text(0));
        }
        if (run == 0) {
            continue;  // warms the caches
        }
        cliTimes.push_back(cliTime);
        windowTimes.push_back(windowTime);
        refreshRates.push_back(static_cast<double>(opened.View().LastUpdateRefreshes()) /
                               (windowTime / 1000.0));
    }
    fs::remove_all(copy);
    char title[96];
    std::snprintf(title, sizeof title, "Update Quotes, %d portfolios x %d symbols",
                  size.updatePortfolios, size.symbols);
    PrintHeading(title);
    PrintFigure("ticksmith-cli update (a process, start to exit)", Median(cliTimes));
    std::printf("%-52s %10.2f %9.2fx  %s\n", "from the window: F2 until UpdateDone (ratio to CLI)",
                Median(windowTimes), Median(windowTimes) / Median(cliTimes), "1.1x");
    std::printf("%-52s %10.1f %10s  %s\n", "\"Updating Quotes\" refreshed per second",
                Median(refreshRates), "", ">= 10");
}

// What an earlier timing wrote reaches the disk before the next starts.
void Settle() {
    ::sync();
}

// A vendor's history, oldest first, one day a line.
std::string History(int lines) {
    std::string text;
    store::DayNumber day = store::DayNumberFromYmd(1990, 1, 2);
    char line[128];
    for (int i = 0; i < lines; ++i, ++day) {
        const double close = 20.0 + (i % 97) * 0.25;
        const int length = std::snprintf(line, sizeof line, "%s,%.2f,%.2f,%.2f,%.2f,%d,%d\r\n",
                                         store::FormatDateText(day, 4, '/').c_str(), close - 0.1,
                                         close + 0.5, close - 0.5, close, 1000 + i, i);
        text.append(line, static_cast<std::size_t>(length));
    }
    return text;
}

// Import from ASCII as a person fills it for a batch: the files chosen together, a new
// portfolio, the histories' date format. The end's summary must say every file came in.
class BatchImportDialogs : public StrictDialogs {
  public:
    BatchImportDialogs(QStringList files, const fs::path& portfolio, int lines)
        : m_files(std::move(files)),
          m_portfolio(QString::fromStdString(portfolio.string())),
          m_expected(std::to_string(m_files.size()) + " of " + std::to_string(m_files.size()) +
                     " files imported: " + std::to_string(m_files.size()) + " symbols with " +
                     std::to_string(static_cast<long long>(m_files.size()) * lines) + " quotes.") {}

    int Exec(QDialog& dialog) override {
        dialog.findChild<QLineEdit*>("outputDirectoryEdit")->setText(m_portfolio);
        dialog.findChild<QRadioButton*>("newMasterRadio")->setChecked(true);
        auto* format = dialog.findChild<QComboBox*>("dateFormatCombo");
        format->setCurrentIndex(format->findText("MM_DD_CCYY"));
        dialog.findChild<QPushButton*>("inputBrowseButton")->click();
        dialog.findChild<QPushButton*>("okButton")->click();
        return dialog.result();
    }
    QStringList OpenFileNames(QWidget*, const QString&, const QString&, const QString&) override {
        return m_files;
    }
    QMessageBox::StandardButton Message(QWidget*, QMessageBox::Icon, const QString&,
                                        const QString& text, QMessageBox::StandardButtons,
                                        QMessageBox::StandardButton) override {
        if (text.toStdString() != m_expected) {
            Fail("the batch import ended with: " + text.toStdString());
        }
        return QMessageBox::Ok;
    }

  private:
    QStringList m_files;
    QString m_portfolio;
    std::string m_expected;
};

void BatchImport(const fs::path& root, const Size& size) {
    const fs::path inputs = root / "in";
    fs::create_directories(inputs);
    const std::string history = History(size.importLines);
    std::vector<QStringList> batches;
    for (int f = 0; f < size.importFiles; ++f) {
        if (f % kImportPerPortfolio == 0) {
            batches.emplace_back();
        }
        const fs::path file = inputs / ("S" + std::to_string(f) + ".TXT");
        bench::WriteFile(file, history);
        batches.back() << QString::fromStdString(file.string());
    }
    const fs::path cli = fs::read_symlink("/proc/self/exe").parent_path() / "ticksmith-cli";
    const fs::path out = root / "out";
    std::vector<double> cliTimes;
    std::vector<double> windowTimes;
    for (int run = 0; run <= size.runs; ++run) {
        fs::remove_all(out);
        double cliTime = 0;
        for (std::size_t b = 0; b < batches.size(); ++b) {
            const fs::path portfolio = out / ("C" + std::to_string(b));
            fs::create_directories(portfolio);
            std::string command = "cd '" + root.string() + "' && '" + cli.string() +
                                  "' --settings '" + (root / "cli.ini").string() + "' import";
            for (const QString& file : batches[b]) {
                command += " '" + file.toStdString() + "'";
            }
            command +=
                " '" + portfolio.string() +
                "' --symbol-from-name --new-master --date-format MM_DD_CCYY > /dev/null 2>&1";
            Settle();
            const auto start = Clock::now();
            if (std::system(command.c_str()) != 0) {
                Fail("ticksmith-cli import failed");
            }
            cliTime += Milliseconds(Clock::now() - start);
        }
        OpenedFrame opened(root);
        double windowTime = 0;
        for (std::size_t b = 0; b < batches.size(); ++b) {
            const fs::path portfolio = out / ("W" + std::to_string(b));
            fs::create_directories(portfolio);
            BatchImportDialogs dialogs(batches[b], portfolio, size.importLines);
            const app::ScopedDialogSeam seam(dialogs);
            Settle();
            const auto start = Clock::now();
            opened.View().Execute(app::CommandId::kImport);
            windowTime += Milliseconds(Clock::now() - start);
        }
        if (run == 0) {
            continue;  // warms the caches
        }
        cliTimes.push_back(cliTime);
        windowTimes.push_back(windowTime);
    }
    fs::remove_all(out);
    char title[96];
    std::snprintf(title, sizeof title, "Batch import, %d files of %d lines", size.importFiles,
                  size.importLines);
    PrintHeading(title);
    PrintFigure("ticksmith-cli import (processes, start to exit)", Median(cliTimes));
    std::printf("%-52s %10.2f %9.2fx  %s\n", "from the window: OK until the summary (to CLI)",
                Median(windowTimes), Median(windowTimes) / Median(cliTimes), "1.1x");
}

}  // namespace

int main(int argc, char** argv) {
    bench::ProgramName() = "ticksmith_window_bench";
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    const bool importOnly = argc > 1 && std::string(argv[1]) == "--import";
    const Size size = quick ? kQuick : kFull;
    // No display is needed, nor wanted: the figures are of the program, not of a screen.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    StrictDialogs dialogs;
    const app::ScopedDialogSeam seam(dialogs);
    bench::StrictMessenger messenger;

    std::string pattern = (fs::temp_directory_path() / "ticksmith-window-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot create a temporary directory");
    }
    const fs::path root = pattern;
    std::cout << "Generating into " << root.string() << "..." << std::endl;
    // Shared cores stretch every figure: the load says how much to trust them.
    std::ifstream loadFile("/proc/loadavg");
    std::string load;
    std::getline(loadFile, load);
    std::cout << "load average: " << load << std::endl;
    // Each part has a tree of its own, so that each scan finds only its portfolios.
    if (!importOnly) {
        QuoteGridAll(root / "quotes", size, messenger);
        SymbolGrid(root / "symbols", size, messenger);
        StartUp(root / "startup", size, messenger);
        UpdateQuotes(root / "update", size);
    }
    BatchImport(root / "import", size);
    fs::remove_all(root);
    return 0;
}
