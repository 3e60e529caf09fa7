// The dialogs around an update run, filled as a person would, checked through the files.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <ctime>

#include "app/update_step_dialogs.h"
#include "profiles/profile.h"
#include "store/master.h"
#include "update/audit_log.h"
#include "update/manual_date.h"
#include "update/new_symbols.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

std::string Text(const fs::path& path) {
    const Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const fs::path& path, std::string_view text) {
    WriteBytes(path, text);
}

// A comma profile over `updates`: SYMBOL,MM/DD/YY,CLOSE.
void WriteProfile(const fs::path& working, const std::string& name, const fs::path& updates) {
    profiles::Profile profile;
    profile.symbolColumn = 1;
    profile.dateColumn = 2;
    profile.closeColumn = 3;
    profile.dateFormat = store::kDateFormatMmDdYy;
    profile.updateDirectory = updates.string();
    profiles::ProfileBytes bytes{};
    ASSERT_TRUE(profiles::EncodeProfile(profile, bytes));
    WriteBytes(working / profiles::ProfileFileName(name), bytes);
}

// Help opens the help window, owned by the dialog, at this page.
QString HelpPageAfterClicking(QDialog& dialog) {
    Click(dialog, "helpButton");
    auto* browser = dialog.findChild<QTextBrowser*>();
    return browser == nullptr ? QString() : browser->source().toString();
}

QString LabelText(QDialog& dialog, const char* name) {
    return Child<QLabel>(dialog, name)->text();
}

class UpdateStepDialogsTest : public testing::Test, public WindowFixture {
  protected:
    // Portfolios A (IBM) and B (MSFT); the profile "Daily" reads the update directory.
    void SetUp() override {
        fs::create_directories(Portfolio("A"));
        fs::create_directories(Portfolio("B"));
        fs::create_directories(Updates());
        fs::create_directories(root.path() / "Lasttime");
        AddSymbol(Portfolio("A"), "IBM", 3);
        AddSymbol(Portfolio("B"), "MSFT", 3);
        WriteProfile(root.path(), "Daily", Updates());
    }

    fs::path Updates() const { return root.path() / "updates"; }

    std::vector<std::string> Symbols(const std::string& portfolio) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(Portfolio(portfolio), records), store::kSuccess);
        std::vector<std::string> symbols;
        for (const auto& record : records) {
            std::string text = record.SymbolText() + "/" +
                               std::string(record.issueName.begin(), record.issueName.end());
            text.erase(text.find_last_not_of(' ') + 1);
            symbols.push_back(
                text + "/" +
                profiles::ReadAssignment(Portfolio(portfolio), record.fileNumber).value_or("-"));
        }
        return symbols;
    }

    // Today's update files, one new symbol each (only a file's first line is looked at).
    void NewSymbolsToday(const std::vector<std::string>& symbols) {
        const std::string date =
            store::FormatDateText(update::ExpectedDate(store::DayNumberOfTime(std::time(nullptr))),
                                  store::kDateFormatMmDdYy, '/');
        WriteText(root.path() / "Lasttime" / "Lasttime.txt", "IBM\r\nMSFT\r\n");
        WriteText(Updates() / "known.txt", "IBM," + date + ",1\r\n");
        for (const std::string& symbol : symbols) {
            WriteText(Updates() / ("new-" + symbol + ".txt"), symbol + "," + date + ",2\r\n");
        }
    }

    void RunNewSymbols(ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        app::RunNewSymbolStep(View());
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "the step showed no dialog";
    }

    bool RunManualDate(ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        return app::RunManualDateStep(View());
    }
};

TEST_F(UpdateStepDialogsTest, ManualDateOkDatesTheFilesAsTheCoreDoesAndCancelChangesNothing) {
    const std::string original = "IBM,10.5\r\n\r\n   \r\nMSFT,20\r\n";
    WriteText(Updates() / "day.txt", original);
    // A twin of the working and update directories, dated by the core directly.
    const fs::path twin = root.path() / "twin";
    fs::create_directories(twin / "updates");
    WriteProfile(twin, "Daily", twin / "updates");
    WriteText(twin / "updates" / "day.txt", original);
    Open();

    const auto before = Snapshot(root.path());
    const std::string today =
        store::FormatDateText(store::DayNumberOfTime(std::time(nullptr)), 3, '/');
    EXPECT_FALSE(RunManualDate([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Assign Date Manually ");
        auto* edit = Child<QLineEdit>(dialog, "dateEdit");
        EXPECT_EQ(edit->text().toStdString(), today);
        EXPECT_EQ(edit->maxLength(), 30);
        EXPECT_TRUE(Child<QPushButton>(dialog, "okButton")->isDefault());
        EXPECT_EQ(HelpPageAfterClicking(dialog), "qrc:/help/manual_date.html");
        EXPECT_EQ(LabelText(dialog, "bumpLabel"),
                  "Ensure that the column assigments in the Profiles account for the added coumn "
                  "(bump them up by 1).");
        EXPECT_EQ(LabelText(dialog, "backupLabel"),
                  "Your original files will be saved in a \"bak\" directory.");
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    }));
    EXPECT_FALSE(RunManualDate([&](QDialog& dialog) { return Click(dialog, "cancelButton"); }));
    EXPECT_EQ(Snapshot(root.path()), before);
    EXPECT_TRUE(dialogs.messages.empty());

    EXPECT_TRUE(RunManualDate([&](QDialog& dialog) {
        Type(dialog, "dateEdit", " 01,05,04 ");
        return Click(dialog, "okButton");
    }));
    EXPECT_TRUE(
        update::AssignManualDate(twin, update::ManualDateText(" 01,05,04 ")).failed.empty());
    EXPECT_EQ(Snapshot(Updates()), Snapshot(twin / "updates"));
    EXPECT_EQ(Text(Updates() / "day.txt"), "01 05 04,IBM,10.5\r\n\r\n   \r\n01 05 04,MSFT,20\r\n");
    EXPECT_EQ(Text(Updates() / "BAK" / "DAY.TXT"), original);
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(UpdateStepDialogsTest, ManualDateThatCannotBeBackedUpStopsTheCommandNamingTheFile) {
    WriteText(Updates() / "day.txt", "IBM,10.5\r\n");
    // A file where the backup directory should go.
    WriteText(Updates() / "BAK", "");
    Open();
    const auto before = Snapshot(root.path());
    EXPECT_FALSE(RunManualDate([](QDialog& dialog) { return Click(dialog, "okButton"); }));
    EXPECT_EQ(Snapshot(root.path()), before);
    EXPECT_EQ(Text(Updates() / "day.txt"), "IBM,10.5\r\n");
    ASSERT_EQ(dialogs.messages.size(), 1U);
    EXPECT_TRUE(dialogs.Showed("The date could not be put into these update files:"));
    EXPECT_NE(dialogs.messages[0].find((Updates() / "day.txt").string()), std::string::npos);
}

TEST_F(UpdateStepDialogsTest, NewSymbolYesWithAndWithoutANameAndNo) {
    WriteProfile(root.path(), "Weekly", root.path() / "weekly");
    store.WriteString(settings::keys::kLastProfile.section, settings::keys::kLastProfile.value,
                      "weekly");
    NewSymbolsToday({"AAPL", "NVDA", "ORCL"});
    Open();
    ASSERT_EQ(View().State().current.portfolioDir, Portfolio("A").string());

    RunNewSymbols([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "New Symbol");
        EXPECT_EQ(Child<QGroupBox>(dialog, "entryGroup")->title(), "New Portfolio Entry");
        EXPECT_EQ(LabelText(dialog, "questionLabel"),
                  "Would you like to add the Symbol to this Portfolio?");
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "AAPL is a new Symbol (1 of 3)");
        EXPECT_EQ(LabelText(dialog, "portfolioLabel").toStdString(), Portfolio("A").string());
        auto* name = Child<QLineEdit>(dialog, "nameEdit");
        EXPECT_EQ(name->text(), "AAPL");
        EXPECT_EQ(name->maxLength(), 16);
        auto* profile = Child<QComboBox>(dialog, "profileCombo");
        EXPECT_EQ(profile->count(), 2);
        EXPECT_EQ(profile->currentText(), "Weekly");
        EXPECT_TRUE(Child<QPushButton>(dialog, "yesButton")->isDefault());
        for (const char* button : {"noButton", "cancelButton", "yesToAllButton"}) {
            EXPECT_FALSE(Child<QPushButton>(dialog, button)->isHidden()) << button;
        }

        Type(dialog, "nameEdit", "  apple inc ");
        EXPECT_EQ(Click(dialog, "yesButton"), -1);
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "NVDA is a new Symbol (2 of 3)");
        EXPECT_EQ(name->text(), "NVDA");
        profile->setCurrentIndex(profile->findText("Daily"));
        name->clear();
        EXPECT_EQ(Click(dialog, "yesButton"), -1);
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "ORCL is a new Symbol (3 of 3)");
        return Click(dialog, "noButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"IBM/IBM CORP/-", "AAPL/APPLE INC/Weekly",
                                                      "NVDA/NVDA/Daily"}));
    EXPECT_EQ(Symbols("B"), std::vector<std::string>{"MSFT/MSFT CORP/-"});
    EXPECT_EQ(settings::Read(store, settings::keys::kLastProfile), "Daily");
    // The grid is read again from its first row.
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 3);
    EXPECT_EQ(View().State().selectedSymbolRow, 0);
    EXPECT_EQ(View().State().currentSymbol, "AAPL");
}

TEST_F(UpdateStepDialogsTest, NewSymbolCancelYesToAllAndAFailedAdditionThatStays) {
    NewSymbolsToday({"AAPL", "NVDA", "ORCL"});
    Open();
    const auto before = Snapshot(Portfolio("A"));
    RunNewSymbols([&](QDialog& dialog) {
        EXPECT_EQ(Click(dialog, "noButton"), -1);
        return Click(dialog, "cancelButton");
    });
    // Escape is Cancel too.
    RunNewSymbols([&](QDialog& dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
        return dialog.result();
    });
    EXPECT_EQ(Snapshot(Portfolio("A")), before);

    RunNewSymbols([&](QDialog& dialog) {
        Type(dialog, "nameEdit", "apple inc");
        return Click(dialog, "yesToAllButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"IBM/IBM CORP/-", "AAPL/APPLE INC/Daily",
                                                      "NVDA/NVDA/Daily", "ORCL/ORCL/Daily"}));
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 4);

    // The same symbols again: the portfolio holds them, the core says so, and the dialog stays
    // on the first until it is closed.
    const auto added = Snapshot(Portfolio("A"));
    RunNewSymbols([&](QDialog& dialog) {
        EXPECT_EQ(Child<QLabel>(dialog, "portfolioLabel")->toolTip().toStdString(),
                  Portfolio("A").string());
        EXPECT_EQ(Click(dialog, "yesToAllButton"), -1);
        EXPECT_FALSE(dialogs.messages.empty());
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "AAPL is a new Symbol (1 of 3)");
        EXPECT_EQ(Click(dialog, "yesButton"), -1);
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "AAPL is a new Symbol (1 of 3)");
        dialog.close();
        return dialog.result();
    });
    EXPECT_EQ(Snapshot(Portfolio("A")), added);
}

TEST_F(UpdateStepDialogsTest, NewSymbolChangePortfolioSendsTheNextSymbolsThere) {
    NewSymbolsToday({"AAPL", "NVDA", "ORCL"});
    Open();
    RunNewSymbols([&](QDialog& dialog) {
        EXPECT_EQ(Click(dialog, "yesButton"), -1);
        // Choosing B, which exists: its MASTER is kept.
        dialogs.buttonAnswers.push_back(QMessageBox::No);
        dialogs.dialogAnswers.push_back([&](QDialog& chooser) {
            EXPECT_EQ(chooser.windowTitle(), "Select or Create Portfolio");
            Type(chooser, "pathEdit", QString::fromStdString(Portfolio("B").string()));
            return Click(chooser, "okButton");
        });
        EXPECT_EQ(Click(dialog, "changePortfolioButton"), -1);
        EXPECT_EQ(LabelText(dialog, "portfolioLabel").toStdString(), Portfolio("B").string());
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "NVDA is a new Symbol (2 of 3)");
        EXPECT_EQ(Click(dialog, "yesButton"), -1);
        return Click(dialog, "cancelButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"IBM/IBM CORP/-", "AAPL/AAPL/Daily"}));
    EXPECT_EQ(Symbols("B"), (std::vector<std::string>{"MSFT/MSFT CORP/-", "NVDA/NVDA/Daily"}));
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("B").string());
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 2);

    // The title is the New Symbol dialog's only: Portfolio > Add is "Add Portfolio" again.
    dialogs.dialogAnswers.push_back([](QDialog& dialog) { return Click(dialog, "cancelButton"); });
    View().Execute(app::CommandId::kPortfolioAdd);
    EXPECT_EQ(dialogs.dialogTitles.back(), "Add Portfolio");
}

TEST_F(UpdateStepDialogsTest, NewSymbolAloneOffersYesAndNoWhereNoAndCancelStood) {
    NewSymbolsToday({"AAPL", "NVDA"});
    Open();
    QRect noOfTwo, cancelOfTwo;
    RunNewSymbols([&](QDialog& dialog) {
        dialog.show();
        noOfTwo = Child<QPushButton>(dialog, "noButton")->geometry();
        cancelOfTwo = Child<QPushButton>(dialog, "cancelButton")->geometry();
        return Click(dialog, "cancelButton");
    });

    fs::remove(Updates() / "new-NVDA.txt");
    RunNewSymbols([&](QDialog& dialog) {
        dialog.show();
        EXPECT_EQ(LabelText(dialog, "messageLabel"), "AAPL is a new Symbol (1 of 1)");
        EXPECT_TRUE(Child<QPushButton>(dialog, "cancelButton")->isHidden());
        EXPECT_TRUE(Child<QPushButton>(dialog, "yesToAllButton")->isHidden());
        EXPECT_FALSE(Child<QPushButton>(dialog, "changePortfolioButton")->isHidden());
        EXPECT_EQ(Child<QPushButton>(dialog, "yesButton")->geometry(), noOfTwo);
        EXPECT_EQ(Child<QPushButton>(dialog, "noButton")->geometry(), cancelOfTwo);
        return Click(dialog, "yesButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"IBM/IBM CORP/-", "AAPL/AAPL/Daily"}));

    // Nothing new: no dialog, nothing changed.
    fs::remove(Updates() / "new-AAPL.txt");
    const auto before = Snapshot(Portfolio("A"));
    app::RunNewSymbolStep(View());
    EXPECT_EQ(dialogs.dialogTitles.size(), 2U);
    EXPECT_EQ(Snapshot(Portfolio("A")), before);
}

TEST_F(UpdateStepDialogsTest, AnomalyReportShowsTheAuditLogsMisses) {
    update::AuditLog log;
    ASSERT_TRUE(log.Open(root.path()));
    log.RunHeader(std::time(nullptr));
    log.PortfolioHeader(Portfolio("A").string());
    log.QuoteAdded("010504", "IBM", Portfolio("A").string(), Updates() / "day.txt");
    log.SymbolFailed("MSFT");
    log.ArchiveFailed("De-Compress", "DAILY.ZIP");
    ASSERT_TRUE(log.Close());
    Open();

    const update::AnomalyReport report = update::BuildAnomalyReport(log.Path(), 1);
    dialogs.dialogAnswers.push_back([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Anomaly Report");
        EXPECT_EQ(dialog.parentWidget(), &View());
        EXPECT_EQ(LabelText(dialog, "headerLabel").toStdString(), report.header);
        EXPECT_EQ(LabelText(dialog, "headerLabel").left(25), "Results of Ticksmith for ");
        EXPECT_EQ(LabelText(dialog, "countCaption"), "Number of updated quotes:");
        EXPECT_EQ(LabelText(dialog, "countLabel"), "1");
        EXPECT_EQ(LabelText(dialog, "noteLabel"), "See file  AUDIT.TXT for more details.");
        auto* list = Child<QListWidget>(dialog, "entryList");
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
        std::vector<std::string> entries;
        for (int row = 0; row < list->count(); ++row) {
            entries.push_back(list->item(row)->text().toStdString());
        }
        EXPECT_EQ(entries,
                  (std::vector<std::string>{"MSFT in " + Portfolio("A").string() + " ", "",
                                            "ERROR: De-Compress failure for file DAILY.ZIP "}));
        EXPECT_TRUE(Child<QPushButton>(dialog, "okButton")->isDefault());
        EXPECT_EQ(HelpPageAfterClicking(dialog), "qrc:/help/anomaly_report.html");
        return Click(dialog, "okButton");
    });
    app::ShowAnomalyReport(&View(), report);
    EXPECT_TRUE(dialogs.dialogAnswers.empty());

    // A run that added nothing; a header past 100 characters is cut there.
    update::AnomalyReport nothing = update::BuildAnomalyReport(log.Path(), 0);
    nothing.header = std::string(120, 'h');
    dialogs.dialogAnswers.push_back([](QDialog& dialog) {
        EXPECT_EQ(LabelText(dialog, "headerLabel"), QString(100, 'h'));
        EXPECT_EQ(LabelText(dialog, "countLabel"), "0");
        auto* list = Child<QListWidget>(dialog, "entryList");
        EXPECT_EQ(list->item(0)->text(), "No quotes were updated this time.");
        EXPECT_EQ(list->count(), 10);
        return QDialog::Accepted;
    });
    app::ShowAnomalyReport(&View(), nothing);
    EXPECT_TRUE(dialogs.dialogAnswers.empty());
}

}  // namespace
}  // namespace ticksmith::test
