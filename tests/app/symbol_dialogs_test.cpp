// The Symbol menu's dialogs, filled as a person would, checked through the files and the grids.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "portfolio/skip_list.h"
#include "store/master.h"
#include "window_support.h"

namespace ticksmith::test {
namespace {

using app::CommandId;

class SymbolDialogsTest : public testing::Test, public WindowFixture {
  protected:
    // A holds ZED (1), MID (2) and ALF (3); B holds MID (1).
    void SetUp() override {
        fs::create_directories(Portfolio("A"));
        fs::create_directories(Portfolio("B"));
        AddSymbol(Portfolio("A"), "ZED", 4);
        AddSymbol(Portfolio("A"), "MID", 5);
        AddSymbol(Portfolio("A"), "ALF", 3);
        AddSymbol(Portfolio("B"), "MID", 2);
    }

    // Both portfolios' files, byte for byte.
    std::map<std::string, Bytes> Files() { return Snapshot(root.path()); }

    std::vector<std::string> Symbols(const std::string& portfolio) {
        std::vector<store::MasterRecord> records;
        EXPECT_EQ(store::ReadMasterRecords(Portfolio(portfolio), records), store::kSuccess);
        std::vector<std::string> symbols;
        for (const auto& record : records) {
            symbols.push_back(std::to_string(record.fileNumber) + record.SymbolText());
        }
        return symbols;
    }

    QListView* List() { return frame->findChild<QListView*>("portfolioList"); }

    void SelectRow(int row) {
        ASSERT_GE(row, 0);
        Grid("symbolGrid")->setCurrentIndex(Grid("symbolGrid")->model()->index(row, 0));
    }
    void SelectSymbol(const std::string& symbol) {
        SelectRow(View().State().SymbolRowOf(symbol));
        ASSERT_EQ(View().State().currentSymbol, symbol);
    }

    std::string SelectedSymbolShown() {
        const QModelIndex current = Grid("symbolGrid")->selectionModel()->currentIndex();
        return current.isValid() ? Row("symbolGrid", current.row())[0] : std::string();
    }

    // Runs the command with one scripted answer to its dialog.
    void Run(CommandId id, ScriptedDialogs::DialogAnswer answer) {
        dialogs.dialogAnswers.push_back(std::move(answer));
        View().Execute(id);
        EXPECT_TRUE(dialogs.dialogAnswers.empty()) << "the command showed no dialog";
    }
};

QString LabelText(QDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(name)->text();
}

TEST_F(SymbolDialogsTest, AddRefusesWhatCannotBeStoredAndAddsAnEmptySymbolSelected) {
    Open();
    const auto before = Files();
    Run(CommandId::kSymbolAdd, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Add Symbol");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("symbolEdit")->maxLength(), 16);
        EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->maxLength(), 16);
        Type(dialog, "symbolEdit", "   ");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "You did not enter a symbol");
        EXPECT_TRUE(Focused(dialog, "symbolEdit"));
        // Sixteen characters on screen, more bytes in MASTER: refused, never cut mid-character.
        Type(dialog, "symbolEdit", QStringLiteral("ÄÖÜÄÖÜÄÖÜ"));
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_TRUE(dialogs.Showed("The symbol may have at most 16 characters"));
        EXPECT_TRUE(Focused(dialog, "symbolEdit"));
        Type(dialog, "symbolEdit", "ok");
        Type(dialog, "nameEdit", QStringLiteral("ÄÖÜÄÖÜÄÖÜ"));
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_TRUE(dialogs.Showed("The name may have at most 16 characters"));
        EXPECT_TRUE(Focused(dialog, "nameEdit"));
        return Click(dialog, "cancelButton");
    });
    EXPECT_EQ(Files(), before);

    Run(CommandId::kSymbolAdd, [&](QDialog& dialog) {
        Type(dialog, "symbolEdit", " ibm ");
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID", "3ALF", "4IBM"}));
    std::vector<store::MasterRecord> records;
    ASSERT_EQ(store::ReadMasterRecords(Portfolio("A"), records), store::kSuccess);
    EXPECT_EQ(std::string(records[3].issueName.begin(), records[3].issueName.end()),
              "IBM             ");
    EXPECT_EQ(ReadBytes(Portfolio("A") / "F4.DAT").size(), 28U);
    // The grid is read again, the new symbol selected.
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 4);
    EXPECT_EQ(SelectedSymbolShown(), "IBM");
    EXPECT_EQ(View().State().currentSymbol, "IBM");

    const auto added = Files();
    Run(CommandId::kSymbolAdd, [&](QDialog& dialog) {
        Type(dialog, "symbolEdit", "mid");
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(dialogs.messages.back(), "Duplicate Symbol failure");
    EXPECT_EQ(Files(), added);
}

TEST_F(SymbolDialogsTest, DeleteAsksWithNoAsDefaultAndTakesFilesAndSkipFlag) {
    portfolio::SkipList skip(portfolio::kSkipListLength, '0');
    skip[0] = '1';
    skip[3] = '1';
    ASSERT_FALSE(portfolio::SetSkipString(Portfolio("A"), skip).empty());
    Open();
    SelectSymbol("ALF");
    const auto before = Files();
    Run(CommandId::kSymbolDelete, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Delete Symbol");
        EXPECT_EQ(LabelText(dialog, "selectedLabel"), "Selected Symbol to Delete:");
        EXPECT_EQ(LabelText(dialog, "symbolLabel"), "ALF");
        EXPECT_EQ(LabelText(dialog, "questionLabel"),
                  "Are you sure you want to delete the Symbol shown above? ");
        EXPECT_TRUE(dialog.findChild<QPushButton*>("noButton")->isDefault());
        EXPECT_FALSE(dialog.findChild<QPushButton*>("yesButton")->isDefault());
        // Enter answers No.
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Return);
        return dialog.result();
    });
    EXPECT_EQ(Files(), before);

    Run(CommandId::kSymbolDelete, [&](QDialog& dialog) { return Click(dialog, "yesButton"); });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID"}));
    EXPECT_FALSE(fs::exists(Portfolio("A") / "F3.DAT"));
    EXPECT_FALSE(fs::exists(Portfolio("A") / "F3.DOP"));
    EXPECT_EQ(ReadBytes(Portfolio("A") / "SKIPQLDR.SKB")[3], 0);
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 2);
    EXPECT_FALSE(SelectedSymbolShown().empty());
}

TEST_F(SymbolDialogsTest, MoveAndCopyOfferTheOtherPortfoliosAndCarryTheFiles) {
    AddSymbol(Portfolio("A"), "BIG", 16000);
    fs::create_directories(Portfolio("C"));
    ASSERT_EQ(store::CreateEmptyMaster(Portfolio("C")), store::kSuccess);
    WriteBytes(Portfolio("A") / "F2.BAK", Bytes{1, 2, 3});
    Open();
    SelectSymbol("MID");
    const Bytes midData = ReadBytes(Portfolio("A") / "F2.DAT");

    // Copy to C: the source keeps the symbol and its backup.
    Run(CommandId::kSymbolCopy, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Copy Symbol");
        EXPECT_EQ(LabelText(dialog, "symbolCaption"), "You have chosen Symbol:");
        EXPECT_EQ(LabelText(dialog, "symbolLabel"), "MID");
        EXPECT_EQ(LabelText(dialog, "nameCaption"), "with Name:");
        EXPECT_EQ(LabelText(dialog, "nameLabel"), "MID CORP");
        EXPECT_EQ(LabelText(dialog, "portfolioCaption"), "presently in Portfolio:");
        EXPECT_EQ(LabelText(dialog, "portfolioLabel").toStdString(), Portfolio("A").string());
        auto* list = dialog.findChild<QListWidget*>("destinationList");
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(0)->text().toStdString(), Portfolio("B").string());
        EXPECT_EQ(list->currentRow(), 0);
        list->setCurrentRow(1);
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(Symbols("C"), std::vector<std::string>{"1MID"});
    EXPECT_EQ(ReadBytes(Portfolio("C") / "F1.DAT"), midData);
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID", "3ALF", "4BIG"}));
    EXPECT_TRUE(fs::exists(Portfolio("A") / "F2.BAK"));
    EXPECT_FALSE(fs::exists(Portfolio("C") / "F1.BAK"));

    // Move of 16,000 quotes to B, under the wait cursor.
    SelectSymbol("BIG");
    const Bytes bigData = ReadBytes(Portfolio("A") / "F4.DAT");
    Run(CommandId::kSymbolMove, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Move Symbol");
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(Symbols("B"), (std::vector<std::string>{"1MID", "2BIG"}));
    EXPECT_EQ(ReadBytes(Portfolio("B") / "F2.DAT"), bigData);
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID", "3ALF"}));
    EXPECT_FALSE(fs::exists(Portfolio("A") / "F4.DAT"));
    EXPECT_EQ(Grid("symbolGrid")->model()->rowCount(), 3);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// Answers every box and notes whether the wait cursor was up while it showed.
class CursorNotingDialogs : public ScriptedDialogs {
  public:
    QMessageBox::StandardButton Message(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& title, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        const QCursor* cursor = QApplication::overrideCursor();
        waitCursor.push_back(cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        return ScriptedDialogs::Message(parent, icon, title, text, buttons, defaultButton);
    }
    std::vector<bool> waitCursor;
};

TEST_F(SymbolDialogsTest, RefusedMovesLeaveEveryFileAsItWas) {
    CursorNotingDialogs noting;
    const app::ScopedDialogSeam seam(noting);
    // D is full at 255 symbols.
    fs::create_directories(Portfolio("D"));
    std::vector<store::MasterRecord> records;
    for (int number = 1; number <= 255; ++number) {
        records.push_back(Record(number, "S" + std::to_string(number)));
    }
    WriteBytes(Portfolio("D") / "MASTER", MasterFile(255, 255, records));
    Open();
    SelectSymbol("MID");
    const auto move = [&](int destinationRow) {
        noting.dialogAnswers.push_back([&, destinationRow](QDialog& dialog) {
            dialog.findChild<QListWidget*>("destinationList")->setCurrentRow(destinationRow);
            return Click(dialog, "okButton");
        });
        View().Execute(CommandId::kSymbolMove);
    };
    const auto before = Files();

    move(0);  // B, which holds MID already
    EXPECT_EQ(noting.messages.back(),
              "The Symbol addition failed.\n\nReason: Symbol MID already "
              "exists in\n" +
                  Portfolio("B").string());
    EXPECT_TRUE(noting.waitCursor.back());
    EXPECT_EQ(Files(), before);

    move(1);  // D, full
    EXPECT_EQ(noting.messages.back(),
              "The portfolio already has the\nmaximum number of symbols (255).\nChoose a "
              "different or new portfolio.");
    EXPECT_EQ(Files(), before);

    // B goes away after the scan listed it.
    fs::rename(Portfolio("B"), root.path() / "elsewhere");
    const auto withoutB = Files();
    move(0);
    EXPECT_EQ(noting.messages.back(), "The portfolio " + Portfolio("B").string() +
                                          " cannot be opened.\nNothing was changed.");
    EXPECT_EQ(Files(), withoutB);
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID", "3ALF"}));
    EXPECT_EQ(SelectedSymbolShown(), "MID");
}

TEST_F(SymbolDialogsTest, EditRenamesAsTypedAndKeepsTheRowSelectedWhereItSortsNow) {
    Open();
    SelectSymbol("ALF");
    const auto before = Files();
    Run(CommandId::kSymbolEdit, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Edit Symbol");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("symbolEdit")->text(), "ALF");
        EXPECT_EQ(dialog.findChild<QLineEdit*>("nameEdit")->text(), "ALF CORP");
        Type(dialog, "symbolEdit", "");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "You must enter a symbol");
        EXPECT_TRUE(Focused(dialog, "symbolEdit"));
        return Click(dialog, "cancelButton");
    });
    EXPECT_EQ(Files(), before);

    Run(CommandId::kSymbolEdit, [&](QDialog& dialog) {
        Type(dialog, "symbolEdit", "zzTop");
        Type(dialog, "nameEdit", "Top Name");
        return Click(dialog, "okButton");
    });
    EXPECT_EQ(Symbols("A"), (std::vector<std::string>{"1ZED", "2MID", "3zzTop"}));
    // It sorts last now and stays the selected row.
    EXPECT_EQ(Row("symbolGrid", 2)[0], "zzTop");
    EXPECT_EQ(SelectedSymbolShown(), "zzTop");
    EXPECT_EQ(Row("symbolGrid", 2)[1], "Top Name        ");
}

TEST_F(SymbolDialogsTest, ACommandOnARowThatChangedMeanwhileIsRefusedAndTheGridsRefilled) {
    Open();
    SelectSymbol("ALF");
    // Another program renames ZED to ALF: the text now answers with file number 1.
    ASSERT_EQ(store::SetMasterNames(Portfolio("A"), 1, "ALF", "OTHER"), store::kSuccess);
    const auto before = Files();
    for (const CommandId id : {CommandId::kSymbolEdit, CommandId::kSymbolMove}) {
        // The row the person chose: ALF CORP, file number 3.
        SelectRow(View().State().SymbolRowOfFileNumber(3));
        Run(id, [&](QDialog& dialog) { return Click(dialog, "okButton"); });
        EXPECT_TRUE(dialogs.Showed("Another symbol of this portfolio answers to ALF as well."));
        EXPECT_EQ(Files(), before);
        EXPECT_EQ(Row("symbolGrid", 0)[1], "OTHER           ");
    }
}

TEST_F(SymbolDialogsTest, FindRemembersItsChoicesAndJumpsToTheRowAlsoInAnotherPortfolio) {
    Open();
    List()->setCurrentIndex(List()->model()->index(1, 0));
    ASSERT_EQ(View().State().current.portfolioDir, Portfolio("B").string());
    const auto before = Files();
    const auto find = [&](const QString& text, bool byNumber, bool searchAll) {
        Run(CommandId::kSymbolFind, [=](QDialog& dialog) {
            dialog.findChild<QRadioButton*>(byNumber ? "numberRadio" : "nameRadio")->click();
            auto* all = dialog.findChild<QCheckBox*>("searchAllCheck");
            EXPECT_EQ(all->isEnabled(), !byNumber);
            if (all->isEnabled()) {
                all->setChecked(searchAll);
            }
            Type(dialog, "textEdit", text);
            return Click(dialog, "okButton");
        });
    };

    Run(CommandId::kSymbolFind, [&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Find Symbol");
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("nameRadio")->isChecked());
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "Please enter a Symbol Name or File Number");
        dialog.findChild<QRadioButton*>("numberRadio")->click();
        Type(dialog, "textEdit", "x-y");
        EXPECT_EQ(Click(dialog, "okButton"), -1);
        EXPECT_EQ(dialogs.messages.back(), "Please enter a valid File Number");
        EXPECT_TRUE(Focused(dialog, "textEdit"));
        return Click(dialog, "cancelButton");
    });

    find("nope", false, true);
    EXPECT_EQ(dialogs.messages.back(), "Symbol name NOPE not found.");
    find("99", true, false);
    EXPECT_EQ(dialogs.messages.back(), "File number 99 is not in this portfolio.");
    EXPECT_EQ(Files(), before);
    EXPECT_EQ(store.ReadInt("FindSymb", "FindByNumber", 0), 1);

    // A comes first in the list, so its MID is found although B holds one too.
    find(" mid", false, true);
    EXPECT_EQ(View().State().current.portfolioDir, Portfolio("A").string());
    EXPECT_EQ(List()->currentIndex().row(), 0);
    EXPECT_EQ(SelectedSymbolShown(), "MID");
    EXPECT_EQ(store.ReadInt("FindSymb", "SearchAll", 0), 1);
    EXPECT_EQ(store.ReadInt("FindSymb", "FindByNumber", 0), 0);

    find("0003x", true, false);
    EXPECT_EQ(SelectedSymbolShown(), "ALF");
    // The next Find starts from the choices last made.
    Run(CommandId::kSymbolFind, [&](QDialog& dialog) {
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("numberRadio")->isChecked());
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("searchAllCheck")->isEnabled());
        return Click(dialog, "cancelButton");
    });
}

}  // namespace
}  // namespace ticksmith::test
