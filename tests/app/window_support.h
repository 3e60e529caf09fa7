#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_seam.h"
#include "app/main_frame.h"
#include "app/ticksmith_view.h"
#include "platform/names.h"
#include "settings/setting_keys.h"
#include "settings/settings_store.h"
#include "settings/view_settings.h"
#include "test_support.h"

namespace ticksmith::test {

// Answers the window's boxes and dialogs as a test says, and remembers what they showed.
class ScriptedDialogs : public app::DialogSeam {
  public:
    using DialogAnswer = std::function<int(QDialog&)>;

    QMessageBox::StandardButton Message(QWidget* /*parent*/, QMessageBox::Icon /*icon*/,
                                        const QString& /*title*/, const QString& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override {
        messages.push_back(text.toStdString());
        // Only questions take a scripted answer; a notice has just its OK.
        if (buttons != QMessageBox::Ok && !buttonAnswers.empty()) {
            const QMessageBox::StandardButton answer = buttonAnswers.front();
            buttonAnswers.pop_front();
            return answer;
        }
        return defaultButton;
    }

    int Exec(QDialog& dialog) override {
        dialogTitles.push_back(dialog.windowTitle().toStdString());
        if (dialogAnswers.empty()) {
            return QDialog::Rejected;
        }
        const DialogAnswer answer = dialogAnswers.front();
        dialogAnswers.pop_front();
        return answer(dialog);
    }

    // The open-file dialog: the next scripted choice, or a cancel.
    QStringList OpenFileNames(QWidget* /*parent*/, const QString& title, const QString& start,
                              const QString& /*filter*/) override {
        dialogTitles.push_back(title.toStdString());
        fileStarts.push_back(start.toStdString());
        if (fileAnswers.empty()) {
            return {};
        }
        QStringList answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    bool Showed(const std::string& start) const {
        for (const std::string& message : messages) {
            if (message.rfind(start, 0) == 0) {
                return true;
            }
        }
        return false;
    }

    std::vector<std::string> messages;
    std::vector<std::string> dialogTitles;
    std::deque<QMessageBox::StandardButton> buttonAnswers;
    std::deque<DialogAnswer> dialogAnswers;
    std::vector<std::string> fileStarts;
    std::deque<QStringList> fileAnswers;
};

// A named control of a dialog; the test fails when there is none.
template <typename Widget>
Widget* Child(QDialog& dialog, const char* name) {
    auto* widget = dialog.findChild<Widget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
}

inline void Type(QDialog& dialog, const char* edit, const QString& text) {
    auto* field = Child<QLineEdit>(dialog, edit);
    field->clear();
    QTest::keyClicks(field, text);
}

// Clicks a button; the dialog's result when it closed, -1 while it stays open.
inline int Click(QDialog& dialog, const char* button) {
    dialog.show();
    dialog.setResult(-1);
    Child<QPushButton>(dialog, button)->click();
    return dialog.isVisible() ? -1 : dialog.result();
}

inline bool Focused(QDialog& dialog, const char* name) {
    return dialog.focusWidget() == dialog.findChild<QWidget*>(name);
}

// A main window over portfolios in a temporary directory, with its settings in memory and
// the scan kept to that directory.
class WindowFixture {
  public:
    WindowFixture() : m_seam(dialogs) {
        store.WriteString(settings::keys::kDrive.section, settings::keys::kDrive.value,
                          root.path().string());
        viewSettings.workingDirectory = root.path();
        viewSettings.searchLimit = true;
        viewSettings.searchName = root.path().string();
        viewSettings.searchFilter = platform::ToUpperAscii(viewSettings.searchName);
    }

    fs::path Portfolio(const std::string& name) const { return root.path() / name; }

    // Opens the window and waits for its start-up scan to end.
    app::CMainFrame& Open() {
        frame = std::make_unique<app::CMainFrame>(store, viewSettings);
        frame->ApplyPlacement();
        frame->show();
        QSignalSpy finished(&frame->View(), &app::CTicksmithView::ScanFinished);
        frame->View().StartUp();
        if (frame->View().IsScanning()) {
            EXPECT_TRUE(finished.wait(10000));
        }
        return *frame;
    }

    app::CTicksmithView& View() { return frame->View(); }
    QTableView* Grid(const char* name) { return frame->findChild<QTableView*>(name); }

    // The texts of one grid row as shown.
    std::vector<std::string> Row(const char* grid, int row) {
        std::vector<std::string> texts;
        QAbstractItemModel* model = Grid(grid)->model();
        for (int column = 0; column < model->columnCount(); ++column) {
            texts.push_back(model->index(row, column).data().toString().toStdString());
        }
        return texts;
    }

    TempDir root;
    settings::MemorySettingsStore store;
    settings::ViewSettings viewSettings;
    ScriptedDialogs dialogs;
    std::unique_ptr<app::CMainFrame> frame;

  private:
    app::ScopedDialogSeam m_seam;
};

}  // namespace ticksmith::test
