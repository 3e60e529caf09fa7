#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/choose_directory_dialog.h"
#include "app/grid_models.h"
#include "portfolio/skip_list.h"
#include "store/master.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

// Types into a dialog's line edit and presses one of its buttons, as a person would; the
// dialog's own result is the answer.
ScriptedDialogs::DialogAnswer Fill(const char* edit, const std::string& text,
                                   QDialogButtonBox::StandardButton press) {
    return [=](QDialog& dialog) {
        auto* field = dialog.findChild<QLineEdit*>(edit);
        field->clear();
        QTest::keyClicks(field, QString::fromStdString(text));
        dialog.findChild<QDialogButtonBox*>()->button(press)->click();
        if (dialog.isVisible()) {
            // A refusal kept it open: the person gives up.
            dialog.reject();
        }
        return dialog.result();
    };
}

ScriptedDialogs::DialogAnswer Press(QDialogButtonBox::StandardButton press,
                                    const char* radio = nullptr) {
    return [=](QDialog& dialog) {
        if (radio != nullptr) {
            dialog.findChild<QRadioButton*>(radio)->click();
        }
        dialog.findChild<QDialogButtonBox*>()->button(press)->click();
        return dialog.result();
    };
}

class PortfolioDialogsTest : public testing::Test, public WindowFixture {
  protected:
    void SetUp() override {
        fs::create_directories(Portfolio("Stocks"));
        AddSymbol(Portfolio("Stocks"), "ABC", 3);
        AddSymbol(Portfolio("Stocks"), "DEF", 3);
        Open();
    }
    void Run(CommandId id) {
        frame->Action(id)->trigger();
        if (View().IsScanning()) {
            QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
            ASSERT_TRUE(finished.wait(10000));
        }
    }
    const std::vector<std::string>& Listed() { return View().State().portfolios; }
};

TEST_F(PortfolioDialogsTest, AddCreatesSelectsAndRefusesAsTheCoreSays) {
    dialogs.dialogAnswers.push_back(
        Fill("pathEdit", Portfolio("New").string() + "/", QDialogButtonBox::Ok));
    Run(CommandId::kPortfolioAdd);
    EXPECT_EQ(dialogs.dialogTitles.back(), "Add Portfolio");
    EXPECT_EQ(ReadBytes(Portfolio("New") / "MASTER"), Bytes(53, 0));
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("New").string());
    ASSERT_EQ(Listed().size(), 2U);
    EXPECT_EQ(Listed()[static_cast<std::size_t>(View().State().selectedPortfolio)],
              Portfolio("New").string());
    EXPECT_EQ(frame->windowTitle().toStdString(),
              "Ticksmith - " + Portfolio("New").string() + " - (no symbols)");

    // Refusals keep the dialog open and change nothing.
    const auto before = Snapshot(root.path());
    dialogs.dialogAnswers.push_back(Fill("pathEdit", "", QDialogButtonBox::Ok));
    dialogs.dialogAnswers.push_back(
        Fill("pathEdit", (root.path() / "no" / "such").string(), QDialogButtonBox::Ok));
    Run(CommandId::kPortfolioAdd);
    Run(CommandId::kPortfolioAdd);
    EXPECT_TRUE(dialogs.Showed("You did not enter a path"));
    EXPECT_TRUE(dialogs.Showed("The portfolio could not be created."));
    EXPECT_EQ(Snapshot(root.path()), before);
    EXPECT_EQ(Listed().size(), 2U);
}

TEST_F(PortfolioDialogsTest, AddingAnExistingPortfolioKeepsOrEmptiesItsMaster) {
    const Bytes master = ReadBytes(Portfolio("Stocks") / "MASTER");
    dialogs.buttonAnswers.push_back(QMessageBox::No);
    dialogs.dialogAnswers.push_back(
        Fill("pathEdit", Portfolio("Stocks").string(), QDialogButtonBox::Ok));
    Run(CommandId::kPortfolioAdd);
    EXPECT_TRUE(dialogs.Showed("You have chosen an existing Portfolio."));
    EXPECT_EQ(ReadBytes(Portfolio("Stocks") / "MASTER"), master);
    EXPECT_EQ(View().State().SymbolCount(), 2);

    dialogs.buttonAnswers.push_back(QMessageBox::Yes);
    dialogs.dialogAnswers.push_back(
        Fill("pathEdit", Portfolio("Stocks").string(), QDialogButtonBox::Ok));
    Run(CommandId::kPortfolioAdd);
    EXPECT_EQ(ReadBytes(Portfolio("Stocks") / "MASTER.BAK"), master);
    EXPECT_EQ(ReadBytes(Portfolio("Stocks") / "MASTER"), Bytes(53, 0));
    EXPECT_EQ(View().State().SymbolCount(), 0);
    EXPECT_EQ(Listed().size(), 1U);
}

TEST_F(PortfolioDialogsTest, DeleteAsksWithNoAsDefaultAndRescansAfterwards) {
    fs::create_directories(Portfolio("Other"));
    AddSymbol(Portfolio("Other"), "XYZ", 2);
    Run(CommandId::kRescan);
    ASSERT_EQ(Listed().size(), 2U);
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("Other").string());

    // Escape, or No, keeps everything.
    const auto before = Snapshot(Portfolio("Other"));
    dialogs.dialogAnswers.push_back([](QDialog& dialog) {
        EXPECT_TRUE(
            dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::No)->isDefault());
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    Run(CommandId::kPortfolioDelete);
    EXPECT_EQ(dialogs.dialogTitles.back(), "Delete Portfolio");
    EXPECT_EQ(Snapshot(Portfolio("Other")), before);

    dialogs.dialogAnswers.push_back(Press(QDialogButtonBox::Yes));
    Run(CommandId::kPortfolioDelete);
    EXPECT_FALSE(fs::exists(Portfolio("Other")));
    EXPECT_EQ(Listed(), std::vector<std::string>{Portfolio("Stocks").string()});

    // A sub-directory keeps the directory: reported, and the list still rebuilt.
    fs::create_directories(Portfolio("Stocks") / "keep");
    dialogs.dialogAnswers.push_back(Press(QDialogButtonBox::Yes));
    Run(CommandId::kPortfolioDelete);
    EXPECT_TRUE(
        dialogs.Showed("Not all of the portfolio elements could be automatically "
                       "deleted."));
    EXPECT_TRUE(fs::exists(Portfolio("Stocks") / "keep"));
    EXPECT_TRUE(Listed().empty());
}

TEST_F(PortfolioDialogsTest, SkipAdjustSetsEverySymbolOrNoneAndCancelKeepsTheFlags) {
    const fs::path skipFile = Portfolio("Stocks") / "SKIPQLDR.SKB";
    dialogs.dialogAnswers.push_back(Press(QDialogButtonBox::Ok, "skipAllButton"));
    Run(CommandId::kPortfolioSkipAdjust);
    EXPECT_EQ(dialogs.dialogTitles.back(), "Portfolio Skip Adjustment");
    Bytes flags = ReadBytes(skipFile);
    EXPECT_EQ(flags.at(1), 1);
    EXPECT_EQ(flags.at(2), 1);
    EXPECT_EQ(flags.at(3), 0);
    EXPECT_TRUE(frame->findChild<QListView*>("portfolioList")
                    ->model()
                    ->index(0, 0)
                    .data(app::kSkippedRole)
                    .toBool());

    dialogs.dialogAnswers.push_back(Press(QDialogButtonBox::Cancel, "skipNoneButton"));
    Run(CommandId::kPortfolioSkipAdjust);
    EXPECT_EQ(ReadBytes(skipFile), flags);

    // OK with neither chosen skips nothing.
    dialogs.dialogAnswers.push_back(Press(QDialogButtonBox::Ok));
    Run(CommandId::kPortfolioSkipAdjust);
    flags = ReadBytes(skipFile);
    EXPECT_EQ(flags.at(1), 0);
    EXPECT_EQ(flags.at(2), 0);
    EXPECT_FALSE(Grid("symbolGrid")->model()->index(0, 0).data(app::kSkippedRole).toBool());
}

TEST_F(PortfolioDialogsTest, TheDirectoryChooserRefusesBadNamesAndOffersToCreate) {
    const fs::path wanted = root.path() / "Exports";
    dialogs.buttonAnswers.push_back(QMessageBox::No);
    dialogs.buttonAnswers.push_back(QMessageBox::Yes);
    dialogs.dialogAnswers.push_back([&](QDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>("directoryEdit");
        auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        edit->setText(QString::fromStdString((root.path() / "a*b").string()));
        ok->click();
        EXPECT_TRUE(dialog.isVisible() || dialog.result() != QDialog::Accepted);
        edit->setText(QString::fromStdString(wanted.string()));
        ok->click();  // No: stays open
        EXPECT_FALSE(fs::exists(wanted));
        ok->click();  // Yes: created
        return dialog.result();
    });
    const std::optional<QString> chosen =
        app::ChooseDirectory(frame.get(), QString::fromStdString(root.path().string()));
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->toStdString(), wanted.string());
    EXPECT_TRUE(fs::is_directory(wanted));
    EXPECT_TRUE(dialogs.Showed((root.path() / "a*b").string() + " is not a valid pathname."));
    EXPECT_EQ(dialogs.dialogTitles.back(), "Choose Directory");
}

}  // namespace
}  // namespace ticksmith::test
