// Export to ASCII (one symbol, or every symbol into a folder) and the Split Search window,
// driven as a person would, checked through the files and the grids.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/split_search_window.h"
#include "ascii/export.h"
#include "ascii/split_search.h"
#include "store/master.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

std::string Text(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The scripted dialogs, with the file choosers answered too.
class ChoosingDialogs : public app::DialogSeam {
  public:
    explicit ChoosingDialogs(ScriptedDialogs& scripted) : m_scripted(scripted) {}

    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        if (onMessage) {
            onMessage(text.toStdString());
        }
        return m_scripted.Message(parent, icon, title, text, buttons, defaultButton);
    }
    int Exec(QDialog& dialog) override { return m_scripted.Exec(dialog); }
    QString ExistingDirectory(QWidget*, const QString&, const QString& start) override {
        starts.push_back(start.toStdString());
        return Next();
    }
    QString SaveFileName(QWidget*, const QString&, const QString& start, const QString&) override {
        starts.push_back(start.toStdString());
        return Next();
    }

    std::deque<QString> chosen;
    std::vector<std::string> starts;
    std::function<void(const std::string&)> onMessage;

  private:
    QString Next() {
        if (chosen.empty()) {
            return {};
        }
        QString next = chosen.front();
        chosen.pop_front();
        return next;
    }

    ScriptedDialogs& m_scripted;
};

class ExportSplitTest : public testing::Test, public WindowFixture {
  protected:
    // A holds FLAT, SPL (splits 2 for 1 before quotes 40 and 90 of 100) and ZONE (a single
    // quote); B holds OTHER (a split before quote 50 of 60).
    void SetUp() override {
        fs::create_directories(Portfolio("A"));
        fs::create_directories(Portfolio("B"));
        AddSeries(Portfolio("A"), "SPL", 100, {40, 90});
        AddSymbol(Portfolio("A"), "FLAT", 60);
        AddSymbol(Portfolio("A"), "ZONE", 1);
        AddSeries(Portfolio("B"), "OTHER", 60, {50});
    }

    static void AddSeries(const fs::path& dir, const std::string& symbol, int count,
                          const std::vector<int>& splits) {
        const int number = AddSymbol(dir, symbol, count);
        std::vector<store::Quote> quotes;
        float scale = 1.0f;
        for (int i = 0; i < count; ++i) {
            if (std::find(splits.begin(), splits.end(), i) != splits.end()) {
                scale /= 2;
            }
            store::Quote quote = SampleQuote(i);
            quote.open *= scale;
            quote.high *= scale;
            quote.low *= scale;
            quote.close *= scale;
            quotes.push_back(quote);
        }
        WriteBytes(dir / store::DataFileName(number),
                   DataFile(quotes, store::LayoutOf(store::kStandardFields), 28));
    }

    // What the export writes for a symbol, from the core's reader and line formatter.
    std::string Expected(const fs::path& dir, const std::string& symbol,
                         const ascii::ExportChoices& choices) {
        store::QuoteSeries series;
        EXPECT_EQ(store::AllocSeries(series, 16000), store::kSuccess);
        EXPECT_EQ(store::ReadSeries(series, dir, symbol, 0, -1), store::kSuccess);
        std::string text = choices.title ? ascii::ExportTitleLine(choices) : std::string();
        std::vector<store::Quote> quotes = series.quotes;
        if (choices.newestFirst) {
            std::reverse(quotes.begin(), quotes.end());
        }
        for (const store::Quote& quote : quotes) {
            ascii::AppendExportLine(quote, choices, text);
        }
        store::FreeSeries(series);
        return text;
    }

    void Run(CommandId id, ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        View().Execute(id);
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "the command showed no dialog";
    }

    app::SplitSearchWindow* SplitWindow() { return frame->findChild<app::SplitSearchWindow*>(); }

    std::vector<std::string> Listed(app::SplitSearchWindow& window) {
        auto* list = window.findChild<QListWidget*>("resultsList");
        std::vector<std::string> texts;
        for (int row = 0; row < list->count(); ++row) {
            texts.push_back(list->item(row)->text().toStdString());
        }
        return texts;
    }

    void SearchAndWait(app::SplitSearchWindow& window) {
        QSignalSpy done(&window, &app::SplitSearchWindow::SearchDone);
        window.findChild<QPushButton*>("searchButton")->click();
        ASSERT_TRUE(done.wait(10000));
    }

    ChoosingDialogs choosing{dialogs};
    app::ScopedDialogSeam choosingSeam{choosing};
};

void Tick(QDialog& dialog, const char* name, bool on) {
    auto* box = dialog.findChild<QAbstractButton*>(name);
    ASSERT_NE(box, nullptr) << name;
    box->setChecked(on);
}

TEST_F(ExportSplitTest, ExportAsksBeforeReplacingAndWritesTheSymbolWhole) {
    Open();
    ASSERT_EQ(View().State().currentSymbol, "FLAT");
    const fs::path out = root.path() / "flat.txt";
    ascii::ExportChoices choices;
    Run(CommandId::kExport, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Export Historical Quotes to ASCII File");
        auto* file = dialog.findChild<QLineEdit*>("fileEdit");
        EXPECT_EQ(file->text(), "output.txt");
        EXPECT_EQ(file->maxLength(), 200);
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("openCheck")->isChecked());
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("commaRadio")->isChecked());
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("folderEdit")->isEnabled());
        Type(dialog, "fileEdit", "");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "Please enter a name");
        EXPECT_TRUE(Focused(dialog, "fileEdit"));
        // Browse: the chosen name gets the text extension.
        choosing.chosen.push_back(QString::fromStdString((root.path() / "flat").string()));
        Click(dialog, "browseButton");
        EXPECT_EQ(file->text().toStdString(), out.string());
        Tick(dialog, "openCheck", false);
        Tick(dialog, "volumeCheck", false);
        Tick(dialog, "newestRadio", true);
        Tick(dialog, "tabRadio", true);
        Tick(dialog, "titleCheck", true);
        return Click(dialog, "okButton");
    });
    choices.outputPath = out.string();
    choices.useOpen = choices.useVolume = false;
    choices.newestFirst = choices.title = true;
    choices.delimiter = 1;
    const std::string written = Expected(Portfolio("A"), "FLAT", choices);
    EXPECT_EQ(written.substr(0, 22), "DATE\tHIGH\tLOW\tCLOSE\tOI");
    EXPECT_EQ(Text(out), written);
    EXPECT_EQ(ascii::ReadExportChoices(store), choices);

    // No keeps the old file and the remembered choices; Yes replaces a longer file whole.
    WriteBytes(out, std::string(20000, 'x'));
    const auto stored = store.Values();
    dialogs.buttonAnswers.push_back(QMessageBox::No);
    Run(CommandId::kExport, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>("fileEdit")->text().toStdString(), out.string());
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("newestRadio")->isChecked());
        Tick(dialog, "titleCheck", false);
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(dialogs.messages.back(),
              out.string() + "\nThis file already exists\n\nReplace existing file?");
    EXPECT_EQ(Text(out), std::string(20000, 'x'));
    EXPECT_EQ(store.Values(), stored);
    dialogs.buttonAnswers.push_back(QMessageBox::Yes);
    Run(CommandId::kExport, [&](QDialog& dialog) { return Click(dialog, "okButton"); });
    EXPECT_EQ(Text(out), written);

    // Cancel writes nothing.
    fs::remove(out);
    Run(CommandId::kExport, [&](QDialog& dialog) { return Click(dialog, "cancelButton"); });
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(ExportSplitTest, ExportsEverySymbolIntoAChosenFolder) {
    Open();
    const fs::path folder = root.path() / "exported";
    fs::create_directories(folder);
    Run(CommandId::kExport, [&](QDialog& dialog) {
        Tick(dialog, "allSymbolsCheck", true);
        EXPECT_FALSE(dialog.findChild<QLineEdit*>("fileEdit")->isEnabled());
        Type(dialog, "folderEdit", "");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "Please enter a name");
        EXPECT_TRUE(Focused(dialog, "folderEdit"));
        choosing.chosen.push_back(QString::fromStdString(folder.string()));
        Click(dialog, "folderBrowseButton");
        Tick(dialog, "oldestRadio", true);
        return Click(dialog, "okButton");
    });
    const ascii::ExportChoices choices;
    for (const char* symbol : {"SPL", "FLAT", "ZONE"}) {
        EXPECT_EQ(Text(folder / (std::string(symbol) + ".txt")),
                  Expected(Portfolio("A"), symbol, choices))
            << symbol;
    }
    EXPECT_EQ(platform::ListDirectory(folder).size(), 3u);
    // The remembered output file is the one the file field held.
    EXPECT_EQ(ascii::ReadExportChoices(store).outputPath, "output.txt");

    // Existing files are asked about once; No leaves the folder as it was.
    const auto before = Snapshot(folder);
    dialogs.buttonAnswers.push_back(QMessageBox::No);
    Run(CommandId::kExport, [&](QDialog& dialog) {
        Tick(dialog, "allSymbolsCheck", true);
        Type(dialog, "folderEdit", QString::fromStdString(folder.string()));
        Tick(dialog, "titleCheck", true);
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(dialogs.messages.back(),
              folder.string() + "\n3 of the files already exist\n\nReplace existing files?");
    EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(ExportSplitTest, SplitSearchListsSavesAndShowsCandidates) {
    viewSettings.displayRecent = true;
    Open();
    View().Execute(CommandId::kSplitSearch);
    app::SplitSearchWindow* window = SplitWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Split Search");
    EXPECT_FALSE(window->isModal());
    EXPECT_FALSE(window->findChild<QPushButton*>("saveAsButton")->isEnabled());
    // One at a time.
    EXPECT_FALSE(app::IsEnabled(CommandId::kSplitSearch, View().Context()));
    View().Execute(CommandId::kSplitSearch);
    EXPECT_EQ(frame->findChildren<app::SplitSearchWindow*>().size(), 1);

    // SPL's candidates are listed while the search still runs: the worker waits on ZONE's
    // message, which comes after them.
    std::vector<std::string> listedAtMessage;
    bool searchingAtMessage = false;
    choosing.onMessage = [&](const std::string&) {
        QCoreApplication::processEvents();
        listedAtMessage = Listed(*window);
        searchingAtMessage = window->IsSearching();
    };
    SearchAndWait(*window);
    choosing.onMessage = nullptr;
    const auto candidate = [](int quote) {
        return ascii::SplitCandidateText("SPL", {2, 1}, SampleQuote(quote).date);
    };
    const std::vector<std::string> found = {candidate(40), candidate(90)};
    EXPECT_EQ(Listed(*window), found);
    EXPECT_TRUE(searchingAtMessage);
    EXPECT_EQ(listedAtMessage, found);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{
                  "For symbol ZONE\nSplitSearch cannot perform search\nas there are fewer than 2 "
                  "quotes."});
    EXPECT_EQ(window->findChild<QLabel*>("statusLabel")->text(), "Done search");
    EXPECT_TRUE(window->findChild<QPushButton*>("saveAsButton")->isEnabled());

    // Save As writes the list; a second search appends to it.
    const fs::path saved = root.path() / "result.txt";
    choosing.chosen.push_back(QString::fromStdString((root.path() / "result").string()));
    window->findChild<QPushButton*>("saveAsButton")->click();
    EXPECT_EQ(Text(saved), found[0] + "\r\n" + found[1] + "\r\n");

    // The other portfolio's split, searched while it is current.
    EXPECT_TRUE(View().State().OpenPortfolio(Portfolio("B").string(), View().Messenger()));
    View().FillSymbolsGrid(0);
    SearchAndWait(*window);
    const std::string other = ascii::SplitCandidateText("OTHER", {2, 1}, SampleQuote(50).date);
    EXPECT_EQ(Listed(*window).back(), other);

    // A double-click goes back to A, selects SPL and the split's quote row: quote 40 is older
    // than the recent 30, so all quotes are shown.
    auto* list = window->findChild<QListWidget*>("resultsList");
    const QRect first = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, first.center());
    const portfolio::ViewState& state = View().State();
    EXPECT_EQ(state.current.portfolioDir, Portfolio("A").string());
    EXPECT_EQ(state.currentSymbol, "SPL");
    EXPECT_FALSE(state.settings.displayRecent);
    EXPECT_EQ(state.SelectedQuoteDay(), SampleQuote(40).date);
    EXPECT_EQ(Grid("symbolGrid")->selectionModel()->currentIndex().row(), state.SymbolRowOf("SPL"));
    EXPECT_EQ(Grid("quoteGrid")->selectionModel()->currentIndex().row(), state.selectedQuoteRow);
    window->ShowCandidate(2);
    EXPECT_EQ(state.currentSymbol, "OTHER");
    EXPECT_EQ(state.SelectedQuoteDay(), SampleQuote(50).date);

    // Closing lets the command open a window again.
    window->findChild<QPushButton*>("closeButton")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(SplitWindow(), nullptr);
    EXPECT_TRUE(app::IsEnabled(CommandId::kSplitSearch, View().Context()));
}

// Closing the window during a search stops the search and waits for it; a message the
// worker waits on meanwhile is still answered.
TEST_F(ExportSplitTest, ClosingDuringASearchStopsIt) {
    for (int i = 0; i < 40; ++i) {
        AddSeries(Portfolio("A"), "LONG" + std::to_string(i), 5000, {100});
    }
    Open();
    View().Execute(CommandId::kSplitSearch);
    QPointer<app::SplitSearchWindow> window = SplitWindow();
    ASSERT_NE(window, nullptr);
    window->findChild<QPushButton*>("searchButton")->click();
    window->findChild<QPushButton*>("closeButton")->click();
    EXPECT_FALSE(window->IsSearching());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window, nullptr);
    EXPECT_TRUE(app::IsEnabled(CommandId::kSplitSearch, View().Context()));
}

}  // namespace
}  // namespace ticksmith::test
