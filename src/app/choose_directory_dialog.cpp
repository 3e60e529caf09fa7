#include "app/choose_directory_dialog.h"

#include <QFileSystemModel>
#include <QPushButton>

#include "app/dialog_seam.h"
#include "app/window_messenger.h"
#include "ascii/choose_dir.h"
#include "platform/volumes.h"
#include "ui_choose_directory_dialog.h"

namespace ticksmith::app {

ChooseDirectoryDialog::ChooseDirectoryDialog(const QString& start, platform::Messenger& messenger,
                                             QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::ChooseDirectoryDialog>()),
      m_messenger(messenger),
      m_folders(new QFileSystemModel(this)) {
    m_ui->setupUi(this);
    m_ui->buttonBox->button(QDialogButtonBox::Help)->setEnabled(false);
    m_ui->buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setReadOnly(true);
    m_ui->directoryTree->setModel(m_folders);
    for (int column = 1; column < m_folders->columnCount(); ++column) {
        m_ui->directoryTree->hideColumn(column);
    }
    const std::filesystem::path startPath = start.toStdString();
    const std::string startVolume = platform::VolumeRoot(startPath).string();
    int current = 0;
    for (const std::filesystem::path& volume : platform::MountedVolumes()) {
        if (volume.string() == startVolume) {
            current = m_ui->driveBox->count();
        }
        m_ui->driveBox->addItem(QString::fromStdString(volume.string()));
    }
    if (m_ui->driveBox->findText(QString::fromStdString(startVolume)) < 0) {
        current = m_ui->driveBox->count();
        m_ui->driveBox->addItem(QString::fromStdString(startVolume));
    }
    m_ui->driveBox->setCurrentIndex(current);
    ShowVolume(current);
    const QModelIndex startIndex = m_folders->index(start);
    if (startIndex.isValid()) {
        m_ui->directoryTree->setCurrentIndex(startIndex);
        m_ui->directoryTree->scrollTo(startIndex);
    }
    m_ui->directoryEdit->setText(start);
    connect(m_ui->driveBox, &QComboBox::activated, this, &ChooseDirectoryDialog::ShowVolume);
    connect(m_ui->directoryTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) { ShowFolder(index); });
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &ChooseDirectoryDialog::accept);
    connect(m_ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_ui->directoryTree->setFocus();
}

ChooseDirectoryDialog::~ChooseDirectoryDialog() = default;

void ChooseDirectoryDialog::ShowVolume(int index) {
    const QString root = m_ui->driveBox->itemText(index);
    m_ui->directoryTree->setRootIndex(m_folders->setRootPath(root));
}

void ChooseDirectoryDialog::ShowFolder(const QModelIndex& index) {
    if (index.isValid()) {
        m_ui->directoryEdit->setText(m_folders->filePath(index));
    }
}

void ChooseDirectoryDialog::accept() {
    if (const std::optional<std::filesystem::path> chosen =
            ascii::AcceptChosenDirectory(m_ui->directoryEdit->text().toStdString(), m_messenger)) {
        m_chosen = *chosen;
        QDialog::accept();
    }
}

std::optional<QString> ChooseDirectory(QWidget* parent, const QString& start) {
    WindowMessenger messenger(parent);
    ChooseDirectoryDialog dialog(start, messenger, parent);
    if (Dialogs().Exec(dialog) != QDialog::Accepted) {
        return std::nullopt;
    }
    return QString::fromStdString(dialog.Chosen().string());
}

}  // namespace ticksmith::app
