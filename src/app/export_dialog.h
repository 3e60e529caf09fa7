#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>

#include "ascii/export.h"
#include "platform/messenger.h"

namespace Ui {
class ExportDialog;
}

namespace ticksmith::app {

// The save-file dialog over text files, "txt" added to a name without an extension; empty when
// the person cancels. `askReplace`: an existing file named only with the extension added, which
// the dialog did not ask about, is asked about here.
QString ChooseTextFile(QWidget* parent, const QString& start, bool askReplace,
                       platform::Messenger& messenger);

// Symbol > Export to ASCII...: the output file, the columns, the order, the delimiter and the
// title row; or, instead of the one file, a folder for every symbol of the portfolio.
class ExportDialog : public QDialog {
    Q_OBJECT

  public:
    // Relative paths are shown and chosen relative to `workingDirectory`.
    ExportDialog(const ascii::ExportChoices& choices, std::filesystem::path workingDirectory,
                 platform::Messenger& messenger, QWidget* parent = nullptr);
    ~ExportDialog() override;

    ascii::ExportChoices Choices() const;
    bool AllSymbols() const;
    std::string Folder() const;

    void accept() override;

  private:
    void BrowseFile();
    void BrowseFolder();
    void ShowAllSymbols();

    std::unique_ptr<Ui::ExportDialog> m_ui;
    std::filesystem::path m_workingDirectory;
    platform::Messenger& m_messenger;
};

}  // namespace ticksmith::app
