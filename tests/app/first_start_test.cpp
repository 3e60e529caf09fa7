// The first start on a new machine: no settings at all, and no portfolio anywhere below the
// directory the program is started in. The person is told so once, and can still get help,
// make a portfolio, import one and set up profiles.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTextBrowser>

#include "app/command_icons.h"
#include "app/main_frame.h"
#include "app/ticksmith_view.h"
#include "app/window_messenger.h"
#include "portfolio/working_directory.h"
#include "settings/view_settings.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

class FirstStartTest : public testing::Test, public WindowFixture {
  protected:
    // As the program starts: an empty store, and every setting its default for `root`.
    void SetUp() override {
        store = settings::MemorySettingsStore();
        app::WindowMessenger startMessenger;
        portfolio::PrepareWorkingDirectory(root.path(), startMessenger);
        viewSettings = settings::LoadViewSettings(store, root.path());
    }

    void TearDown() override {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("ticksmithHelpWindow")) {
                window->close();
            }
        }
    }

    QAction* ProfilesInContextMenu() {
        m_menu = View().ContextMenu(app::Place::kViewBackground);
        for (QAction* action : m_menu->actions()) {
            if (action->text() == QStringLiteral("&Profiles...")) {
                return action;
            }
        }
        ADD_FAILURE() << "no Profiles... in the window's context menu";
        return m_menu->addAction(QString());
    }

    // The page the help window shows, empty while there is none.
    static std::string HelpPage() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("ticksmithHelpWindow") &&
                window->isVisible()) {
                return window->findChild<QTextBrowser*>()->source().toString().toStdString();
            }
        }
        return {};
    }

  private:
    std::unique_ptr<QMenu> m_menu;
};

TEST_F(FirstStartTest, SaysNoPortfolioWasFoundAndLeavesTheWayIn) {
    Open();
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_TRUE(dialogs.Showed("Ticksmith could not find any Portfolios on drive "));
    EXPECT_NE(dialogs.messages.front().find("(Is the Portfolio Search Filter\nin the Settings "
                                            "dialog correct?)"),
              std::string::npos);
    EXPECT_EQ(frame->windowTitle().toStdString(), "Ticksmith");
    // The desktop's icon, drawn sharp at every size the desktop asks for.
    const QList<QSize> iconSizes = app::ProgramIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
    EXPECT_TRUE(iconSizes.contains(QSize(256, 256)));
    // The start made the working directory's default profile.
    EXPECT_TRUE(fs::exists(root.path() / "Profile1.pfd"));

    for (const CommandId id :
         {CommandId::kHelpTopics, CommandId::kTutorial, CommandId::kPortfolioAdd,
          CommandId::kImport, CommandId::kSettings, CommandId::kRescan}) {
        EXPECT_TRUE(frame->Action(id)->isEnabled()) << static_cast<int>(id);
    }
    // Profiles... needs symbols in the menu, but the window's own right-click menu always
    // offers it, so a profile can be made before the first portfolio.
    EXPECT_TRUE(ProfilesInContextMenu()->isEnabled());
    // Nothing to work on yet.
    EXPECT_FALSE(frame->Action(CommandId::kUpdateQuotes)->isEnabled());
    EXPECT_FALSE(frame->Action(CommandId::kSymbolAdd)->isEnabled());
}

TEST_F(FirstStartTest, HelpAddImportAndProfilesOpenFromAnEmptyWindow) {
    Open();
    dialogs.messages.clear();

    frame->Action(CommandId::kTutorial)->trigger();
    EXPECT_EQ(HelpPage(), "qrc:/help/tutorial.html");
    frame->Action(CommandId::kHelpTopics)->trigger();
    EXPECT_EQ(HelpPage(), "qrc:/help/contents.html");

    frame->Action(CommandId::kPortfolioAdd)->trigger();
    frame->Action(CommandId::kImport)->trigger();
    ProfilesInContextMenu()->trigger();
    EXPECT_EQ(dialogs.dialogTitles,
              (std::vector<std::string>{"Add Portfolio", "Import Historical ASCII Quotes",
                                        "Profiles Management"}));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
}

}  // namespace
}  // namespace ticksmith::test
