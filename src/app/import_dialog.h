#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/window_messenger.h"
#include "ascii/import.h"

class QSpinBox;

namespace Ui {
class ImportDialog;
}

namespace ticksmith::app {

// "Import Historical ASCII Quotes": one history file, or several chosen together, into a new
// symbol each of a new or an existing portfolio. OK runs the core's checks, for every file
// when there are several, and stays open with the focus on the first field that fails.
class ImportDialog : public QDialog {
    Q_OBJECT

  public:
    ImportDialog(const ascii::ImportForm& form, std::filesystem::path workingDirectory,
                 QWidget* parent = nullptr);
    ~ImportDialog() override;

    // What the controls hold; after OK, as checked (symbol and input path trimmed).
    ascii::ImportForm Form() const;
    // The files chosen together; empty unless there are several, each of which then takes
    // its symbol and name from its file name.
    const std::vector<std::string>& Files() const { return m_files; }

    void accept() override;

  private:
    void Load(const ascii::ImportForm& form);
    void UpdateEnabling();
    void ShowReverseNote();
    void BrowseInput();
    void BrowseOutput();
    void ShowFiles(std::vector<std::string> files);
    std::array<QSpinBox*, ascii::kImportFieldCount> ColumnSpins() const;
    QWidget* FieldWidget(ascii::ImportFormField field) const;
    void Refuse(const ascii::ImportFormProblem& problem, const std::string& file);

    std::unique_ptr<Ui::ImportDialog> m_ui;
    std::filesystem::path m_workingDirectory;
    std::vector<std::string> m_files;
    WindowMessenger m_messenger;
};

}  // namespace ticksmith::app
