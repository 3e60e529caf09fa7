#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/messenger.h"

class QFileSystemModel;

namespace Ui {
class ChooseDirectoryDialog;
}

namespace ticksmith::app {

// "Choose Directory", behind every Browse... that asks for a directory: the volumes and their
// folders, and the path as an editable text to which the chooser's OK rules apply (a missing
// directory is offered for creation).
class ChooseDirectoryDialog : public QDialog {
    Q_OBJECT

  public:
    ChooseDirectoryDialog(const QString& start, platform::Messenger& messenger,
                          QWidget* parent = nullptr);
    ~ChooseDirectoryDialog() override;

    const std::filesystem::path& Chosen() const { return m_chosen; }

  protected:
    void accept() override;

  private:
    void ShowVolume(int index);
    void ShowFolder(const QModelIndex& index);

    std::unique_ptr<Ui::ChooseDirectoryDialog> m_ui;
    platform::Messenger& m_messenger;
    QFileSystemModel* m_folders;
    std::filesystem::path m_chosen;
};

// Runs the chooser on the caller's directory text; nothing when the person cancels.
std::optional<QString> ChooseDirectory(QWidget* parent, const QString& start);

}  // namespace ticksmith::app
