// The help window: one of it, at the asked topic, usable beside the dialog that asked.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTextBrowser>
#include <QWidget>

#include <memory>

#include "app/help/help_window.h"

namespace ticksmith::app {
namespace {

QApplication& Application() {
    static int argc = 1;
    static char name[] = "ticksmith_help_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

QList<QWidget*> HelpWindows() {
    QList<QWidget*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("ticksmithHelpWindow")) {
            windows << widget;
        }
    }
    return windows;
}

QString ShownPage(QWidget* window) {
    return window->findChild<QTextBrowser*>()->source().toString();
}

QAction* ActionNamed(QWidget* window, const QString& text) {
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

class HelpWindowTest : public testing::Test {
  protected:
    void SetUp() override { Application(); }
    void TearDown() override {
        for (QWidget* window : HelpWindows()) {
            window->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

TEST_F(HelpWindowTest, OpensOneWindowAtTheTopicAndReusesIt) {
    ShowHelp(nullptr, HelpTopic::kTutorial);
    ASSERT_EQ(HelpWindows().size(), 1);
    QWidget* window = HelpWindows().front();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ticksmith Help"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/tutorial.html"));
    EXPECT_EQ(window->findChild<QTextBrowser*>()->documentTitle(), QStringLiteral("Tutorial"));

    ShowHelp(nullptr, HelpTopic::kAnomalyReport);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().front(), window);
    EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/anomaly_report.html"));
}

TEST_F(HelpWindowTest, BackForwardAndContentsMoveThroughThePages) {
    ShowHelp(nullptr, HelpTopic::kGraph);
    QWidget* window = HelpWindows().front();
    QAction* back = ActionNamed(window, QStringLiteral("&Back"));
    QAction* forward = ActionNamed(window, QStringLiteral("&Forward"));
    QAction* contents = ActionNamed(window, QStringLiteral("&Contents"));
    ASSERT_TRUE(back && forward && contents);
    EXPECT_FALSE(back->isEnabled());

    contents->trigger();
    EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/contents.html"));
    ASSERT_TRUE(back->isEnabled());
    back->trigger();
    EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/graph.html"));
    ASSERT_TRUE(forward->isEnabled());
    forward->trigger();
    EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/contents.html"));
}

TEST_F(HelpWindowTest, CloseEndsTheWindowAndTheNextCallOpensAFreshOne) {
    ShowHelp(nullptr, HelpTopic::kSettings);
    QWidget* window = HelpWindows().front();
    QAction* close = ActionNamed(window, QStringLiteral("C&lose"));
    ASSERT_NE(close, nullptr);
    close->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(HelpWindows().isEmpty());

    ShowHelp(nullptr, HelpTopic::kPrinting);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(ShownPage(HelpWindows().front()), QStringLiteral("qrc:/help/printing.html"));
}

// A help window owned by another window would be blocked while a modal dialog is open, and
// goes with the dialog that owned it.
TEST_F(HelpWindowTest, BelongsToTheWindowThatAsks) {
    auto main_window = std::make_unique<QWidget>();
    ShowHelp(main_window.get(), HelpTopic::kMainWindow);
    QWidget* window = HelpWindows().front();
    EXPECT_EQ(window->parentWidget(), main_window.get());

    {
        QDialog dialog(main_window.get());
        ShowHelp(&dialog, HelpTopic::kFixMaster);
        ASSERT_EQ(HelpWindows().size(), 1);
        EXPECT_EQ(HelpWindows().front(), window);
        EXPECT_EQ(window->parentWidget(), &dialog);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(ShownPage(window), QStringLiteral("qrc:/help/fix_master.html"));
    }
    EXPECT_TRUE(HelpWindows().isEmpty());
    ShowHelp(main_window.get(), HelpTopic::kContents);
    ASSERT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().front()->parentWidget(), main_window.get());
}

}  // namespace
}  // namespace ticksmith::app
