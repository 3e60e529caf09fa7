#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <thread>

#include "app/about_dialog.h"
#include "app/notice_dialog.h"
#include "app/search_progress_dialog.h"
#include "app/window_messenger.h"
#include "portfolio/discovery.h"
#include "version.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

std::vector<std::string> VisibleButtons(QDialog& dialog) {
    dialog.show();
    std::vector<std::string> texts;
    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
        if (button->isVisible()) {
            texts.push_back(button->text().remove('&').toStdString());
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

bool ShowsText(QDialog& dialog, const QString& text) {
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        if (label->text().contains(text)) {
            return true;
        }
    }
    return false;
}

TEST(Dialogs, EveryDialogHasItsTitleTextsAndButtons) {
    app::AboutDialog about;
    EXPECT_EQ(about.windowTitle(), "About Ticksmith");
    EXPECT_TRUE(ShowsText(about, QStringLiteral("Ticksmith Ver ") + QString::fromLatin1(kVersion)));
    EXPECT_TRUE(ShowsText(about,
                          "Converts ASCII text financial data and updates / manages "
                          "historical data in MetaStock or CompuTrac format"));
    EXPECT_EQ(VisibleButtons(about), std::vector<std::string>{"OK"});

    app::NoticeDialog question("Fix Master File", "The Master file\nX\nappears corrupted.", true);
    EXPECT_EQ(question.windowTitle(), "Fix Master File");
    EXPECT_EQ(VisibleButtons(question), (std::vector<std::string>{"Cancel", "Help", "OK"}));
    app::NoticeDialog notice("Fix Master File", "An error was found", false);
    EXPECT_EQ(VisibleButtons(notice), (std::vector<std::string>{"Help", "OK"}));

    platform::ProgressSink progress;
    app::SearchProgressDialog searching(progress);
    EXPECT_EQ(searching.windowTitle(), "Searching for Master Files");
    EXPECT_TRUE(ShowsText(searching, "Number of Master files found:"));
    EXPECT_TRUE(ShowsText(searching, "starting..."));
    progress.SetText(portfolio::kScanDirectoryText, "/data/stocks");
    progress.SetCount(7, 0);
    searching.Refresh();
    EXPECT_TRUE(ShowsText(searching, "/data/stocks"));
    EXPECT_EQ(searching.findChild<QLabel*>("countLabel")->text(), "7");
    // Cancel asks the walk to stop; the scan closes the dialog when it has.
    EXPECT_EQ(VisibleButtons(searching), std::vector<std::string>{"Cancel"});
    searching.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_TRUE(progress.CancelRequested());
}

TEST(Dialogs, AWorkersQuestionIsAnsweredOnTheWindowsThread) {
    ScriptedDialogs dialogs;
    const app::ScopedDialogSeam seam(dialogs);
    dialogs.buttonAnswers.push_back(QMessageBox::No);
    app::WindowMessenger messenger;
    bool answer = true;
    std::thread worker(
        [&] { answer = messenger.AskYesNo("Go on?", platform::MessageIcon::kQuestion); });
    // The worker waits for this thread's event loop to carry its question.
    while (dialogs.messages.empty()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    worker.join();
    EXPECT_FALSE(answer);
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"Go on?"});
}

}  // namespace
}  // namespace ticksmith::test
