// The Quotes menu's dialogs and Symbol > About, filled as a person would: what reaches the data
// files, what the grids show afterwards, and that a refused form changes no byte.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/date_edit.h"
#include "portfolio/grid_format.h"
#include "portfolio/quote_commands.h"
#include "settings/settings_support.h"
#include "store/master.h"
#include "store/quotes.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

constexpr int kQuotes = 40;

std::string DateOf(int quote) {
    return portfolio::DateText(SampleQuote(quote).date);
}

template <typename Widget = QLineEdit>
Widget* Child(QDialog& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

QString LabelText(QDialog& dialog, const char* name) {
    return Child<QLabel>(dialog, name)->text();
}

// Replaces a field's text by typing, as a person selecting it all first would.
void Type(QDialog& dialog, const char* name, const QString& text) {
    QLineEdit* edit = Child(dialog, name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

void Click(QDialog& dialog, const char* name) {
    QTest::mouseClick(Child<QPushButton>(dialog, name), Qt::LeftButton);
}

class QuoteDialogsTest : public testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        fs::create_directories(m_dir);
        m_number = AddSymbol(m_dir, "AAA", kQuotes);
        AddSymbol(m_dir, "BBB", 3);
        Open();
    }

    void Run(CommandId id) { frame->Action(id)->trigger(); }
    void SelectQuote(int row) { Grid("quoteGrid")->selectRow(row); }
    void SelectQuoteOf(int quote) { SelectQuote(kQuotes - 1 - quote); }

    std::vector<store::Quote> Quotes() const {
        store::QuoteSeries series;
        EXPECT_EQ(store::AllocSeries(series, 1000), store::kSuccess);
        EXPECT_EQ(store::ReadSeries(series, m_dir, "AAA", 0, -1), store::kSuccess);
        return series.quotes;
    }

    // Answers the next dialog: `fill` acts on it as a person; the dialog's own result counts.
    void Answer(std::function<void(QDialog&)> fill) {
        dialogs.dialogAnswers.push_back([fill](QDialog& dialog) {
            dialog.show();
            fill(dialog);
            return dialog.result();
        });
    }

    // Clicks OK on a form that must refuse its input: it stays open with the focus on
    // `field`, the message shown, and the files untouched.
    void ExpectRefused(QDialog& dialog, const char* field, const std::string& message) {
        const std::size_t shown = dialogs.messages.size();
        Click(dialog, "okButton");
        EXPECT_EQ(dialog.result(), QDialog::Rejected) << "the dialog closed on " << field;
        ASSERT_EQ(dialogs.messages.size(), shown + 1) << field;
        EXPECT_EQ(dialogs.messages.back().substr(0, message.size()), message);
        EXPECT_EQ(dialog.focusWidget(), Child<QWidget>(dialog, field));
        EXPECT_EQ(Snapshot(m_dir), m_before) << field;
    }

    fs::path m_dir = Portfolio("Stocks");
    int m_number = 0;
    std::map<std::string, Bytes> m_before;
};

TEST_F(QuoteDialogsTest, DateEditOverwritesDigitsAndKeepsItsShape) {
    app::DateEdit edit;
    edit.SetDate("06/15/04");
    EXPECT_EQ(edit.maxLength(), 8);
    QTest::keyClicks(&edit, "0701");
    EXPECT_EQ(edit.text(), "07/01/04");
    QTest::keyClicks(&edit, "99");
    QTest::keyClicks(&edit, "1");  // back to the month
    EXPECT_EQ(edit.text(), "17/01/99");
    // Letters, blanks and editing keys leave it as it is.
    QTest::keyClicks(&edit, "a -");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Delete);
    QTest::keyClick(&edit, Qt::Key_Left);
    EXPECT_EQ(edit.text(), "17/01/99");
    // A digit on a slash is refused and the day is the next place typed.
    edit.setCursorPosition(5);
    QTest::keyClicks(&edit, "2");
    EXPECT_EQ(edit.text(), "17/01/99");
    QTest::keyClicks(&edit, "2");
    EXPECT_EQ(edit.text(), "17/21/99");
    // What a paste or a cut would make of it is refused as well.
    edit.selectAll();
    edit.insert("12/3");
    edit.cut();
    EXPECT_EQ(edit.text(), "17/21/99");
}

TEST_F(QuoteDialogsTest, EditNavigatesAcrossRecentAndRefusesValuesThatAreNotNumbers) {
    SelectQuote(2);
    m_before = Snapshot(m_dir);
    Answer([this](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit Selected Quote");
        EXPECT_TRUE(Child<QPushButton>(dialog, "okButton")->isDefault());
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(kQuotes - 3));
        EXPECT_EQ(Child(dialog, "volumeEdit")->text(), "38000.0000");
        EXPECT_EQ(Child(dialog, "openEdit")->maxLength(), 16);
        Click(dialog, "lastButton");
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(kQuotes - 1));
        EXPECT_FALSE(Child<QPushButton>(dialog, "nextButton")->isEnabled());
        // The 30 newest rows of RECENT end at row 29; going on shows all quotes first.
        for (int row = 0; row < 30; ++row) {
            Click(dialog, "previousButton");
        }
        EXPECT_EQ(Grid("quoteGrid")->model()->rowCount(), kQuotes);
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(kQuotes - 31));
        Click(dialog, "firstButton");
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(0));
        EXPECT_FALSE(Child<QPushButton>(dialog, "previousButton")->isEnabled());
        EXPECT_FALSE(Child<QPushButton>(dialog, "firstButton")->isEnabled());
        Click(dialog, "nextButton");
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(1));

        Type(dialog, "highEdit", "12,5");
        ExpectRefused(dialog, "highEdit", "The High value \"12,5\" is not a number.");
        Type(dialog, "highEdit", "12.5");
        Type(dialog, "openInterestEdit", "");
        ExpectRefused(dialog, "openInterestEdit", "The Open Interest value \"\" is not");
        Type(dialog, "openInterestEdit", "7");
        Click(dialog, "okButton");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    Run(CommandId::kQuoteEdit);

    const auto quotes = Quotes();
    EXPECT_EQ(quotes[1].high, 12.5f);
    EXPECT_EQ(quotes[1].openInterest, 7.0f);
    EXPECT_EQ(quotes[1].close, SampleQuote(1).close);
    EXPECT_EQ(quotes[2].high, SampleQuote(2).high);
    EXPECT_EQ(store.ReadString("Edit", "Hi", ""), "12.5");
    // The grid shows all quotes now, refilled with the newest selected.
    EXPECT_EQ(Row("quoteGrid", kQuotes - 2)[2], "12.5000");
    EXPECT_EQ(View().State().selectedQuoteRow, 0);
    EXPECT_FALSE(frame->Action(CommandId::kRecentAll)->isChecked());
}

TEST_F(QuoteDialogsTest, SplitRefusesABadDateOrRatioAndRescalesBeforeItsDate) {
    SelectQuoteOf(20);
    m_before = Snapshot(m_dir);
    Answer([this](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Split Data");
        EXPECT_EQ(Child(dialog, "splitDateEdit")->text().toStdString(), DateOf(20));
        EXPECT_EQ(Child(dialog, "newSharesEdit")->text(), "1");
        EXPECT_EQ(Child(dialog, "oldSharesEdit")->maxLength(), 5);
        QLineEdit* date = Child(dialog, "splitDateEdit");
        QTest::keyClicks(date, "13");
        ExpectRefused(dialog, "splitDateEdit", "The split date \"13/");
        date->selectAll();
        QTest::keyClicks(date, "01");  // the month again: the date as it was
        for (const char* ratio : {"0", "-2", "two"}) {
            Type(dialog, "newSharesEdit", ratio);
            ExpectRefused(dialog, "newSharesEdit", "New Shares and Old Shares must");
        }
        Type(dialog, "newSharesEdit", "2");
        Type(dialog, "oldSharesEdit", "0");
        ExpectRefused(dialog, "oldSharesEdit", "New Shares and Old Shares must");
        Type(dialog, "oldSharesEdit", "1");
        Click(dialog, "okButton");
    });
    Run(CommandId::kQuoteSplit);

    const auto quotes = Quotes();
    EXPECT_EQ(quotes[19].close, SampleQuote(19).close / 2);
    EXPECT_EQ(quotes[19].volume, SampleQuote(19).volume * 2);
    EXPECT_EQ(quotes[0].openInterest, SampleQuote(0).openInterest * 2);
    EXPECT_EQ(quotes[20].close, SampleQuote(20).close);
    EXPECT_EQ(quotes[20].volume, SampleQuote(20).volume);
    EXPECT_EQ(store.ReadString("Split", "New", ""), "2");
    EXPECT_EQ(View().State().selectedQuoteRow, 0);
}

TEST_F(QuoteDialogsTest, AdjustRefusesDatesOutsideTheSeriesAndZeroMultipliers) {
    m_before = Snapshot(m_dir);
    Answer([this](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Adjust Data");
        EXPECT_EQ(Child(dialog, "fromEdit")->text().toStdString(), DateOf(0));
        EXPECT_EQ(Child(dialog, "toEdit")->text().toStdString(), DateOf(kQuotes - 1));
        EXPECT_EQ(Child(dialog, "priceEdit")->maxLength(), 8);
        // 12/31/99 is the day before the first quote.
        QTest::keyClicks(Child(dialog, "fromEdit"), "123199");
        ExpectRefused(dialog, "fromEdit", "Invalid Data Entered");
        Child<app::DateEdit>(dialog, "fromEdit")->SetDate(QString::fromStdString(DateOf(7)));
        Type(dialog, "volumeEdit", "0");
        ExpectRefused(dialog, "volumeEdit", "Invalid Data Entered");
        Type(dialog, "volumeEdit", "x");
        ExpectRefused(dialog, "volumeEdit", "Invalid Data Entered");
        Type(dialog, "volumeEdit", "3");
        Child<app::DateEdit>(dialog, "toEdit")->SetDate(QString::fromStdString(DateOf(7)));
        Type(dialog, "priceEdit", "0.5");
        Click(dialog, "okButton");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    });
    Run(CommandId::kQuoteAdjust);

    const auto quotes = Quotes();
    EXPECT_EQ(quotes[7].open, SampleQuote(7).open * 0.5f);
    EXPECT_EQ(quotes[7].volume, SampleQuote(7).volume * 3);
    EXPECT_EQ(quotes[7].openInterest, SampleQuote(7).openInterest);
    EXPECT_EQ(quotes[6].open, SampleQuote(6).open);
    EXPECT_EQ(quotes[8].volume, SampleQuote(8).volume);
    EXPECT_EQ(store.ReadString("Adjust", "Date1", ""), DateOf(7));
}

TEST_F(QuoteDialogsTest, DeleteThenAddRestoresTheDayAndEditsTheCopy) {
    // Friday, quote 34: No keeps it, Yes deletes it.
    SelectQuoteOf(34);
    m_before = Snapshot(m_dir);
    dialogs.dialogAnswers.push_back([this](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Delete Data");
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(34));
        EXPECT_TRUE(Child<QPushButton>(dialog, "noButton")->isDefault());
        Click(dialog, "noButton");
        return dialog.result();
    });
    Run(CommandId::kQuoteDelete);
    EXPECT_EQ(Snapshot(m_dir), m_before);
    Answer([](QDialog& dialog) { Click(dialog, "yesButton"); });
    Run(CommandId::kQuoteDelete);
    ASSERT_EQ(Quotes().size(), static_cast<std::size_t>(kQuotes - 1));
    EXPECT_EQ(Quotes()[34].date, SampleQuote(35).date);
    EXPECT_EQ(store.ReadString("Delete", "Date", ""), DateOf(34));

    // The Monday after it offers the Friday; the Edit that follows corrects the copy.
    SelectQuoteOf(35);
    const int mondayRow = View().State().selectedQuoteRow;
    Answer([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Add Data");
        Click(dialog, "okButton");
    });
    Answer([this](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit Selected Quote");
        EXPECT_EQ(LabelText(dialog, "dateLabel").toStdString(), DateOf(34));
        EXPECT_EQ(Child(dialog, "openEdit")->text().toStdString(),
                  portfolio::QuoteValueText(SampleQuote(35).open, false));
        Type(dialog, "closeEdit", "99.5");
        Click(dialog, "okButton");
    });
    Run(CommandId::kQuoteAdd);
    EXPECT_TRUE(dialogs.dialogAnswers.empty());
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{});
    const auto quotes = Quotes();
    ASSERT_EQ(quotes.size(), static_cast<std::size_t>(kQuotes));
    EXPECT_EQ(quotes[34].date, SampleQuote(34).date);
    EXPECT_EQ(quotes[34].open, SampleQuote(35).open);
    EXPECT_EQ(quotes[34].close, 99.5f);
    EXPECT_EQ(quotes[35].close, SampleQuote(35).close);
    EXPECT_EQ(Row("quoteGrid", mondayRow + 1)[4], "99.5000");

    // A Friday that is there already is not offered again.
    SelectQuoteOf(35);
    Run(CommandId::kQuoteAdd);
    EXPECT_EQ(dialogs.messages,
              std::vector<std::string>{"Date " + DateOf(34) + " already exists."});
    EXPECT_EQ(dialogs.dialogTitles.size(), 4u);
}

TEST_F(QuoteDialogsTest, ACommandOnARowThatChangedBehindTheGridChangesNothing) {
    // Another program deletes the selected quote: the delete finds no quote of that day.
    SelectQuoteOf(30);
    {
        portfolio::ViewState other;
        RecordingMessenger quiet;
        settings::MemorySettingsStore otherStore;
        ASSERT_TRUE(other.OpenPortfolio(m_dir.string(), quiet));
        ASSERT_TRUE(other.FillSymbolsGrid(0, quiet));
        ASSERT_TRUE(portfolio::DeleteQuote(other, DateOf(30), otherStore, quiet));
    }
    const fs::path data = m_dir / store::DataFileName(m_number);
    const Bytes dataBefore = ReadBytes(data);
    const Bytes masterBefore = ReadBytes(store::MasterPath(m_dir));
    Answer([](QDialog& dialog) { Click(dialog, "yesButton"); });
    Run(CommandId::kQuoteDelete);
    EXPECT_TRUE(dialogs.Showed("Failure in delete quote for findrec"));
    EXPECT_EQ(dialogs.messages.back(), "Delete Edit Failed");
    EXPECT_EQ(ReadBytes(data), dataBefore);
    EXPECT_EQ(ReadBytes(store::MasterPath(m_dir)), masterBefore);
    // The grids show the file as it is now.
    EXPECT_EQ(Row("quoteGrid", kQuotes - 1 - 31)[0], DateOf(31));
    EXPECT_EQ(Row("quoteGrid", kQuotes - 1 - 30)[0], DateOf(29));

    // AAA's record renamed to BBB ahead of BBB's own: the selected row's symbol now finds
    // another record, and the edit must not land on that one.
    Grid("symbolGrid")->selectRow(1);
    ASSERT_EQ(View().State().currentSymbol, "BBB");
    ASSERT_EQ(store::SetMasterNames(m_dir, m_number, "BBB", "AAA CORP"), store::kSuccess);
    m_before = Snapshot(m_dir);
    dialogs.messages.clear();
    Answer([](QDialog& dialog) {
        Type(dialog, "closeEdit", "1");
        Click(dialog, "okButton");
    });
    Run(CommandId::kQuoteEdit);
    EXPECT_EQ(dialogs.messages.back(), "Single Date Edit Failed");
    EXPECT_GE(dialogs.messages.size(), 2u);
    EXPECT_EQ(Snapshot(m_dir), m_before);
    EXPECT_EQ(Row("symbolGrid", 0)[0], "BBB");
}

TEST_F(QuoteDialogsTest, AboutShowsTheSeriesFacts) {
    Answer([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "About Selected Quote Series");
        EXPECT_EQ(LabelText(dialog, "quoteCountLabel"), QString::number(kQuotes));
        EXPECT_EQ(LabelText(dialog, "firstDateLabel"), "1000103");
        EXPECT_EQ(LabelText(dialog, "periodLabel"), "D Daily");
        EXPECT_EQ(LabelText(dialog, "symbolLabel").trimmed(), "AAA");
        EXPECT_FALSE(LabelText(dialog, "closeInputLabel").isEmpty());
        EXPECT_TRUE(LabelText(dialog, "timeInputLabel").isEmpty());
        Click(dialog, "okButton");
    });
    Run(CommandId::kSymbolAbout);
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"About Selected Quote Series"});
}

}  // namespace
}  // namespace ticksmith::test
