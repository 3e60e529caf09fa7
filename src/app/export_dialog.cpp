#include "app/export_dialog.h"

#include <QFileInfo>

#include "app/dialog_seam.h"
#include "app/quote_form_dialog.h"
#include "ui_export_dialog.h"

namespace ticksmith::app {

namespace {}  // namespace

QString ChooseTextFile(QWidget* parent, const QString& start, bool askReplace,
                       platform::Messenger& messenger) {
    QString chosen = Dialogs().SaveFileName(parent, QObject::tr("Save As"), start,
                                            QStringLiteral("Text Files (*.txt);;All Files (*)"));
    if (chosen.isEmpty() || !QFileInfo(chosen).suffix().isEmpty()) {
        return chosen;
    }
    chosen += QStringLiteral(".txt");
    if (askReplace && QFileInfo::exists(chosen) &&
        !messenger.AskYesNo(
            CoreText(QObject::tr("%1 already exists.\nDo you want to replace it?").arg(chosen)))) {
        return {};
    }
    return chosen;
}

ExportDialog::ExportDialog(const ascii::ExportChoices& choices,
                           std::filesystem::path workingDirectory, platform::Messenger& messenger,
                           QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::ExportDialog>()),
      m_workingDirectory(std::move(workingDirectory)),
      m_messenger(messenger) {
    m_ui->setupUi(this);
    m_ui->fileEdit->setText(QtText(choices.outputPath));
    m_ui->openCheck->setChecked(choices.useOpen);
    m_ui->highCheck->setChecked(choices.useHigh);
    m_ui->lowCheck->setChecked(choices.useLow);
    m_ui->closeCheck->setChecked(choices.useClose);
    m_ui->volumeCheck->setChecked(choices.useVolume);
    m_ui->openInterestCheck->setChecked(choices.useOpenInterest);
    (choices.newestFirst ? m_ui->newestRadio : m_ui->oldestRadio)->setChecked(true);
    (choices.delimiter == 1   ? m_ui->tabRadio
     : choices.delimiter == 2 ? m_ui->spaceRadio
                              : m_ui->commaRadio)
        ->setChecked(true);
    m_ui->titleCheck->setChecked(choices.title);
    m_ui->folderEdit->setText(QtText(m_workingDirectory.string()));

    connect(m_ui->browseButton, &QPushButton::clicked, this, &ExportDialog::BrowseFile);
    connect(m_ui->folderBrowseButton, &QPushButton::clicked, this, &ExportDialog::BrowseFolder);
    connect(m_ui->allSymbolsCheck, &QCheckBox::toggled, this, &ExportDialog::ShowAllSymbols);
    connect(m_ui->okButton, &QPushButton::clicked, this, &ExportDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ShowAllSymbols();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ExportDialog::~ExportDialog() = default;

ascii::ExportChoices ExportDialog::Choices() const {
    ascii::ExportChoices choices;
    choices.outputPath = CoreText(m_ui->fileEdit->text());
    choices.useOpen = m_ui->openCheck->isChecked();
    choices.useHigh = m_ui->highCheck->isChecked();
    choices.useLow = m_ui->lowCheck->isChecked();
    choices.useClose = m_ui->closeCheck->isChecked();
    choices.useVolume = m_ui->volumeCheck->isChecked();
    choices.useOpenInterest = m_ui->openInterestCheck->isChecked();
    choices.newestFirst = m_ui->newestRadio->isChecked();
    choices.delimiter = m_ui->tabRadio->isChecked() ? 1 : m_ui->spaceRadio->isChecked() ? 2 : 0;
    choices.title = m_ui->titleCheck->isChecked();
    return choices;
}

bool ExportDialog::AllSymbols() const {
    return m_ui->allSymbolsCheck->isChecked();
}

std::string ExportDialog::Folder() const {
    return CoreText(m_ui->folderEdit->text());
}

void ExportDialog::accept() {
    if (AllSymbols()) {
        if (m_ui->folderEdit->text().isEmpty()) {
            m_messenger.Show(ascii::kEnterNameMessage);
            m_ui->folderEdit->setFocus();
            return;
        }
    } else if (!ascii::AcceptExportChoices(Choices(), m_messenger)) {
        m_ui->fileEdit->setFocus();
        return;
    }
    QDialog::accept();
}

void ExportDialog::BrowseFile() {
    const std::filesystem::path start =
        ascii::OutputFilePath(CoreText(m_ui->fileEdit->text()), m_workingDirectory);
    // The export asks about an existing file itself, after OK.
    const QString chosen = ChooseTextFile(this, QtText(start.string()), false, m_messenger);
    if (chosen.isEmpty()) {
        return;
    }
    // A path cut to the field's length would name another file.
    if (chosen.size() > m_ui->fileEdit->maxLength()) {
        m_messenger.Show(CoreText(tr("%1\nThe path is longer than %2 characters.")
                                      .arg(chosen)
                                      .arg(m_ui->fileEdit->maxLength())));
        return;
    }
    m_ui->fileEdit->setText(chosen);
}

void ExportDialog::BrowseFolder() {
    const QString chosen =
        Dialogs().ExistingDirectory(this, tr("Export Folder"), m_ui->folderEdit->text());
    if (!chosen.isEmpty()) {
        m_ui->folderEdit->setText(chosen);
    }
}

void ExportDialog::ShowAllSymbols() {
    const bool all = AllSymbols();
    m_ui->fileLabel->setEnabled(!all);
    m_ui->fileEdit->setEnabled(!all);
    m_ui->browseButton->setEnabled(!all);
    m_ui->folderLabel->setEnabled(all);
    m_ui->folderEdit->setEnabled(all);
    m_ui->folderBrowseButton->setEnabled(all);
}

}  // namespace ticksmith::app
