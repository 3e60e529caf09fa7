#include "app/profile_settings_dialog.h"

#include <QCheckBox>
#include <QSpinBox>

#include "app/choose_directory_dialog.h"
#include "app/quote_form_dialog.h"
#include "store/encodings.h"
#include "ui_profile_settings_dialog.h"

namespace ticksmith::app {

ProfileSettingsDialog::ProfileSettingsDialog(const profiles::ProfileForm& form,
                                             std::vector<std::string> existingNames,
                                             QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::ProfileSettingsDialog>()),
      m_mode(form.mode),
      m_existingNames(std::move(existingNames)),
      m_messenger(this) {
    m_ui->setupUi(this);
    for (int code = store::kFirstDateFormat; code <= store::kLastDateFormat; ++code) {
        m_ui->dateFormatCombo->addItem(QtText(store::DateFormatName(code)));
    }
    Load(form);
    // A cleared field keeps its number on screen, greyed, so ticking it again restores it.
    for (QCheckBox* box : {m_ui->openCheck, m_ui->highCheck, m_ui->lowCheck, m_ui->volumeCheck,
                           m_ui->openInterestCheck}) {
        connect(box, &QCheckBox::toggled, this, &ProfileSettingsDialog::UpdateEnabling);
    }
    connect(m_ui->browseButton, &QPushButton::clicked, this, &ProfileSettingsDialog::Browse);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &ProfileSettingsDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    m_ui->nameEdit->setFocus();
    m_ui->nameEdit->selectAll();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ProfileSettingsDialog::~ProfileSettingsDialog() = default;

void ProfileSettingsDialog::Load(const profiles::ProfileForm& form) {
    m_ui->nameEdit->setText(QtText(form.name));
    m_ui->directoryEdit->setText(QtText(form.updateDirectory));
    m_ui->symbolColumnSpin->setValue(form.symbolColumn);
    m_ui->dateColumnSpin->setValue(form.dateColumn);
    m_ui->openColumnSpin->setValue(form.openColumn);
    m_ui->highColumnSpin->setValue(form.highColumn);
    m_ui->lowColumnSpin->setValue(form.lowColumn);
    m_ui->closeColumnSpin->setValue(form.closeColumn);
    m_ui->volumeColumnSpin->setValue(form.volumeColumn);
    m_ui->openInterestColumnSpin->setValue(form.openInterestColumn);
    m_ui->openCheck->setChecked(form.openOn);
    m_ui->highCheck->setChecked(form.highOn);
    m_ui->lowCheck->setChecked(form.lowOn);
    m_ui->volumeCheck->setChecked(form.volumeOn);
    m_ui->openInterestCheck->setChecked(form.openInterestOn);
    m_ui->dateFormatCombo->setCurrentIndex(form.dateFormatPosition);
    (form.delimiter == 1   ? m_ui->tabRadio
     : form.delimiter == 2 ? m_ui->spaceRadio
                           : m_ui->commaRadio)
        ->setChecked(true);
    m_ui->futuresCheck->setChecked(form.futures);
    UpdateEnabling();
}

profiles::ProfileForm ProfileSettingsDialog::Form() const {
    profiles::ProfileForm form;
    form.mode = m_mode;
    form.name = CoreText(m_ui->nameEdit->text());
    form.updateDirectory = CoreText(m_ui->directoryEdit->text());
    form.symbolColumn = m_ui->symbolColumnSpin->value();
    form.dateColumn = m_ui->dateColumnSpin->value();
    form.openColumn = m_ui->openColumnSpin->value();
    form.highColumn = m_ui->highColumnSpin->value();
    form.lowColumn = m_ui->lowColumnSpin->value();
    form.closeColumn = m_ui->closeColumnSpin->value();
    form.volumeColumn = m_ui->volumeColumnSpin->value();
    form.openInterestColumn = m_ui->openInterestColumnSpin->value();
    form.openOn = m_ui->openCheck->isChecked();
    form.highOn = m_ui->highCheck->isChecked();
    form.lowOn = m_ui->lowCheck->isChecked();
    form.volumeOn = m_ui->volumeCheck->isChecked();
    form.openInterestOn = m_ui->openInterestCheck->isChecked();
    form.dateFormatPosition = m_ui->dateFormatCombo->currentIndex();
    form.delimiter = m_ui->tabRadio->isChecked() ? 1 : m_ui->spaceRadio->isChecked() ? 2 : 0;
    form.futures = m_ui->futuresCheck->isChecked();
    return form;
}

void ProfileSettingsDialog::UpdateEnabling() {
    m_ui->openColumnSpin->setEnabled(m_ui->openCheck->isChecked());
    m_ui->highColumnSpin->setEnabled(m_ui->highCheck->isChecked());
    m_ui->lowColumnSpin->setEnabled(m_ui->lowCheck->isChecked());
    m_ui->volumeColumnSpin->setEnabled(m_ui->volumeCheck->isChecked());
    m_ui->openInterestColumnSpin->setEnabled(m_ui->openInterestCheck->isChecked());
    // Disabled, the futures box keeps its tick: clearing Volume does not change the answer.
    m_ui->futuresCheck->setEnabled(m_ui->volumeCheck->isChecked() &&
                                   m_ui->openInterestCheck->isChecked());
}

void ProfileSettingsDialog::Browse() {
    if (const std::optional<QString> chosen = ChooseDirectory(this, m_ui->directoryEdit->text())) {
        m_ui->directoryEdit->setText(*chosen);
    }
}

QWidget* ProfileSettingsDialog::FieldWidget(profiles::ProfileFormField field) const {
    using enum profiles::ProfileFormField;
    switch (field) {
        case kName:
            return m_ui->nameEdit;
        case kUpdateDirectory:
            return m_ui->directoryEdit;
        case kSymbolColumn:
            return m_ui->symbolColumnSpin;
        case kDateColumn:
            return m_ui->dateColumnSpin;
        case kOpenColumn:
            return m_ui->openColumnSpin;
        case kHighColumn:
            return m_ui->highColumnSpin;
        case kLowColumn:
            return m_ui->lowColumnSpin;
        case kCloseColumn:
            return m_ui->closeColumnSpin;
        case kVolumeColumn:
            return m_ui->volumeColumnSpin;
        case kOpenInterestColumn:
            return m_ui->openInterestColumnSpin;
        case kDateFormat:
            return m_ui->dateFormatCombo;
    }
    return m_ui->nameEdit;
}

void ProfileSettingsDialog::accept() {
    profiles::ProfileForm form = Form();
    const auto problem = profiles::ValidateProfileForm(form, m_existingNames);
    // The name comes back without its trailing blanks, whichever check failed.
    m_ui->nameEdit->setText(QtText(form.name));
    if (problem) {
        m_messenger.Show(problem->message, platform::MessageIcon::kExclamation);
        FocusField(FieldWidget(problem->field));
        return;
    }
    QDialog::accept();
}

}  // namespace ticksmith::app
