// The profile dialogs, filled as a person would, checked through the files the core writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTextBrowser>

#include "platform/volumes.h"
#include "profiles/profile.h"
#include "profiles/profile_form.h"
#include "settings/settings_support.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;
using profiles::ProfileForm;

constexpr const char* kNoAssignmentQuestion =
    "You did not assign a Symbol to a Profile.\n\nDo you wish to exit Profiles Management now?";

class ProfileDialogsTest : public testing::Test, public WindowFixture {
  protected:
    // A holds ZED (1), MID (2, assigned Daily) and ALF (3); B holds nothing; C holds X (1).
    // The working directory holds the profiles Daily and Weekly.
    void SetUp() override {
        for (const char* name : {"A", "B", "C"}) {
            fs::create_directories(Portfolio(name));
        }
        AddSymbol(Portfolio("A"), "ZED", 4);
        AddSymbol(Portfolio("A"), "MID", 5);
        AddSymbol(Portfolio("A"), "ALF", 3);
        ASSERT_EQ(store::CreateEmptyMaster(Portfolio("B")), store::kSuccess);
        AddSymbol(Portfolio("C"), "X", 2);
        fs::create_directories(Updates());
        ProfileForm daily = profiles::NewProfileForm(Updates());
        daily.updateDirectory = Updates().string();
        ASSERT_TRUE(
            profiles::WriteProfile(root.path(), "Daily", profiles::ProfileFromForm(daily), quiet));
        ProfileForm weekly = daily;
        weekly.delimiter = 2;
        weekly.futures = true;
        weekly.dateFormatPosition = 7;
        ASSERT_TRUE(profiles::WriteProfile(root.path(), "Weekly", profiles::ProfileFromForm(weekly),
                                           quiet));
        settings::MemorySettingsStore unused;
        ASSERT_TRUE(profiles::AssignProfile(Portfolio("A"), 2, "Daily", unused, quiet));
        store.WriteString("PFD", "LastPFD", "weekly");
    }

    fs::path Updates() const { return root.path() / "updates"; }

    // Runs File > Profiles... with the answer to Profiles Management.
    void Run(ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        View().Execute(CommandId::kProfiles);
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "a dialog was not shown";
    }

    // Answers the next Profile Settings dialog.
    void Then(ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
    }

    // What the core's own call leaves in F<fileNumber>.pfl of a copy of the portfolio.
    template <typename Assign>
    Bytes CoreAssignment(const std::string& portfolio, int fileNumber, Assign assign) {
        const fs::path copy = scratch.path() / portfolio;
        fs::remove_all(copy);
        fs::copy(Portfolio(portfolio), copy, fs::copy_options::recursive);
        settings::MemorySettingsStore unused;
        EXPECT_TRUE(assign(copy, unused));
        return ReadBytes(copy / profiles::AssignmentFileName(fileNumber));
    }

    // What the core's WriteProfile writes for the form.
    Bytes CoreProfile(const ProfileForm& form) {
        EXPECT_TRUE(profiles::WriteProfile(scratch.path(), "expected",
                                           profiles::ProfileFromForm(form), quiet));
        return ReadBytes(scratch.path() / "expected.pfd");
    }

    RecordingMessenger quiet;
    TempDir scratch;
};

QString Text(QDialog& dialog, const char* label) {
    auto* widget = dialog.findChild<QLabel*>(label);
    EXPECT_NE(widget, nullptr) << label;
    return widget == nullptr ? QString() : widget->text();
}

QPushButton* Button(QDialog& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(name);
    EXPECT_NE(button, nullptr) << name;
    return button;
}

// Clicks a button; the dialog's result when it closed, -1 while it stays open.
int Click(QDialog& dialog, const char* name) {
    dialog.show();
    dialog.setResult(-1);
    Button(dialog, name)->click();
    return dialog.isVisible() ? -1 : dialog.result();
}

int Escape(QDialog& dialog) {
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    return dialog.isVisible() ? -1 : dialog.result();
}

void Type(QDialog& dialog, const char* edit, const QString& text) {
    auto* field = dialog.findChild<QLineEdit*>(edit);
    ASSERT_NE(field, nullptr) << edit;
    field->clear();
    QTest::keyClicks(field, text);
}

void SetColumn(QDialog& dialog, const char* spin, int column) {
    auto* field = dialog.findChild<QSpinBox*>(spin);
    ASSERT_NE(field, nullptr) << spin;
    field->selectAll();
    QTest::keyClicks(field, QString::number(column));
    ASSERT_EQ(field->value(), column) << spin;
}

QCheckBox* Box(QDialog& dialog, const char* name) {
    auto* box = dialog.findChild<QCheckBox*>(name);
    EXPECT_NE(box, nullptr) << name;
    return box;
}

// A spin box hands its focus to its own line edit.
bool Focused(QDialog& dialog, const char* name) {
    const QWidget* field = dialog.findChild<QWidget*>(name);
    QWidget* focus = dialog.focusWidget();
    return field != nullptr && (focus == field || field->isAncestorOf(focus));
}

QStringList Profiles(QDialog& dialog) {
    auto* combo = dialog.findChild<QComboBox*>("profileCombo");
    QStringList names;
    for (int i = 0; i < combo->count(); ++i) {
        names << combo->itemText(i);
    }
    return names;
}

QString SelectedProfile(QDialog& dialog) {
    return dialog.findChild<QComboBox*>("profileCombo")->currentText();
}

void SelectProfile(QDialog& dialog, const QString& name) {
    auto* combo = dialog.findChild<QComboBox*>("profileCombo");
    const int index = combo->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    combo->setCurrentIndex(index);
}

// The navigation buttons' enabling, in the order previous/next portfolio, previous/next
// symbol, single/multiple assign.
std::vector<bool> Enabled(QDialog& dialog) {
    std::vector<bool> enabled;
    for (const char* name :
         {"previousPortfolioButton", "nextPortfolioButton", "previousSymbolButton",
          "nextSymbolButton", "singleAssignButton", "multipleAssignButton"}) {
        enabled.push_back(Button(dialog, name)->isEnabled());
    }
    return enabled;
}

TEST_F(ProfileDialogsTest, ShowsEachSymbolsProfileWhileWalkingTheWindowsPortfolios) {
    store.WriteString("Settings", "DisplayLimit", "0");
    viewSettings.displayRecent = false;
    Open();
    const auto before = Snapshot(root.path());
    Run([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Profiles Management");
        // "LastPFD" picks its profile whatever its case.
        EXPECT_EQ(Profiles(dialog), (QStringList{"Daily", "Weekly"}));
        EXPECT_EQ(SelectedProfile(dialog), "Weekly");
        EXPECT_EQ(Text(dialog, "portfolioText").toStdString(), Portfolio("A").string());
        EXPECT_EQ(Text(dialog, "symbolText"), "ALF");
        EXPECT_EQ(Text(dialog, "fileNumberText"), "F3.dat");
        EXPECT_EQ(Text(dialog, "profileText"), "(none)");
        EXPECT_EQ(Enabled(dialog), (std::vector<bool>{false, true, false, true, true, true}));

        // The window's grid follows; an assigned profile is selected in the drop-down.
        EXPECT_EQ(Click(dialog, "nextSymbolButton"), -1);
        EXPECT_EQ(View().State().currentSymbol, "MID");
        EXPECT_EQ(Text(dialog, "symbolText"), "MID");
        EXPECT_EQ(Text(dialog, "fileNumberText"), "F2.dat");
        EXPECT_EQ(Text(dialog, "profileText"), "Daily");
        EXPECT_EQ(SelectedProfile(dialog), "Daily");
        Click(dialog, "nextSymbolButton");
        EXPECT_EQ(Text(dialog, "symbolText"), "ZED");
        EXPECT_EQ(Enabled(dialog), (std::vector<bool>{false, true, true, false, true, true}));
        // Without an assignment the drop-down keeps its choice.
        EXPECT_EQ(SelectedProfile(dialog), "Daily");

        // A portfolio without symbols: nothing to assign to. Walking turns "RECENT" on.
        Click(dialog, "nextPortfolioButton");
        EXPECT_EQ(View().State().selectedPortfolio, 1);
        EXPECT_EQ(View().State().current.portfolioDir, Portfolio("B").string());
        EXPECT_TRUE(View().State().settings.displayRecent);
        EXPECT_EQ(store.ReadString("Settings", "DisplayLimit", ""), "1");
        EXPECT_EQ(Text(dialog, "portfolioText").toStdString(), Portfolio("B").string());
        for (const char* text : {"symbolText", "fileNumberText", "profileText"}) {
            EXPECT_EQ(Text(dialog, text), "Not applicable") << text;
        }
        EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, true, false, false, false, false}));

        Click(dialog, "nextPortfolioButton");
        EXPECT_EQ(Text(dialog, "symbolText"), "X");
        EXPECT_EQ(Text(dialog, "fileNumberText"), "F1.dat");
        EXPECT_EQ(Enabled(dialog), (std::vector<bool>{true, false, false, false, true, true}));
        Click(dialog, "previousPortfolioButton");
        Click(dialog, "previousPortfolioButton");
        EXPECT_EQ(Text(dialog, "symbolText"), "ALF");
        EXPECT_EQ(View().State().selectedPortfolio, 0);
        return Escape(dialog);
    });
    // Walking and Escape change no file and ask nothing (showing C wrote its skip list).
    EXPECT_TRUE(dialogs.messages.empty());
    auto after = Snapshot(root.path());
    EXPECT_EQ(after.erase("C/SKIPQLDR.SKB"), 1U);
    EXPECT_EQ(after, before);
}

TEST_F(ProfileDialogsTest, CloseAsksUnlessSomethingWasAssignedAndEscapeNeverAsks) {
    Open();
    Run([&](QDialog& dialog) {
        // Help opens the dialog's own page beside it.
        EXPECT_EQ(Click(dialog, "helpButton"), -1);
        auto* help = dialog.findChild<QTextBrowser*>();
        EXPECT_EQ(help == nullptr ? QString() : help->source().fileName(), "profiles.html");
        dialogs.buttonAnswers = {QMessageBox::No};
        EXPECT_EQ(Click(dialog, "closeButton"), -1);
        EXPECT_EQ(dialogs.messages, std::vector<std::string>{kNoAssignmentQuestion});
        dialogs.buttonAnswers = {QMessageBox::Yes};
        return Click(dialog, "closeButton");
    });
    EXPECT_EQ(dialogs.messages.size(), 2U);

    // After an assignment Close ends at once, and the grid starts over with its first row.
    Grid("symbolGrid")->setCurrentIndex(Grid("symbolGrid")->model()->index(2, 0));
    ASSERT_EQ(View().State().currentSymbol, "ZED");
    dialogs.messages.clear();
    Run([&](QDialog& dialog) {
        SelectProfile(dialog, "Daily");
        Click(dialog, "singleAssignButton");
        EXPECT_EQ(Text(dialog, "profileText"), "Daily");
        return Click(dialog, "closeButton");
    });
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(View().State().selectedSymbolRow, 0);
    EXPECT_EQ(Row("symbolGrid", 2)[2], "Daily");

    // Escape after an assignment: no question, and the grid tells the truth on its row.
    Grid("symbolGrid")->setCurrentIndex(Grid("symbolGrid")->model()->index(2, 0));
    Run([&](QDialog& dialog) {
        SelectProfile(dialog, "Weekly");
        Click(dialog, "singleAssignButton");
        return Escape(dialog);
    });
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(View().State().selectedSymbolRow, 2);
    EXPECT_EQ(Row("symbolGrid", 2)[2], "Weekly");
}

TEST_F(ProfileDialogsTest, AssignsOneOrAllSymbolsAsTheCoreDoes) {
    Open();
    const auto one = CoreAssignment("A", 3, [&](const fs::path& copy, settings::SettingsStore& s) {
        return profiles::AssignProfile(copy, 3, "Weekly", s, quiet);
    });
    Run([&](QDialog& dialog) {
        Click(dialog, "singleAssignButton");
        return Click(dialog, "closeButton");
    });
    EXPECT_EQ(ReadBytes(Portfolio("A") / "F3.pfl"), one);
    // The other symbols keep what they had.
    EXPECT_FALSE(fs::exists(Portfolio("A") / "F1.pfl"));
    EXPECT_EQ(profiles::ReadAssignment(Portfolio("A"), 2), "Daily");

    std::vector<Bytes> all;
    for (int fileNumber : {1, 2, 3}) {
        all.push_back(
            CoreAssignment("A", fileNumber, [&](const fs::path& copy, settings::SettingsStore& s) {
                return profiles::AssignProfileToAll(copy, {3, 2, 1}, "Daily", s, quiet);
            }));
    }
    store.WriteString("PFD", "LastPFD", "");
    Run([&](QDialog& dialog) {
        SelectProfile(dialog, "Daily");
        Click(dialog, "multipleAssignButton");
        EXPECT_EQ(Text(dialog, "profileText"), "Daily");
        return Click(dialog, "closeButton");
    });
    for (int fileNumber : {1, 2, 3}) {
        EXPECT_EQ(ReadBytes(Portfolio("A") / profiles::AssignmentFileName(fileNumber)),
                  all[static_cast<std::size_t>(fileNumber - 1)])
            << fileNumber;
    }
    EXPECT_EQ(store.ReadString("PFD", "LastPFD", ""), "Daily");
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Row("symbolGrid", row)[2], "Daily") << row;
    }
    EXPECT_FALSE(fs::exists(Portfolio("C") / "F1.pfl"));
}

TEST_F(ProfileDialogsTest, SaveRefusesEachProblemInTurnWithTheFocusOnItsField) {
    Open();
    const auto before = Snapshot(root.path());
    Run([&](QDialog& profilesDialog) {
        Then([&](QDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Profile Settings");
            EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->maxLength(), 32);
            EXPECT_EQ(dialog.findChild<QLineEdit*>("directoryEdit")->maxLength(), 250);
            for (const char* spin : {"symbolColumnSpin", "dateColumnSpin", "closeColumnSpin"}) {
                EXPECT_EQ(dialog.findChild<QSpinBox*>(spin)->minimum(), 1) << spin;
                EXPECT_EQ(dialog.findChild<QSpinBox*>(spin)->maximum(), 20) << spin;
            }
            // New starts from the defaults, on the root of the portfolio's volume.
            EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->text(), "NewProfile");
            EXPECT_EQ(dialog.findChild<QLineEdit*>("directoryEdit")->text().toStdString(),
                      platform::VolumeRoot(Portfolio("A")).string());

            // The close column on the open column's: the later of the two is focused.
            SetColumn(dialog, "closeColumnSpin", 3);
            EXPECT_EQ(Click(dialog, "saveButton"), -1);
            EXPECT_EQ(dialogs.messages.back(), "Duplicate columns specified\nCorrect or disable");
            EXPECT_TRUE(Focused(dialog, "closeColumnSpin"));
            // A cleared field's column takes no part.
            Box(dialog, "openCheck")->click();
            EXPECT_FALSE(dialog.findChild<QSpinBox*>("openColumnSpin")->isEnabled());

            Type(dialog, "nameEdit", "   ");
            EXPECT_EQ(Click(dialog, "saveButton"), -1);
            EXPECT_EQ(dialogs.messages.back(), "You did not enter a Profile name");
            EXPECT_TRUE(Focused(dialog, "nameEdit"));

            Type(dialog, "nameEdit", "DAILY  ");
            Type(dialog, "directoryEdit", "/u");
            EXPECT_EQ(Click(dialog, "saveButton"), -1);
            EXPECT_EQ(dialogs.messages.back(), "The Path you specified is invalid");
            EXPECT_TRUE(Focused(dialog, "directoryEdit"));
            // The name is shown back without its trailing blanks.
            EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->text(), "DAILY");

            Type(dialog, "directoryEdit", QString::fromStdString(Updates().string()));
            EXPECT_EQ(Click(dialog, "saveButton"), -1);
            EXPECT_EQ(dialogs.messages.back(),
                      "Your request was to create or clone a Profile\nbut the Profile name DAILY "
                      "already exists.\nChoose a different Profile name.");
            EXPECT_TRUE(Focused(dialog, "nameEdit"));

            Type(dialog, "nameEdit", "Fresh");
            Type(dialog, "directoryEdit",
                 QString::fromStdString((root.path() / "missing").string()));
            EXPECT_EQ(Click(dialog, "saveButton"), -1);
            EXPECT_EQ(dialogs.messages.back(), "The Path to the Update Files does not exist");
            EXPECT_TRUE(Focused(dialog, "directoryEdit"));
            return Click(dialog, "cancelButton");
        });
        EXPECT_EQ(Click(profilesDialog, "newButton"), -1);
        EXPECT_EQ(Profiles(profilesDialog), (QStringList{"Daily", "Weekly"}));

        // Escape in Profile Settings keeps every file as well.
        Then([&](QDialog& dialog) { return Escape(dialog); });
        Click(profilesDialog, "editButton");
        return Escape(profilesDialog);
    });
    EXPECT_EQ(dialogs.messages.size(), 5U);
    EXPECT_EQ(Snapshot(root.path()), before);
}

TEST_F(ProfileDialogsTest, NewCloneAndEditWriteWhatTheCoreWritesForTheForm) {
    Open();
    ProfileForm expected = profiles::NewProfileForm(Portfolio("A"));
    expected.name = "Fresh";
    expected.updateDirectory = Updates().string();
    expected.openOn = false;
    expected.openInterestOn = false;
    expected.closeColumn = 3;
    expected.delimiter = 1;
    expected.dateFormatPosition = 4;
    Run([&](QDialog& profilesDialog) {
        Then([&](QDialog& dialog) {
            Type(dialog, "nameEdit", "Fresh");
            // The chooser's directory lands in the field, saved without its trailing separator.
            Then([&](QDialog& chooser) {
                EXPECT_EQ(chooser.windowTitle(), "Choose Directory");
                Type(chooser, "directoryEdit",
                     QString::fromStdString(Updates().string()) + QLatin1Char('/'));
                chooser.accept();
                return chooser.result();
            });
            Click(dialog, "browseButton");
            EXPECT_EQ(dialog.findChild<QLineEdit*>("directoryEdit")->text().toStdString(),
                      Updates().string() + "/");
            Box(dialog, "openCheck")->click();
            // Clearing Open Int greys the futures box out.
            EXPECT_TRUE(Box(dialog, "futuresCheck")->isEnabled());
            Box(dialog, "openInterestCheck")->click();
            EXPECT_FALSE(Box(dialog, "futuresCheck")->isEnabled());
            SetColumn(dialog, "closeColumnSpin", 3);
            dialog.findChild<QRadioButton*>("tabRadio")->click();
            dialog.findChild<QComboBox*>("dateFormatCombo")->setCurrentIndex(4);
            EXPECT_EQ(dialog.findChild<QComboBox*>("dateFormatCombo")->currentText(), "DD_MM_YY");
            return Click(dialog, "saveButton");
        });
        Click(profilesDialog, "newButton");
        EXPECT_EQ(Profiles(profilesDialog), (QStringList{"Daily", "Fresh", "Weekly"}));
        EXPECT_EQ(SelectedProfile(profilesDialog), "Fresh");

        // Clone proposes a name of its own and keeps every field.
        SelectProfile(profilesDialog, "Weekly");
        Then([&](QDialog& dialog) {
            EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->text(),
                      "Please create new Profile name");
            EXPECT_TRUE(dialog.findChild<QRadioButton*>("spaceRadio")->isChecked());
            EXPECT_TRUE(Box(dialog, "futuresCheck")->isChecked());
            Type(dialog, "nameEdit", "Copy");
            return Click(dialog, "saveButton");
        });
        Click(profilesDialog, "cloneButton");

        // Edit under the profile's own name is no clash; clearing Volume keeps the futures tick.
        SelectProfile(profilesDialog, "Weekly");
        Then([&](QDialog& dialog) {
            EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->text(), "Weekly");
            Box(dialog, "volumeCheck")->click();
            EXPECT_FALSE(Box(dialog, "futuresCheck")->isEnabled());
            EXPECT_TRUE(Box(dialog, "futuresCheck")->isChecked());
            return Click(dialog, "saveButton");
        });
        Click(profilesDialog, "editButton");
        // Edit under a new name writes a second profile beside the first.
        Then([&](QDialog& dialog) {
            Type(dialog, "nameEdit", "Weekly2");
            return Click(dialog, "saveButton");
        });
        Click(profilesDialog, "editButton");
        EXPECT_EQ(SelectedProfile(profilesDialog), "Weekly2");
        return Escape(profilesDialog);
    });
    EXPECT_EQ(ReadBytes(root.path() / "Fresh.pfd"), CoreProfile(expected));

    profiles::Profile weekly;
    ASSERT_TRUE(profiles::ReadProfile(root.path(), "Weekly", weekly, quiet));
    EXPECT_EQ(weekly.volumeColumn, 0);
    EXPECT_EQ(weekly.priorDayVolumeOI, 1);
    profiles::Profile copy;
    ASSERT_TRUE(profiles::ReadProfile(root.path(), "Copy", copy, quiet));
    weekly.volumeColumn = 7;  // Copy was cloned before the edit
    EXPECT_EQ(copy, weekly);
    EXPECT_EQ(ReadBytes(root.path() / "Weekly2.pfd"), ReadBytes(root.path() / "Weekly.pfd"));
}

TEST_F(ProfileDialogsTest, AddingASymbolOffersItsProfileAtOnce) {
    Open();
    dialogs.dialogAnswers.push_back([&](QDialog& dialog) {
        Type(dialog, "symbolEdit", "ibm");
        return Click(dialog, "okButton");
    });
    dialogs.dialogAnswers.push_back([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Profiles Management");
        EXPECT_EQ(Text(dialog, "symbolText"), "IBM");
        EXPECT_EQ(Text(dialog, "fileNumberText"), "F4.dat");
        EXPECT_EQ(Text(dialog, "profileText"), "(none)");
        Click(dialog, "singleAssignButton");
        return Click(dialog, "closeButton");
    });
    View().Execute(CommandId::kSymbolAdd);
    EXPECT_TRUE(dialogs.dialogAnswers.empty());
    EXPECT_EQ(profiles::ReadAssignment(Portfolio("A"), 4), "Weekly");
    const int row = View().State().SymbolRowOf("IBM");
    ASSERT_GE(row, 0);
    EXPECT_EQ(Row("symbolGrid", row)[2], "Weekly");
    EXPECT_EQ(View().State().currentSymbol, "IBM");

    // A refused symbol offers nothing.
    dialogs.dialogTitles.clear();
    dialogs.dialogAnswers.push_back([&](QDialog& dialog) {
        Type(dialog, "symbolEdit", "zed");
        return Click(dialog, "okButton");
    });
    View().Execute(CommandId::kSymbolAdd);
    EXPECT_EQ(dialogs.dialogTitles, std::vector<std::string>{"Add Symbol"});
}

}  // namespace
}  // namespace ticksmith::test
