#include "app/import_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <ctime>

#include "app/choose_directory_dialog.h"
#include "app/dialog_buttons.h"
#include "app/dialog_seam.h"
#include "app/quote_form_dialog.h"
#include "store/encodings.h"
#include "ui_import_dialog.h"

namespace ticksmith::app {

namespace {

constexpr int kDateFormatLength = 12;
// Room for a path of this many average characters before it scrolls.
constexpr int kPathCharacters = 48;

}  // namespace

ImportDialog::ImportDialog(const ascii::ImportForm& form, std::filesystem::path workingDirectory,
                           QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::ImportDialog>()),
      m_workingDirectory(std::move(workingDirectory)),
      m_messenger(this) {
    m_ui->setupUi(this);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        m_ui->dateFormatCombo->addItem(QtText(store::DateFormatName(code)));
    }
    m_ui->dateFormatCombo->lineEdit()->setMaxLength(kDateFormatLength);
    m_ui->fileCountLabel->hide();
    for (QLineEdit* path : {m_ui->inputPathEdit, m_ui->outputDirectoryEdit}) {
        path->setMinimumWidth(path->fontMetrics().averageCharWidth() * kPathCharacters);
    }
    Load(form);
    for (QCheckBox* box : {m_ui->openCheck, m_ui->highCheck, m_ui->lowCheck, m_ui->volumeCheck,
                           m_ui->openInterestCheck, m_ui->skipRowsCheck}) {
        connect(box, &QCheckBox::toggled, this, &ImportDialog::UpdateEnabling);
    }
    connect(m_ui->skipRowsCheck, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            m_ui->skipRowsSpin->setValue(0);
        }
    });
    connect(m_ui->reverseCheck, &QCheckBox::toggled, this, &ImportDialog::ShowReverseNote);
    connect(m_ui->inputBrowseButton, &QPushButton::clicked, this, &ImportDialog::BrowseInput);
    connect(m_ui->outputBrowseButton, &QPushButton::clicked, this, &ImportDialog::BrowseOutput);
    // A path typed by hand is one file again.
    connect(m_ui->inputPathEdit, &QLineEdit::textEdited, this, [this] { ShowFiles({}); });
    connect(m_ui->symbolEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int cursor = m_ui->symbolEdit->cursorPosition();
        m_ui->symbolEdit->setText(text.toUpper());
        m_ui->symbolEdit->setCursorPosition(cursor);
    });
    m_ui->inputPathEdit->setFocus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ImportDialog::~ImportDialog() = default;

void ImportDialog::Load(const ascii::ImportForm& form) {
    m_ui->inputPathEdit->setText(QtText(form.inputPath));
    m_ui->outputDirectoryEdit->setText(QtText(form.outputDirectory));
    m_ui->symbolEdit->setText(QtText(form.symbol).toUpper());
    m_ui->nameEdit->setText(QtText(form.name));
    const int position = m_ui->dateFormatCombo->findText(QtText(form.dateFormat));
    if (position >= 0) {
        m_ui->dateFormatCombo->setCurrentIndex(position);
    } else {
        m_ui->dateFormatCombo->setEditText(QtText(form.dateFormat));
    }
    (form.delimiter == 1   ? m_ui->tabRadio
     : form.delimiter == 2 ? m_ui->spaceRadio
                           : m_ui->commaRadio)
        ->setChecked(true);
    (form.makeNewMaster ? m_ui->newMasterRadio : m_ui->existingMasterRadio)->setChecked(true);
    m_ui->reverseCheck->setChecked(form.reverse);
    m_ui->skipRowsCheck->setChecked(form.skipOn);
    m_ui->skipRowsSpin->setValue(settings::ScanLeadingInteger(form.skipRows).value_or(0));
    m_ui->monthsCheck->setChecked(form.months);
    const std::array<QCheckBox*, ascii::kImportFieldCount> boxes = {
        nullptr, m_ui->openCheck,   m_ui->highCheck,        m_ui->lowCheck,
        nullptr, m_ui->volumeCheck, m_ui->openInterestCheck};
    for (std::size_t field = 0; field < boxes.size(); ++field) {
        if (boxes[field] != nullptr) {
            boxes[field]->setChecked(form.present[field]);
        }
        ColumnSpins()[field]->setValue(
            settings::ScanLeadingInteger(form.columns[field]).value_or(1));
    }
    UpdateEnabling();
    ShowReverseNote();
}

ascii::ImportForm ImportDialog::Form() const {
    ascii::ImportForm form;
    form.inputPath = CoreText(m_ui->inputPathEdit->text());
    form.outputDirectory = CoreText(m_ui->outputDirectoryEdit->text());
    form.symbol = CoreText(m_ui->symbolEdit->text());
    // Several files name themselves.
    form.name = m_files.empty() ? CoreText(m_ui->nameEdit->text()) : std::string();
    form.dateFormat = CoreText(m_ui->dateFormatCombo->currentText());
    form.delimiter = m_ui->tabRadio->isChecked() ? 1 : m_ui->spaceRadio->isChecked() ? 2 : 0;
    form.makeNewMaster = m_ui->newMasterRadio->isChecked();
    form.reverse = m_ui->reverseCheck->isChecked();
    form.skipOn = m_ui->skipRowsCheck->isChecked();
    form.skipRows = std::to_string(m_ui->skipRowsSpin->value());
    form.months = m_ui->monthsCheck->isChecked();
    form.present = {true,
                    m_ui->openCheck->isChecked(),
                    m_ui->highCheck->isChecked(),
                    m_ui->lowCheck->isChecked(),
                    true,
                    m_ui->volumeCheck->isChecked(),
                    m_ui->openInterestCheck->isChecked()};
    const auto spins = ColumnSpins();
    for (std::size_t field = 0; field < spins.size(); ++field) {
        form.columns[field] = std::to_string(spins[field]->value());
    }
    return form;
}

void ImportDialog::UpdateEnabling() {
    m_ui->openColumnSpin->setEnabled(m_ui->openCheck->isChecked());
    m_ui->highColumnSpin->setEnabled(m_ui->highCheck->isChecked());
    m_ui->lowColumnSpin->setEnabled(m_ui->lowCheck->isChecked());
    m_ui->volumeColumnSpin->setEnabled(m_ui->volumeCheck->isChecked());
    m_ui->openInterestColumnSpin->setEnabled(m_ui->openInterestCheck->isChecked());
    m_ui->skipRowsSpin->setEnabled(m_ui->skipRowsCheck->isChecked());
}

void ImportDialog::ShowReverseNote() {
    m_ui->reverseNoteLabel->setText(
        m_ui->reverseCheck->isChecked()
            ? tr("Your original input file will be \nsaved with the extension BAK.\n\nThen the "
                 "file will be reversed so\nthe oldest entry is first.")
            : QString());
}

void ImportDialog::BrowseInput() {
    const QStringList chosen = Dialogs().OpenFileNames(
        this, tr("Open"), m_ui->inputPathEdit->text(), tr("Text Files (*.txt);;All Files (*)"));
    if (chosen.isEmpty()) {
        return;
    }
    std::vector<std::string> files;
    for (const QString& file : chosen) {
        files.push_back(CoreText(file));
    }
    m_ui->inputPathEdit->setText(chosen.front());
    ShowFiles(chosen.size() > 1 ? std::move(files) : std::vector<std::string>{});
}

// With several files, the symbol and name come from each file's name, not from the edits.
void ImportDialog::ShowFiles(std::vector<std::string> files) {
    m_files = std::move(files);
    const bool several = !m_files.empty();
    m_ui->fileCountLabel->setVisible(several);
    m_ui->fileCountLabel->setText(
        several ? tr("%n files chosen; each one's symbol and name come from its file name.",
                     nullptr, static_cast<int>(m_files.size()))
                : QString());
    m_ui->symbolEdit->setEnabled(!several);
    m_ui->nameEdit->setEnabled(!several);
}

void ImportDialog::BrowseOutput() {
    if (const std::optional<QString> chosen =
            ChooseDirectory(this, m_ui->outputDirectoryEdit->text())) {
        m_ui->outputDirectoryEdit->setText(*chosen);
    }
}

std::array<QSpinBox*, ascii::kImportFieldCount> ImportDialog::ColumnSpins() const {
    return {m_ui->dateColumnSpin,        m_ui->openColumnSpin,  m_ui->highColumnSpin,
            m_ui->lowColumnSpin,         m_ui->closeColumnSpin, m_ui->volumeColumnSpin,
            m_ui->openInterestColumnSpin};
}

QWidget* ImportDialog::FieldWidget(ascii::ImportFormField field) const {
    using enum ascii::ImportFormField;
    switch (field) {
        case kInputPath:
            return m_ui->inputPathEdit;
        case kOutputDirectory:
            return m_ui->outputDirectoryEdit;
        case kSymbol:
            return m_ui->symbolEdit;
        case kName:
            return m_ui->nameEdit;
        case kDateFormat:
            return m_ui->dateFormatCombo;
        case kSkipRows:
            return m_ui->skipRowsSpin;
        default:
            return ColumnSpins()[static_cast<std::size_t>(field) -
                                 static_cast<std::size_t>(kDateColumn)];
    }
}

void ImportDialog::Refuse(const ascii::ImportFormProblem& problem, const std::string& file) {
    m_messenger.Show(file.empty() ? problem.message : file + ":\n" + problem.message,
                     platform::MessageIcon::kExclamation);
    // A file of several that is refused is fixed by choosing the files again.
    QWidget* widget = file.empty() || problem.field != ascii::ImportFormField::kInputPath
                          ? FieldWidget(problem.field)
                          : m_ui->inputBrowseButton;
    if (!widget->isEnabled()) {
        widget = m_ui->inputBrowseButton;
    }
    FocusField(widget);
}

void ImportDialog::accept() {
    // The checks' notes (a long name) come with the import itself.
    platform::SilentMessenger silent;
    const store::DayNumber today = store::DayNumberOfTime(std::time(nullptr));
    ascii::ImportForm form = Form();
    ascii::ImportJob job;
    if (m_files.empty()) {
        const auto problem = ascii::CheckImportForm(form, m_workingDirectory, today, job, silent);
        m_ui->symbolEdit->setText(QtText(form.symbol));
        m_ui->inputPathEdit->setText(QtText(form.inputPath));
        if (problem) {
            Refuse(*problem, {});
            return;
        }
    } else {
        for (const std::string& file : m_files) {
            ascii::ImportForm each = ascii::BatchForm(form, file, true);
            if (const auto problem =
                    ascii::CheckImportForm(each, m_workingDirectory, today, job, silent)) {
                Refuse(*problem, file);
                return;
            }
        }
    }
    QDialog::accept();
}

}  // namespace ticksmith::app
