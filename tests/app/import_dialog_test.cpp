// Import from ASCII, filled as a person would: the files checked through the core's readers,
// the window afterwards, and the refusals leaving every file as it was.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "app/import_progress_dialog.h"
#include "ascii/import_support.h"
#include "store/master.h"
#include "store/quotes.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

constexpr const char* kReverseNote =
    "Your original input file will be \nsaved with the extension BAK.\n\nThen the file will be "
    "reversed so\nthe oldest entry is first.";

template <typename Widget>
Widget* Child(QDialog& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

void Type(QDialog& dialog, const char* edit, const QString& text) {
    auto* field = Child<QLineEdit>(dialog, edit);
    field->selectAll();
    field->del();
    QTest::keyClicks(field, text);
}

void Choose(QDialog& dialog, const char* name) {
    Child<QAbstractButton>(dialog, name)->click();
}

void SetColumn(QDialog& dialog, const char* spin, int column) {
    auto* field = Child<QSpinBox>(dialog, spin);
    field->selectAll();
    QTest::keyClicks(field, QString::number(column));
    ASSERT_EQ(field->value(), column) << spin;
}

void ChooseDateFormat(QDialog& dialog, const QString& format) {
    auto* combo = Child<QComboBox>(dialog, "dateFormatCombo");
    combo->setCurrentIndex(combo->findText(format));
    ASSERT_EQ(combo->currentText(), format);
}

// OK; true when the dialog closed.
bool Ok(QDialog& dialog) {
    Choose(dialog, "okButton");
    return !dialog.isVisible();
}

bool Focused(QDialog& dialog, const char* name) {
    const QWidget* field = dialog.findChild<QWidget*>(name);
    QWidget* focus = dialog.focusWidget();
    return field != nullptr && (focus == field || field->isAncestorOf(focus));
}

// Lines of a history with its month as three letters: 15-JAN-2004,open,...
std::string MonthHistory(int count) {
    static const char* const kMonths[] = {"JAN", "feb", "Mar", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += std::to_string(10 + i) + "-" + kMonths[i % 12] + "-2004," + std::to_string(20 + i) +
                ",21,19," + std::to_string(20 + i) + ".5,1000,7\r\n";
    }
    return text;
}

class ImportDialogTest : public testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        fs::create_directories(Portfolio("Stocks"));
        AddSymbol(Portfolio("Stocks"), "ZED", 5);
        fs::create_directories(Portfolio("New"));
        fs::create_directories(Inputs());
    }

    fs::path Inputs() const { return scratch.path(); }
    std::string Input(const std::string& name, const std::string& text) const {
        WriteBytes(Inputs() / name, text);
        return (Inputs() / name).string();
    }

    // Runs Import from ASCII with `fill` acting on the dialog; the dialog's result counts.
    void Import(const std::function<void(QDialog&)>& fill) {
        dialogs.dialogAnswers.push_back([fill](QDialog& dialog) {
            dialog.show();
            fill(dialog);
            return dialog.isVisible() ? QDialog::Rejected : dialog.result();
        });
        View().Execute(CommandId::kImport);
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "the dialog was not shown";
    }

    // The form for `input` into `directory` with the history's layout.
    static void Fill(QDialog& dialog, const std::string& input, const fs::path& directory,
                     const QString& symbol) {
        Type(dialog, "inputPathEdit", QString::fromStdString(input));
        Type(dialog, "outputDirectoryEdit", QString::fromStdString(directory.string()));
        Type(dialog, "symbolEdit", symbol);
        Type(dialog, "nameEdit", symbol + " Inc");
        ChooseDateFormat(dialog, "MM_DD_CCYY");
    }

    static std::vector<store::Quote> Quotes(const fs::path& directory, const std::string& symbol) {
        store::QuoteSeries series;
        EXPECT_EQ(store::AllocSeries(series, 1000), store::kSuccess);
        EXPECT_EQ(store::ReadSeries(series, directory, symbol, 0, -1), store::kSuccess) << symbol;
        series.quotes.resize(static_cast<std::size_t>(series.count));
        return series.quotes;
    }

    static std::vector<std::string> Symbols(const fs::path& directory) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(directory, records), store::kSuccess);
        std::vector<std::string> symbols;
        for (const store::MasterRecord& record : records) {
            symbols.push_back(record.SymbolText());
        }
        return symbols;
    }

    TempDir scratch;
};

TEST_F(ImportDialogTest, ImportsAHistoryIntoANewPortfolioAndThenAnExistingOne) {
    Open();
    const std::string history = Input("hist.txt", ascii::History(40));
    Import([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Import Historical ASCII Quotes");
        // Nothing stored yet: ibm.txt in the working directory, into the working directory.
        EXPECT_EQ(Child<QLineEdit>(dialog, "inputPathEdit")->text().toStdString(),
                  (root.path() / "ibm.txt").string());
        EXPECT_EQ(Child<QLineEdit>(dialog, "outputDirectoryEdit")->text().toStdString(),
                  root.path().string());
        EXPECT_EQ(Child<QComboBox>(dialog, "dateFormatCombo")->currentText(), "MMDDYY");
        EXPECT_TRUE(Child<QRadioButton>(dialog, "existingMasterRadio")->isChecked());
        EXPECT_EQ(Child<QLineEdit>(dialog, "symbolEdit")->maxLength(), 16);
        EXPECT_EQ(Child<QSpinBox>(dialog, "skipRowsSpin")->maximum(), 200);
        EXPECT_EQ(Child<QSpinBox>(dialog, "dateColumnSpin")->maximum(), 20);

        // The enabling rules and the note follow the boxes at once.
        Child<QCheckBox>(dialog, "openCheck")->click();
        EXPECT_FALSE(Child<QSpinBox>(dialog, "openColumnSpin")->isEnabled());
        Child<QCheckBox>(dialog, "openCheck")->click();
        EXPECT_TRUE(Child<QSpinBox>(dialog, "openColumnSpin")->isEnabled());
        EXPECT_FALSE(Child<QSpinBox>(dialog, "skipRowsSpin")->isEnabled());
        Child<QCheckBox>(dialog, "skipRowsCheck")->click();
        SetColumn(dialog, "skipRowsSpin", 3);
        Child<QCheckBox>(dialog, "skipRowsCheck")->click();
        EXPECT_EQ(Child<QSpinBox>(dialog, "skipRowsSpin")->value(), 0);
        EXPECT_FALSE(Child<QSpinBox>(dialog, "skipRowsSpin")->isEnabled());
        Child<QCheckBox>(dialog, "reverseCheck")->click();
        EXPECT_EQ(Child<QLabel>(dialog, "reverseNoteLabel")->text().toStdString(), kReverseNote);
        Child<QCheckBox>(dialog, "reverseCheck")->click();
        EXPECT_TRUE(Child<QLabel>(dialog, "reverseNoteLabel")->text().isEmpty());

        Fill(dialog, history, Portfolio("New"), "new1");
        EXPECT_EQ(Child<QLineEdit>(dialog, "symbolEdit")->text(), "NEW1");  // typed in upper case
        Choose(dialog, "newMasterRadio");
        EXPECT_TRUE(Ok(dialog));
    });
    EXPECT_EQ(Symbols(Portfolio("New")), std::vector<std::string>{"NEW1"});
    const std::vector<store::Quote> quotes = Quotes(Portfolio("New"), "NEW1");
    ASSERT_EQ(quotes.size(), 40U);
    EXPECT_EQ(quotes.front().date, SampleQuote(0).date);
    EXPECT_FLOAT_EQ(quotes.back().close, SampleQuote(39).close);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    // The window shows the new portfolio, added to its list, with the new symbol.
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("New").string());
    EXPECT_EQ(Row("symbolGrid", 0)[0], "NEW1");
    EXPECT_EQ(store.ReadString("Import", "Symbol", ""), "NEW1");

    // Into the existing portfolio: a file newest first behind two heading rows, reversed in
    // place with its original kept as .BAK, the months written as letters.
    std::string newestFirst = "Vendor export\r\nDate,Open,High,Low,Close,Vol,OI\r\n";
    const std::string months = MonthHistory(12);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < months.size();) {
        const std::size_t end = months.find("\r\n", at) + 2;
        lines.insert(lines.begin(), months.substr(at, end - at));
        at = end;
    }
    for (const std::string& line : lines) {
        newestFirst += line;
    }
    const std::string reversed = Input("months.txt", newestFirst);
    Import([&](QDialog& dialog) {
        // The last OK's choices come back.
        EXPECT_EQ(Child<QComboBox>(dialog, "dateFormatCombo")->currentText(), "MM_DD_CCYY");
        EXPECT_TRUE(Child<QRadioButton>(dialog, "newMasterRadio")->isChecked());
        Fill(dialog, reversed, Portfolio("Stocks"), "MON");
        ChooseDateFormat(dialog, "DD_MM_CCYY");
        Choose(dialog, "existingMasterRadio");
        Child<QCheckBox>(dialog, "reverseCheck")->click();
        Child<QCheckBox>(dialog, "skipRowsCheck")->click();
        SetColumn(dialog, "skipRowsSpin", 2);
        Child<QCheckBox>(dialog, "monthsCheck")->click();
        EXPECT_TRUE(Ok(dialog));
    });
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    EXPECT_EQ(Symbols(Portfolio("Stocks")), (std::vector<std::string>{"ZED", "MON"}));
    const std::vector<store::Quote> monthly = Quotes(Portfolio("Stocks"), "MON");
    ASSERT_EQ(monthly.size(), 12U);
    EXPECT_EQ(monthly.front().date, store::DayNumberFromYmd(2004, 1, 10));
    EXPECT_EQ(monthly[1].date, store::DayNumberFromYmd(2004, 2, 11));
    EXPECT_EQ(monthly.back().date, store::DayNumberFromYmd(2004, 12, 21));
    EXPECT_FLOAT_EQ(monthly.back().close, 31.5F);
    EXPECT_EQ(ReadBytes(reversed + ".BAK"), Bytes(newestFirst.begin(), newestFirst.end()));
    EXPECT_EQ(ReadBytes(reversed), Bytes(months.begin(), months.end()));
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("Stocks").string());
    EXPECT_EQ(Row("symbolGrid", 0)[0], "MON");  // the grid sorts by symbol
}

TEST_F(ImportDialogTest, RefusalsKeepTheDialogOpenOnTheFieldAndTouchNoFile) {
    Open();
    const std::string history = Input("hist.txt", ascii::History(10));
    const auto before = Snapshot(root.path());
    const auto inputsBefore = Snapshot(Inputs());
    Import([&](QDialog& dialog) {
        Fill(dialog, history, Portfolio("Stocks"), "ABC");
        const auto refuses = [&](const std::string& message, const char* field) {
            dialogs.messages.clear();
            EXPECT_FALSE(Ok(dialog)) << message;
            EXPECT_EQ(dialogs.messages, std::vector<std::string>{message});
            EXPECT_TRUE(Focused(dialog, field)) << field;
        };
        SetColumn(dialog, "volumeColumnSpin", 1);
        refuses("Duplicate columns specified\nCorrect or disable", "volumeColumnSpin");
        // A cleared field's column takes no part.
        Child<QCheckBox>(dialog, "volumeCheck")->click();
        Type(dialog, "symbolEdit", "   ");
        refuses("You did not enter a valid symbol.", "symbolEdit");
        Type(dialog, "symbolEdit", " abc ");
        Type(dialog, "outputDirectoryEdit", " ");
        refuses("Please enter path to output directory.", "outputDirectoryEdit");
        EXPECT_EQ(Child<QLineEdit>(dialog, "symbolEdit")->text(), "ABC");  // shown back
        Type(dialog, "outputDirectoryEdit", QString::fromStdString(Portfolio("Stocks").string()));
        Type(dialog, "inputPathEdit", "");
        refuses("Please enter path to input file.", "inputPathEdit");
        Type(dialog, "inputPathEdit", QString::fromStdString((Inputs() / "none.txt").string()));
        refuses("The input file does not exist.", "inputPathEdit");
        Type(dialog, "inputPathEdit", QString::fromStdString(history));
        Child<QComboBox>(dialog, "dateFormatCombo")->setEditText("MM/DD");
        refuses("\"MM/DD\" is not one of the date formats.\nChoose a date format from the list.",
                "dateFormatCombo");
        Choose(dialog, "cancelButton");
    });
    // The run's own refusals close the dialog and end in "Conversion failed.".
    const auto failsWith = [&](const fs::path& directory, bool newMaster, const QString& symbol,
                               const std::string& message) {
        dialogs.messages.clear();
        Import([&](QDialog& dialog) {
            Fill(dialog, history, directory, symbol);
            Choose(dialog, newMaster ? "newMasterRadio" : "existingMasterRadio");
            EXPECT_TRUE(Ok(dialog));
        });
        EXPECT_EQ(dialogs.messages, (std::vector<std::string>{message, "Conversion failed."}));
    };
    failsWith(Portfolio("New"), false, "ABC", "Path specified does not point to a Master file");
    failsWith(Portfolio("Stocks"), true, "ABC",
              "New Master chosen but one already exists\nor path: " +
                  store::MasterPath(Portfolio("Stocks")).string() + "\nis suspect.");
    failsWith(Portfolio("Stocks"), false, "zed",
              "Duplicate Symbol Failure\n\nThe symbol you have chosen for\nthe conversion already "
              "exists.\n\nChoose a different symbol or\nrename/delete the existing symbol");
    failsWith(root.path() / "nowhere", false, "ABC", "Path does not exist");
    EXPECT_EQ(Snapshot(root.path()), before);
    EXPECT_EQ(Snapshot(Inputs()), inputsBefore);
}

TEST_F(ImportDialogTest, SeveralFilesAreImportedTogetherAndABadOneIsNamedAtTheEnd) {
    Open();
    const std::vector<std::string> files = {
        Input("aaa.txt", ascii::History(30)),
        Input("bad.txt", "20040115,1,2,3,4,5,6\r\n" + ascii::History(5)),
        Input("ccc.txt", ascii::History(20, 100))};
    const auto before = Snapshot(root.path());
    // One file gone between the choice and OK: the batch is refused whole.
    Input("gone.txt", ascii::History(3));
    std::vector<std::string> withGone = files;
    withGone.push_back((Inputs() / "gone.txt").string());
    const auto choose = [&](QDialog& dialog, const std::vector<std::string>& chosen) {
        QStringList list;
        for (const std::string& file : chosen) {
            list << QString::fromStdString(file);
        }
        dialogs.fileAnswers.push_back(list);
        Choose(dialog, "inputBrowseButton");
    };
    Import([&](QDialog& dialog) {
        Fill(dialog, files.front(), Portfolio("New"), "IGNORED");
        Choose(dialog, "newMasterRadio");
        choose(dialog, withGone);
        EXPECT_EQ(dialogs.fileStarts.back(), files.front());
        EXPECT_TRUE(Child<QLabel>(dialog, "fileCountLabel")->isVisible());
        EXPECT_FALSE(Child<QLineEdit>(dialog, "symbolEdit")->isEnabled());
        fs::remove(Inputs() / "gone.txt");
        EXPECT_FALSE(Ok(dialog));
        EXPECT_EQ(dialogs.messages.back(),
                  (Inputs() / "gone.txt").string() + ":\nThe input file does not exist.");
        EXPECT_EQ(Snapshot(root.path()), before);

        choose(dialog, files);
        EXPECT_TRUE(Ok(dialog));
    });
    // The bad file's first date has no separators: its quotes are added, its run reported
    // failed.
    EXPECT_EQ(Symbols(Portfolio("New")), (std::vector<std::string>{"AAA", "BAD", "CCC"}));
    EXPECT_EQ(Quotes(Portfolio("New"), "AAA").size(), 30U);
    EXPECT_EQ(Quotes(Portfolio("New"), "CCC").front().date, SampleQuote(100).date);
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(Portfolio("New"), records), store::kSuccess);
    EXPECT_EQ(records[0].IssueNameText(), "aaa");
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(),
              "2 of 3 files imported: 3 symbols with 56 quotes.\n\nThese files failed:\n" +
                  files[1] +
                  ": You specified a character-separated date format but only numeric date "
                  "characters were found.");
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("New").string());
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 3);
}

// Stop in "Importing Quotes" ends the batch after the file being imported: what was imported
// stays, and the summary says where the batch stopped.
TEST_F(ImportDialogTest, StopEndsABatchBetweenFiles) {
    Open();
    QStringList files;
    for (int i = 0; i < 200; ++i) {
        files << QString::fromStdString(
            Input("s" + std::to_string(i) + ".txt", ascii::History(300)));
    }
    // Stop, as a person presses it once the first file is in; the poll outlives the dialog.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* progress = qobject_cast<app::ImportProgressDialog*>(window);
            auto* bar = progress == nullptr ? nullptr : progress->findChild<QProgressBar*>();
            if (progress != nullptr && progress->isVisible() && bar->value() >= 1) {
                QTest::keyClick(progress, Qt::Key_Escape);
                poll.stop();
            }
        }
    });
    poll.start(2);
    Import([&](QDialog& dialog) {
        Type(dialog, "outputDirectoryEdit", QString::fromStdString(Portfolio("New").string()));
        Choose(dialog, "newMasterRadio");
        ChooseDateFormat(dialog, "MM_DD_CCYY");
        dialogs.fileAnswers.push_back(files);
        Choose(dialog, "inputBrowseButton");
        EXPECT_TRUE(Ok(dialog));
    });
    const std::vector<std::string> symbols = Symbols(Portfolio("New"));
    EXPECT_GE(symbols.size(), 1U);
    EXPECT_LT(symbols.size(), 200U);
    for (const std::string& symbol : symbols) {
        EXPECT_EQ(Quotes(Portfolio("New"), symbol).size(), 300U) << symbol;
    }
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_NE(dialogs.messages.back().find("Stopped before " +
                                           files[static_cast<int>(symbols.size())].toStdString()),
              std::string::npos)
        << dialogs.messages.back();
}

}  // namespace
}  // namespace ticksmith::test
