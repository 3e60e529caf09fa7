#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <clocale>

#include "app/grid_models.h"
#include "platform/progress.h"
#include "portfolio/discovery.h"
#include "portfolio/grid_format.h"
#include "portfolio/skip_list.h"
#include "settings/window_layout.h"
#include "store/master.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

std::string Newest(int count) {
    return portfolio::DateText(SampleQuote(count - 1).date);
}

class MainWindowTest : public testing::Test, public WindowFixture {
  protected:
    QAction* Action(CommandId id) { return frame->Action(id); }
    std::string Pane(const char* name) {
        return frame->findChild<QLabel*>(name)->text().toStdString();
    }
    std::string Title() { return frame->windowTitle().toStdString(); }
    QListView* List() { return frame->findChild<QListView*>("portfolioList"); }
};

TEST_F(MainWindowTest, GridsShowSortedSymbolsNewestQuotesFirstAndFollowTheSelection) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ZED", 40);
    AddSymbol(stocks, "ABC", 12);
    AddSymbol(stocks, "MID", 2000);
    Open();

    EXPECT_EQ(Row("symbolGrid", 0),
              (std::vector<std::string>{"ABC", "ABC CORP        ", " (none)"}));
    EXPECT_EQ(Row("symbolGrid", 2)[0], "ZED");
    EXPECT_EQ(Title(), "Ticksmith - " + stocks.string() + " - ABC");
    // Twelve quotes under RECENT: all of them, the newest on top and selected.
    EXPECT_EQ(Grid("quoteGrid")->model()->rowCount(), 12);
    EXPECT_EQ(Row("quoteGrid", 0),
              (std::vector<std::string>{Newest(12), "12.7500", "13.7500", "12.2500", "13.2500",
                                        "12000.0000", "11.0000"}));
    EXPECT_EQ(Pane("symbolPane"), "Symbol 1 of 3");
    EXPECT_EQ(Pane("quotePane"), "Quote 12 of 12");
    EXPECT_EQ(Pane("displayPane"), "RECENT");

    // The keyboard moves the selection and the quote grid follows.
    Grid("symbolGrid")->setFocus();
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_Down);
    EXPECT_EQ(Title(), "Ticksmith - " + stocks.string() + " - MID");
    EXPECT_EQ(Pane("symbolPane"), "Symbol 2 of 3");
    EXPECT_EQ(Grid("quoteGrid")->model()->rowCount(), 30);
    EXPECT_EQ(Row("quoteGrid", 0)[0], Newest(2000));
    EXPECT_EQ(Pane("quotePane"), "Quote 30 of 30");

    Action(CommandId::kRecentAll)->trigger();
    EXPECT_EQ(Grid("quoteGrid")->model()->rowCount(), 2000);
    EXPECT_EQ(Pane("quotePane"), "Quote 2000 of 2000");
    EXPECT_EQ(Pane("displayPane"), "ALL");
    EXPECT_FALSE(Action(CommandId::kRecentAll)->isChecked());
    EXPECT_EQ(store.ReadString("Settings", "DisplayLimit", ""), "0");
    EXPECT_EQ(Row("quoteGrid", 1999)[0], portfolio::DateText(SampleQuote(0).date));

    // The oldest row has nothing below it to add after.
    EXPECT_TRUE(Action(CommandId::kQuoteAdd)->isEnabled());
    Grid("quoteGrid")->setFocus();
    QTest::keyClick(Grid("quoteGrid"), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(View().State().selectedQuoteRow, 1999);
    EXPECT_EQ(Pane("quotePane"), "Quote 1 of 2000");
    EXPECT_FALSE(Action(CommandId::kQuoteAdd)->isEnabled());
    EXPECT_TRUE(Action(CommandId::kQuoteEdit)->isEnabled());
    // Only one portfolio: nowhere to move a symbol to.
    EXPECT_FALSE(Action(CommandId::kSymbolMove)->isEnabled());
    EXPECT_FALSE(Action(CommandId::kSymbolCopy)->isEnabled());
}

TEST_F(MainWindowTest, IntegerDisplayAndAGermanLocaleChangeNoNumberWrongly) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ABC", 3);
    viewSettings.volumeAsInteger = true;
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    Open();
    const std::vector<std::string> row = Row("quoteGrid", 0);
    std::setlocale(LC_ALL, previous.c_str());
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(row, (std::vector<std::string>{Newest(3), "10.5000", "11.5000", "10.0000", "11.0000",
                                             "3000", "2.0000"}));
    if (!german) {
        GTEST_SKIP() << "de_DE.UTF-8 is not installed";
    }
}

TEST_F(MainWindowTest, SymbolSkipMarksTheRowAndThePortfolioAndTakesItBack) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ABC", 3);
    const int number = AddSymbol(stocks, "DEF", 3);
    Open();
    Grid("symbolGrid")->setFocus();
    QTest::keyClick(Grid("symbolGrid"), Qt::Key_Down);
    const QModelIndex row = Grid("symbolGrid")->model()->index(1, 0);
    const QModelIndex entry = List()->model()->index(0, 0);
    EXPECT_FALSE(row.data(app::kSkippedRole).toBool());
    EXPECT_FALSE(entry.data(app::kSkippedRole).toBool());

    Action(CommandId::kSymbolSkip)->trigger();
    EXPECT_EQ(ReadBytes(stocks / "SKIPQLDR.SKB").at(static_cast<std::size_t>(number)), 1);
    EXPECT_TRUE(row.data(app::kSkippedRole).toBool());
    EXPECT_TRUE(entry.data(app::kSkippedRole).toBool());
    EXPECT_TRUE(Action(CommandId::kSymbolSkip)->isChecked());
    // The context menu carries the same check.
    const std::unique_ptr<QMenu> menu = View().ContextMenu(app::Place::kSymbolGrid);
    EXPECT_TRUE(menu->actions().at(2)->isChecked());

    Action(CommandId::kSymbolSkip)->trigger();
    EXPECT_EQ(ReadBytes(stocks / "SKIPQLDR.SKB").at(static_cast<std::size_t>(number)), 0);
    EXPECT_FALSE(row.data(app::kSkippedRole).toBool());
    EXPECT_FALSE(entry.data(app::kSkippedRole).toBool());
    EXPECT_FALSE(Action(CommandId::kSymbolSkip)->isChecked());
}

TEST_F(MainWindowTest, EmptyPortfolioAndPortfolioListOrder) {
    fs::create_directories(Portfolio("b-empty"));
    ASSERT_EQ(store::CreateEmptyMaster(Portfolio("b-empty")), store::kSuccess);
    fs::create_directories(Portfolio("A-full"));
    AddSymbol(Portfolio("A-full"), "ABC", 3);
    Open();
    // Sorted without regard to case, the first current.
    ASSERT_EQ(List()->model()->rowCount(), 2);
    EXPECT_EQ(List()->model()->index(0, 0).data().toString().toStdString(),
              Portfolio("A-full").string());
    EXPECT_TRUE(Action(CommandId::kSymbolMove)->isEnabled());

    List()->setCurrentIndex(List()->model()->index(1, 0));
    EXPECT_EQ(Pane("symbolPane"), "No Symbols Read");
    EXPECT_EQ(Pane("quotePane"), "No Quotes Read");
    EXPECT_EQ(Title(), "Ticksmith - " + Portfolio("b-empty").string() + " - (no symbols)");
    EXPECT_FALSE(Action(CommandId::kSymbolMove)->isEnabled());
    EXPECT_FALSE(Action(CommandId::kSymbolDelete)->isEnabled());
    EXPECT_TRUE(Action(CommandId::kSymbolAdd)->isEnabled());
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
}

TEST_F(MainWindowTest, ADamagedMasterIsRepairedOnlyWhenTheFixDialogIsAnsweredOk) {
    const fs::path stocks = Portfolio("Stocks");
    fs::create_directories(stocks);
    AddSymbol(stocks, "ABC", 3);
    AddSymbol(stocks, "DEF", 3);
    Bytes master = ReadBytes(stocks / "MASTER");
    master.push_back(0);
    WriteBytes(stocks / "MASTER", master);

    // Cancel: nothing changes and the grid says why it is empty.
    Open();
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"Fix Master File"});
    EXPECT_TRUE(dialogs.Showed("Failure while filling symbols grid"));
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 0);
    EXPECT_EQ(ReadBytes(stocks / "MASTER"), master);

    dialogs.dialogAnswers.push_back([](QDialog&) { return QDialog::Accepted; });
    Action(CommandId::kRescan)->trigger();
    QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
    ASSERT_TRUE(View().IsScanning() ? finished.wait(10000) : true);
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 2);
    EXPECT_EQ(ReadBytes(stocks / "MASTER").size(), 3U * 53U);
    EXPECT_EQ(ReadBytes(stocks / "MASTER.bak"), master);
}

TEST_F(MainWindowTest, APortfolioThatVanishesWhileShownLeavesTheList) {
    for (const char* name : {"One", "Two"}) {
        fs::create_directories(Portfolio(name));
        AddSymbol(Portfolio(name), "ABC", 3);
    }
    Open();
    fs::rename(Portfolio("Two"), root.path() / "Gone");
    List()->setCurrentIndex(List()->model()->index(1, 0));
    EXPECT_TRUE(dialogs.Showed("Failure while filling symbols grid"));
    ASSERT_EQ(List()->model()->rowCount(), 1);
    EXPECT_EQ(View().State().portfolios, std::vector<std::string>{Portfolio("One").string()});
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 0);
    EXPECT_FALSE(Action(CommandId::kSymbolDelete)->isEnabled());
}

TEST_F(MainWindowTest, NoPortfolioFoundIsSaidOnceAndLeavesOnlyTheAlwaysCommands) {
    Open();
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_TRUE(
        dialogs.Showed("Ticksmith could not find any Portfolios on drive " + root.path().string()));
    EXPECT_EQ(Title(), "Ticksmith");
    EXPECT_FALSE(Action(CommandId::kUpdateQuotes)->isEnabled());
    EXPECT_TRUE(Action(CommandId::kRescan)->isEnabled());
    EXPECT_TRUE(Action(CommandId::kPortfolioAdd)->isEnabled());
}

TEST_F(MainWindowTest, PlacementIsWrittenAtOnceAndColumnWidthsOnClose) {
    fs::create_directories(Portfolio("Stocks"));
    AddSymbol(Portfolio("Stocks"), "ABC", 3);
    // Stored widths wider than any grid: every column takes the default.
    settings::WriteColumnWidths(store, settings::keys::kQuoteGridSection,
                                std::vector<int>(7, 5000));
    Open();
    EXPECT_GT(store.ReadInt("Screen", "cx", 0), 0);
    EXPECT_GT(store.ReadInt("Screen", "cy", 0), 0);
    QTableView* quotes = Grid("quoteGrid");
    const int expected = quotes->viewport()->width() * 9 / 70;
    EXPECT_EQ(quotes->horizontalHeader()->sectionSize(6), expected);

    quotes->horizontalHeader()->resizeSection(0, 77);
    frame->close();
    EXPECT_EQ(store.ReadInt("QuoteGrid", "col0", 0), 77);
    EXPECT_EQ(store.ReadInt("QuoteGrid", "col6", 0), expected);
    EXPECT_GT(store.ReadInt("SymbolGrid", "col2", 0), 0);
}

TEST(PortfolioScan, ACancelledScanEndsSilentlyWithWhatItFound) {
    TempDir root;
    fs::create_directories(root.path() / "Stocks");
    AddSymbol(root.path() / "Stocks", "ABC", 1);
    struct Silent : platform::Messenger {
        void Show(std::string_view text, platform::MessageIcon) override {
            shown.emplace_back(text);
        }
        bool AskYesNo(std::string_view, platform::MessageIcon) override { return false; }
        bool AskOkCancel(std::string_view, platform::MessageIcon) override { return false; }
        void Play(platform::Sound) override { shown.emplace_back("sound"); }
        std::vector<std::string> shown;
    } messenger;
    const portfolio::SearchFilter filter{false, ""};
    platform::ProgressSink progress;
    progress.RequestCancel();
    EXPECT_TRUE(
        portfolio::ScanForPortfolios(root.path().string(), filter, &progress, messenger, false)
            .empty());
    EXPECT_TRUE(messenger.shown.empty());
    platform::ProgressSink running;
    EXPECT_EQ(portfolio::ScanForPortfolios(root.path().string(), filter, &running, messenger, true)
                  .size(),
              1U);
}

}  // namespace
}  // namespace ticksmith::test
