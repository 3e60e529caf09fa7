// Update Quotes and Undo Last Update driven through the window, with the files checked through
// the core and compared with a run of the core alone.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/update_progress_dialog.h"
#include "store/encodings.h"
#include "update/new_symbols.h"
#include "update/update_progress.h"
#include "update/update_support.h"
#include "window_support.h"

namespace ticksmith::app {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, test::Bytes>;
using update_test::WriteText;

// Lets a test act while the worker waits for a message to be answered: the run is then
// between two symbols, always at the same place.
class HookedDialogs : public test::ScriptedDialogs {
  public:
    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        if (onMessage) {
            const auto hook = onMessage;
            hook(text.toStdString());
        }
        return ScriptedDialogs::Message(parent, icon, title, text, buttons, defaultButton);
    }
    std::function<void(const std::string&)> onMessage;
};

// Two portfolios fed by one evening's file: IBM and FUT get two quotes, SKP is skipped (its
// "skip" message is where a test may stop the run), QQQ in the second portfolio gets one.
void Populate(const update_test::World& world, const fs::path& p, const fs::path& q) {
    world.Profile("Daily", update_test::DailyProfile(world.updates));
    world.Symbol(p, "IBM", 5);
    const int skipped = world.Symbol(p, "SKP", 5);
    world.Symbol(p, "FUT", 5);
    world.Symbol(q, "QQQ", 3);
    portfolio::SkipList skip(portfolio::kSkipListLength, '0');
    skip[static_cast<std::size_t>(skipped)] = '1';
    EXPECT_FALSE(portfolio::SetSkipString(p, skip).empty());
    WriteText(world.updates / "u.txt",
              "IBM,20000110,1,2,0.5,1.5,100,0\r\nFUT,20000110,20,21,19,20.5,777,88\r\n"
              "SKP,20000110,1,2,0.5,1.5,100,0\r\nQQQ,20000110,3,4,2,3.5,300,0\r\n"
              "FUT,20000111,21,22,20,21.5,888,99\r\nIBM,20000111,2,3,1,2.5,200,0\r\n");
}

class UpdateWindowTest : public ::testing::Test {
  protected:
    UpdateWindowTest() : m_seam(dialogs) {
        Populate(world, p, q);
        window.viewSettings.workingDirectory = world.working;
    }

    // Runs Update Quotes as F2 does and waits for its end.
    void RunUpdate() {
        QSignalSpy done(&window.View(), &CTicksmithView::UpdateDone);
        window.frame->Action(CommandId::kUpdateQuotes)->trigger();
        ASSERT_TRUE(window.View().IsUpdating());
        ASSERT_TRUE(done.wait(30000) || !window.frame->isVisible());
    }

    // The portfolios' files, as the update left them.
    Files Portfolios() const {
        Files files;
        for (const fs::path& dir : {p, q}) {
            for (auto& [name, bytes] : test::Snapshot(dir)) {
                files[dir.filename().string() + "/" + name] = std::move(bytes);
            }
        }
        return files;
    }

    test::WindowFixture window;
    update_test::World world{window.root.path()};
    fs::path p = world.Portfolio("p");
    fs::path q = world.Portfolio("q");
    HookedDialogs dialogs;

  private:
    ScopedDialogSeam m_seam;
};

// The same setup updated by the core alone, for comparison.
Files UninterruptedRun() {
    update_test::Scratch temp;
    update_test::World world(temp.path());
    const fs::path p = world.Portfolio("p");
    const fs::path q = world.Portfolio("q");
    Populate(world, p, q);
    const update_test::World::Outcome outcome = world.Run({p, q});
    EXPECT_EQ(outcome.result.quotesAdded, 5);
    Files files;
    for (const fs::path& dir : {p, q}) {
        for (auto& [name, bytes] : test::Snapshot(dir)) {
            files[dir.filename().string() + "/" + name] = std::move(bytes);
        }
    }
    return files;
}

TEST_F(UpdateWindowTest, RunShowsItsTextsReportsAndLeavesWhatTheCoreAloneLeaves) {
    window.viewSettings.auditEnable = true;
    window.Open();
    ASSERT_EQ(window.View().State().portfolios.size(), 2U);
    // Commands that change files wait for the run; reading ones do not.
    bool checkedDuringRun = false;
    dialogs.onMessage = [&](const std::string& text) {
        if (text == "skip") {
            checkedDuringRun = true;
            EXPECT_FALSE(window.frame->Action(CommandId::kQuoteEdit)->isEnabled());
            EXPECT_FALSE(window.frame->Action(CommandId::kRescan)->isEnabled());
            EXPECT_FALSE(window.frame->Action(CommandId::kUpdateQuotes)->isEnabled());
            EXPECT_TRUE(window.frame->Action(CommandId::kRecentAll)->isEnabled());
            ASSERT_NE(window.View().ProgressDialog(), nullptr);
            EXPECT_TRUE(window.View().ProgressDialog()->isVisible());
        }
    };
    RunUpdate();
    EXPECT_TRUE(checkedDuringRun);
    EXPECT_EQ(window.View().ProgressDialog(), nullptr);
    EXPECT_TRUE(window.frame->Action(CommandId::kUpdateQuotes)->isEnabled());

    const platform::ProgressSnapshot& shown = window.View().LastUpdateTexts();
    EXPECT_EQ(shown.Text(update::kTotalText), "5  ");
    EXPECT_EQ(shown.Text(update::kPortfolioText), " " + q.string());
    EXPECT_EQ(shown.Text(update::kSymbolText), " QQQ");
    EXPECT_GE(window.View().LastUpdateRefreshes(), 1);

    EXPECT_EQ(Portfolios(), UninterruptedRun());
    // The report follows the run; the symbol on show (IBM) got quotes, so its grid was refilled.
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"Anomaly Report"});
    EXPECT_EQ(window.View().State().QuoteCount(), 7);
}

TEST_F(UpdateWindowTest, StopEndsBetweenSymbolsAndASecondRunFinishesTheWork) {
    window.Open();
    const Files before = Portfolios();
    dialogs.onMessage = [&](const std::string& text) {
        if (text == "skip") {
            auto* stop = window.View().ProgressDialog()->findChild<QPushButton*>("stopButton");
            ASSERT_NE(stop, nullptr);
            stop->click();
            EXPECT_FALSE(stop->isEnabled());
        }
    };
    RunUpdate();
    const Files stopped = Portfolios();
    // IBM came before the stop, FUT after it; the second portfolio was not begun.
    for (const auto& [name, bytes] : stopped) {
        if (name.rfind("q/", 0) == 0) {
            EXPECT_EQ(bytes, before.at(name)) << name;
        }
    }
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(p, records), store::kSuccess);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[0].LastDay(), store::DayNumberFromYmd(2000, 1, 11));
    EXPECT_EQ(records[2].LastDay(), test::SampleQuote(4).date);
    EXPECT_TRUE(dialogs.Showed("Update Quotes was stopped"))
        << testing::PrintToString(dialogs.messages);

    dialogs.onMessage = nullptr;
    dialogs.messages.clear();
    RunUpdate();
    EXPECT_EQ(Portfolios(), UninterruptedRun());
}

TEST_F(UpdateWindowTest, ClosingDuringARunAsksAndClosesOnlyOnceItHasStopped) {
    window.Open();
    const Files before = Portfolios();
    // No: the run goes on and the window stays.
    dialogs.buttonAnswers = {QMessageBox::No};
    dialogs.onMessage = [&](const std::string& text) {
        if (text == "skip") {
            window.frame->close();
        }
    };
    RunUpdate();
    EXPECT_TRUE(window.frame->isVisible());
    EXPECT_EQ(Portfolios(), UninterruptedRun());
    EXPECT_TRUE(dialogs.Showed("Update Quotes is still running."));

    // Yes: the run stops after the symbol it was on, then the window closes.
    WriteText(world.updates / "v.txt", "QQQ,20000111,3,4,2,3.5,300,0\r\n");
    const Files afterFirst = Portfolios();
    dialogs.buttonAnswers = {QMessageBox::Yes};
    QSignalSpy done(&window.View(), &CTicksmithView::CloseRequested);
    window.frame->Action(CommandId::kUpdateQuotes)->trigger();
    ASSERT_TRUE(done.wait(30000));
    QTest::qWait(50);
    EXPECT_FALSE(window.frame->isVisible());
    EXPECT_FALSE(window.View().IsUpdating());
    EXPECT_EQ(Portfolios(), afterFirst);  // the second portfolio's quote waits for the next run
    static_cast<void>(before);
}

TEST_F(UpdateWindowTest, NewSymbolAddedOnF2GetsItsQuoteInTheSameRunAndCancelledDateRunsNothing) {
    // Cancelling the manual date ends the command before anything is changed or started.
    window.viewSettings.handAdd = true;
    window.viewSettings.newSymbols = true;
    window.Open();
    const Files before = Portfolios();
    const std::string updateFile = update_test::Text(world.updates / "u.txt");
    dialogs.dialogAnswers.push_back([](QDialog&) { return QDialog::Rejected; });
    window.frame->Action(CommandId::kUpdateQuotes)->trigger();
    EXPECT_FALSE(window.View().IsUpdating());
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"Assign Date Manually "});
    EXPECT_EQ(Portfolios(), before);
    EXPECT_EQ(update_test::Text(world.updates / "u.txt"), updateFile);

    // A symbol that earlier runs never saw, in today's file: Yes adds it to the portfolio on
    // show, and the run that follows gives it today's quote.
    window.View().State().settings.handAdd = false;
    dialogs.dialogTitles.clear();
    const store::DayNumber today = update::ExpectedDate(store::DayNumberOfTime(std::time(nullptr)));
    WriteText(world.working / "Lasttime" / "Lasttime.txt", "IBM\r\nSKP\r\nFUT\r\nQQQ\r\n");
    WriteText(world.updates / "today.txt",
              "NEWS," + store::FormatDateText(today, 8, '\0') + ",5,6,4,5.5,1000,0\r\n");
    dialogs.dialogAnswers.push_back([](QDialog& dialog) {
        dialog.show();
        auto* profile = dialog.findChild<QComboBox*>("profileCombo");
        profile->setCurrentIndex(profile->findText("Daily"));
        dialog.findChild<QPushButton*>("yesButton")->click();
        return dialog.result();
    });
    RunUpdate();
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"New Symbol"});
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(p, records), store::kSuccess);
    ASSERT_EQ(records.size(), 4U);
    EXPECT_EQ(records[3].SymbolText(), "NEWS");
    EXPECT_EQ(records[3].LastDay(), today);
    EXPECT_EQ(window.View().State().SymbolCount(), 4);
}

TEST_F(UpdateWindowTest, ARunWaitingForAnotherProgramSaysSoAndGoesOnWhenItLetsGo) {
    const update_test::ShortLockWait wait(std::chrono::seconds(20));
    // A scheduled ticksmith-cli update, as far as the lock can tell.
    auto other = std::make_unique<update_test::LockHolder>(q);
    const std::string holder = std::to_string(other->Pid());
    window.Open();
    window.frame->Action(CommandId::kUpdateQuotes)->trigger();
    QSignalSpy done(&window.View(), &CTicksmithView::UpdateDone);
    std::string waiting;
    for (int tries = 0; tries < 1000 && waiting.empty(); ++tries) {
        QTest::qWait(10);
        if (UpdateProgressDialog* dialog = window.View().ProgressDialog()) {
            const std::string& file = dialog->Shown().Text(update::kFileText);
            waiting = file.find("Waiting for") != std::string::npos ? file : "";
        }
    }
    EXPECT_NE(waiting.find("(process " + holder + ")"), std::string::npos) << waiting;
    EXPECT_NE(waiting.find(q.string()), std::string::npos) << waiting;
    EXPECT_TRUE(window.View().IsUpdating());
    other.reset();
    ASSERT_TRUE(done.wait(30000));
    EXPECT_EQ(Portfolios(), UninterruptedRun());
}

TEST_F(UpdateWindowTest, UndoLastUpdateSaysWhatItTakesAwayAndRestoresEveryByte) {
    window.Open();
    const Files before = Portfolios();
    RunUpdate();
    const Files updated = Portfolios();
    ASSERT_NE(updated, before);

    // No keeps the run.
    dialogs.buttonAnswers = {QMessageBox::No};
    window.frame->Action(CommandId::kUndoLastUpdate)->trigger();
    EXPECT_EQ(Portfolios(), updated);
    ASSERT_FALSE(dialogs.messages.empty());
    const std::string question = dialogs.messages.back();
    EXPECT_NE(question.find("added 5 quotes to 3 symbols in 2 portfolios:"), std::string::npos)
        << question;
    EXPECT_NE(question.find("IBM in " + p.string() + ": 2 quotes"), std::string::npos) << question;
    EXPECT_NE(question.find("QQQ in " + q.string() + ": 1 quote"), std::string::npos) << question;

    // An edit since the run is named and kept; Yes undoes the rest.
    const fs::path qqq = q / "F1.DAT";
    test::Bytes edited = test::ReadBytes(qqq);
    edited.back() ^= 1;
    test::WriteBytes(qqq, edited);
    dialogs.buttonAnswers = {QMessageBox::Yes};
    window.frame->Action(CommandId::kUndoLastUpdate)->trigger();
    const std::string asked = dialogs.messages[dialogs.messages.size() - 2];
    EXPECT_NE(asked.find("changed since the run"), std::string::npos) << asked;
    EXPECT_NE(asked.find(qqq.string()), std::string::npos) << asked;
    EXPECT_TRUE(dialogs.Showed("The last Update Quotes run was undone: 4 quotes taken away"))
        << testing::PrintToString(dialogs.messages);
    Files expected = before;
    expected["q/F1.DAT"] = edited;
    expected["q/MASTER"] = updated.at("q/MASTER");
    EXPECT_EQ(Portfolios(), expected);
    // The grids show the files as they are now.
    EXPECT_EQ(window.View().State().QuoteCount(), 5);
}

}  // namespace
}  // namespace ticksmith::app
