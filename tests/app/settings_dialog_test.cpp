// "Ticksmith Settings" filled as a person would: what OK stores, what Cancel leaves, the
// enabling rules, the checks, and the rescan or refill that follows.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "update/archiver.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;
using Values = std::map<std::pair<std::string, std::string>, std::string>;

// A click as a person makes it: a disabled control does not respond.
void Toggle(QDialog& dialog, const char* name) {
    dialog.show();
    Child<QAbstractButton>(dialog, name)->click();
}

bool Checked(QDialog& dialog, const char* name) {
    return Child<QAbstractButton>(dialog, name)->isChecked();
}

std::vector<std::string> EnabledControls(QDialog& dialog) {
    std::vector<std::string> enabled;
    for (const char* name :
         {"searchNameEdit", "newSymbolsCheck", "zipPasswordCheck", "zipPasswordEdit",
          "zipLeaveRadio", "zipDeleteRadio", "pkunzipPathEdit", "browseButton", "sexPasswordCheck",
          "sexPasswordEdit", "sexLeaveRadio", "sexDeleteRadio"}) {
        if (Child<QWidget>(dialog, name)->isEnabled()) {
            enabled.emplace_back(name);
        }
    }
    return enabled;
}

class SettingsDialogTest : public testing::Test, public WindowFixture {
  protected:
    // data/A holds ABC; other/B holds XYZ. The filter starts at the temporary root.
    void SetUp() override {
        fs::create_directories(Portfolio("data") / "A");
        fs::create_directories(Portfolio("other") / "B");
        AddSymbol(Portfolio("data") / "A", "ABC", 3);
        AddSymbol(Portfolio("other") / "B", "XYZ", 2);
        // An archiver of our own name, startable, in its own directory.
        fs::create_directories(Archiver());
        WriteBytes(Archiver() / std::string(update::kArchiverName), std::string("#!/bin/sh\n"));
        fs::permissions(Archiver() / std::string(update::kArchiverName), fs::perms::owner_all);
    }

    fs::path Archiver() const { return root.path() / "tools"; }

    // Runs File > Settings... with the answer to "Ticksmith Settings".
    void Run(ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        View().Execute(CommandId::kSettings);
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "the dialog was not shown";
    }

    // Waits for a scan the command started; false when none was started.
    bool ScanEnded(QSignalSpy& finished) {
        return finished.count() > 0 || (View().IsScanning() && finished.wait(10000));
    }

    std::vector<std::string> Portfolios() const { return frame->View().State().portfolios; }

    // What the core writes for `settings` into an empty store.
    static Values CoreWrites(const settings::ViewSettings& settings) {
        settings::MemorySettingsStore expected;
        EXPECT_TRUE(settings::WriteViewSettings(expected, settings));
        return expected.Values();
    }

    // The store's values but the drive and the window's placement, which the window writes.
    Values DialogValues() const {
        Values values = store.Values();
        std::erase_if(values, [](const auto& entry) {
            return entry.first.first == "Settings" || entry.first.first == "Screen";
        });
        return values;
    }
};

TEST_F(SettingsDialogTest, EverySettingIsStoredAsTheCoreWritesItAndCancelStoresNothing) {
    Open();
    const Values opened = store.Values();
    // Cancel after changing everything: nothing stored, nothing in memory changed.
    Run([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Ticksmith Settings");
        Toggle(dialog, "deleteTxtRadio");
        Toggle(dialog, "zipEnableCheck");
        Type(dialog, "searchNameEdit", "elsewhere");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    EXPECT_EQ(store.Values(), opened);
    EXPECT_FALSE(View().State().settings.deleteTxt);
    EXPECT_FALSE(View().State().settings.zipEnable);

    const std::string archiver = Archiver().string();
    Run([&](QDialog& dialog) {
        for (const char* name :
             {"deleteTxtRadio", "anomalyReportCheck", "importantSoundsCheck", "newSymbolsCheck",
              "catchUpCheck", "volumeIntegerCheck", "openInterestIntegerCheck",
              "repairMastersCheck", "zipEnableCheck", "zipPasswordCheck", "zipDeleteRadio",
              "sexEnableCheck", "sexPasswordCheck", "sexDeleteRadio"}) {
            Toggle(dialog, name);
        }
        Type(dialog, "zipPasswordEdit", "zip secret");
        Type(dialog, "sexPasswordEdit", "exe secret");
        Type(dialog, "pkunzipPathEdit", QString::fromStdString(archiver));
        // The filter as the person typed it, in another case: the same portfolios.
        Type(dialog, "searchNameEdit",
             QString::fromStdString(platform::ToUpperAscii(root.path().string())));
        return Click(dialog, "okButton");
    });
    settings::ViewSettings expected = viewSettings;
    expected.deleteTxt = expected.auditEnable = expected.soundDisable = expected.newSymbols = true;
    expected.volumeAsInteger = expected.openInterestAsInteger = expected.masterFix = true;
    expected.catchUp = false;
    expected.zipEnable = expected.zipPasswordEnable = expected.deleteZip = true;
    expected.sexEnable = expected.sexPasswordEnable = expected.deleteSex = true;
    expected.zipPassword = "zip secret";
    expected.sexPassword = "exe secret";
    // The path keeps its case: it is what opens the program.
    expected.pkunzipPath = archiver;
    expected.searchName = platform::ToUpperAscii(root.path().string());
    EXPECT_EQ(DialogValues(), CoreWrites(expected));
    const settings::ViewSettings& held = View().State().settings;
    EXPECT_EQ(held.searchFilter, platform::ToUpperAscii(root.path().string()));
    EXPECT_TRUE(held.zipEnable && held.deleteSex && held.masterFix && !held.catchUp);
    EXPECT_EQ(held.sexPassword, "exe secret");

    // Opened again, the dialog shows what was stored; OK unchanged writes the same values.
    Run([&](QDialog& dialog) {
        EXPECT_TRUE(Checked(dialog, "deleteTxtRadio") && Checked(dialog, "zipDeleteRadio") &&
                    Checked(dialog, "sexDeleteRadio") && !Checked(dialog, "catchUpCheck"));
        EXPECT_EQ(Child<QLineEdit>(dialog, "zipPasswordEdit")->text(), "zip secret");
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(DialogValues(), CoreWrites(expected));
}

TEST_F(SettingsDialogTest, ControlsFollowTheirBoxesAndPasswordsTakeSixteenCharacters) {
    viewSettings.searchLimit = false;
    Open();
    Run([&](QDialog& dialog) {
        // Everything that depends on a box is off while its box is clear.
        EXPECT_EQ(EnabledControls(dialog), std::vector<std::string>{"newSymbolsCheck"});
        Toggle(dialog, "searchLimitCheck");
        Toggle(dialog, "zipEnableCheck");
        EXPECT_EQ(EnabledControls(dialog),
                  (std::vector<std::string>{"searchNameEdit", "newSymbolsCheck", "zipPasswordCheck",
                                            "zipLeaveRadio", "zipDeleteRadio", "pkunzipPathEdit",
                                            "browseButton"}));
        Toggle(dialog, "zipPasswordCheck");
        Toggle(dialog, "sexEnableCheck");
        Toggle(dialog, "sexPasswordCheck");
        EXPECT_EQ(EnabledControls(dialog).size(), 12U);
        Type(dialog, "zipPasswordEdit", "abcdefghijklmnopqrst");
        Type(dialog, "sexPasswordEdit", "ABCDEFGHIJKLMNOPQRST");
        EXPECT_EQ(Child<QLineEdit>(dialog, "zipPasswordEdit")->text(), "abcdefghijklmnop");
        EXPECT_EQ(Child<QLineEdit>(dialog, "sexPasswordEdit")->text(), "ABCDEFGHIJKLMNOP");
        // A password kept while its box is clear is not lost, only shut off.
        Toggle(dialog, "zipEnableCheck");
        EXPECT_FALSE(Child<QWidget>(dialog, "zipPasswordEdit")->isEnabled());
        EXPECT_TRUE(Checked(dialog, "zipPasswordCheck"));

        // Manual dates and new-symbol identification exclude each other.
        Toggle(dialog, "newSymbolsCheck");
        EXPECT_TRUE(Checked(dialog, "newSymbolsCheck"));
        Toggle(dialog, "manualDateCheck");
        EXPECT_FALSE(Checked(dialog, "newSymbolsCheck"));
        Toggle(dialog, "newSymbolsCheck");
        EXPECT_FALSE(Checked(dialog, "newSymbolsCheck"));
        Toggle(dialog, "manualDateCheck");
        EXPECT_TRUE(Child<QWidget>(dialog, "newSymbolsCheck")->isEnabled());
        EXPECT_FALSE(Checked(dialog, "newSymbolsCheck"));
        return QDialog::Rejected;
    });
}

TEST_F(SettingsDialogTest, ManualDatesStoredWithNewSymbolsOpenWithNewSymbolsShutOff) {
    viewSettings.newSymbols = viewSettings.handAdd = true;
    Open();
    Run([&](QDialog& dialog) {
        EXPECT_FALSE(Checked(dialog, "newSymbolsCheck"));
        EXPECT_FALSE(Child<QWidget>(dialog, "newSymbolsCheck")->isEnabled());
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(store.ReadInt("NewSymb", "NewSymb", -1), 0);
    EXPECT_EQ(store.ReadInt("NewSymb", "HandAdd", -1), 1);
}

TEST_F(SettingsDialogTest, ChecksKeepTheDialogOpenWithTheFocusOnTheFieldAndStoreNothing) {
    Open();
    const Values opened = store.Values();
    const std::string missing = (root.path() / "nowhere").string();
    Run([&](QDialog& dialog) {
        Toggle(dialog, "zipEnableCheck");
        Type(dialog, "pkunzipPathEdit", QString::fromStdString(missing));
        // Both fields are wrong: the archiver is named first.
        Type(dialog, "searchNameEdit", "data");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(),
                  "PKUNZIP.EXE was not found at\n" + missing +
                      "\n\nPlease correct the path or \ndisable automatic decompression.");
        EXPECT_EQ(dialog.focusWidget(), Child<QWidget>(dialog, "pkunzipPathEdit"));
        // A directory of the archiver's name is no program.
        fs::create_directories(root.path() / "nowhere" / std::string(update::kArchiverName));
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.size(), 2U);

        // Browse... puts the chosen directory in the path.
        dialogs.dialogAnswers.push_back([&](QDialog& chooser) {
            EXPECT_EQ(chooser.windowTitle(), "Choose Directory");
            Type(chooser, "directoryEdit", QString::fromStdString(Archiver().string()));
            chooser.accept();
            return chooser.result();
        });
        Toggle(dialog, "browseButton");
        EXPECT_EQ(Child<QLineEdit>(dialog, "pkunzipPathEdit")->text().toStdString(),
                  Archiver().string());
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "The Search Filter path refers to an unknown drive");
        EXPECT_EQ(dialog.focusWidget(), Child<QWidget>(dialog, "searchNameEdit"));
        EXPECT_EQ(Child<QLineEdit>(dialog, "searchNameEdit")->text(), "data");
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    EXPECT_EQ(dialogs.messages.size(), 3U);
    EXPECT_EQ(store.Values(), opened);
}

TEST_F(SettingsDialogTest, AChangedFilterScansAgainAndTheNumberDisplayRefillsTheQuotes) {
    Open();
    ASSERT_EQ(Portfolios().size(), 2U);
    // Only the case of the filter: no scan.
    {
        QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
        Run([&](QDialog& dialog) {
            Type(dialog, "searchNameEdit",
                 QString::fromStdString(platform::ToUpperAscii(root.path().string())));
            return Click(dialog, "okButton");
        });
        EXPECT_FALSE(ScanEnded(finished));
    }
    // A narrower filter: the scan finds only what it lets in.
    {
        QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
        Run([&](QDialog& dialog) {
            Type(dialog, "searchNameEdit", QString::fromStdString(Portfolio("data").string()));
            return Click(dialog, "okButton");
        });
        ASSERT_TRUE(ScanEnded(finished));
        EXPECT_EQ(Portfolios(), std::vector<std::string>{(Portfolio("data") / "A").string()});
        EXPECT_EQ(View().Drive(), root.path().string());
    }
    // The filter switched off, its text unchanged: scanned again, everything found.
    {
        QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
        Run([&](QDialog& dialog) {
            Toggle(dialog, "searchLimitCheck");
            return Click(dialog, "okButton");
        });
        ASSERT_TRUE(ScanEnded(finished));
        EXPECT_EQ(Portfolios().size(), 2U);
    }

    // The volume as an integer: the quote grid shows it at once, from its first row.
    ASSERT_EQ(Row("quoteGrid", 0)[5], "3000.0000");
    Grid("quoteGrid")->selectRow(2);
    QSignalSpy finished(&View(), &app::CTicksmithView::ScanFinished);
    Run([&](QDialog& dialog) {
        Toggle(dialog, "volumeIntegerCheck");
        return Click(dialog, "okButton");
    });
    EXPECT_FALSE(ScanEnded(finished));
    EXPECT_EQ(Row("quoteGrid", 0)[5], "3000");
    EXPECT_EQ(Row("quoteGrid", 0)[6], "2.0000");
    EXPECT_EQ(View().State().selectedQuoteRow, 0);
    // Together with a filter change, the scan refills everything in the new format.
    Run([&](QDialog& dialog) {
        Toggle(dialog, "openInterestIntegerCheck");
        Toggle(dialog, "searchLimitCheck");
        Type(dialog, "searchNameEdit", QString::fromStdString(Portfolio("data").string()));
        return Click(dialog, "okButton");
    });
    ASSERT_TRUE(ScanEnded(finished));
    EXPECT_EQ(Row("quoteGrid", 0)[6], "2");
}

}  // namespace
}  // namespace ticksmith::test
