#include "app/settings_dialog.h"

#include "app/choose_directory_dialog.h"
#include "app/dialog_buttons.h"
#include "app/quote_form_dialog.h"
#include "platform/names.h"
#include "ui_settings_dialog.h"

namespace ticksmith::app {

SettingsDialog::SettingsDialog(const settings::ViewSettings& settings,
                               std::vector<std::string> driveEntries, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::SettingsDialog>()),
      m_opened(settings),
      m_driveEntries(std::move(driveEntries)),
      m_messenger(this) {
    m_ui->setupUi(this);
    SetUpOkCancel(*this, *m_ui->buttonBox);
    Load(settings);
    for (QCheckBox* box : {m_ui->searchLimitCheck, m_ui->zipEnableCheck, m_ui->zipPasswordCheck,
                           m_ui->sexEnableCheck, m_ui->sexPasswordCheck}) {
        connect(box, &QCheckBox::toggled, this, &SettingsDialog::UpdateEnabling);
    }
    connect(m_ui->manualDateCheck, &QCheckBox::toggled, this, &SettingsDialog::OnManualDateClicked);
    connect(m_ui->browseButton, &QPushButton::clicked, this, &SettingsDialog::Browse);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::Load(const settings::ViewSettings& settings) {
    (settings.deleteTxt ? m_ui->deleteTxtRadio : m_ui->leaveTxtRadio)->setChecked(true);
    m_ui->searchLimitCheck->setChecked(settings.searchLimit);
    m_ui->searchNameEdit->setText(QtText(settings.searchName));
    m_ui->anomalyReportCheck->setChecked(settings.auditEnable);
    m_ui->importantSoundsCheck->setChecked(settings.soundDisable);
    m_ui->newSymbolsCheck->setChecked(settings.newSymbols && !settings.handAdd);
    m_ui->manualDateCheck->setChecked(settings.handAdd);
    m_ui->catchUpCheck->setChecked(settings.catchUp);
    m_ui->volumeIntegerCheck->setChecked(settings.volumeAsInteger);
    m_ui->openInterestIntegerCheck->setChecked(settings.openInterestAsInteger);
    m_ui->repairMastersCheck->setChecked(settings.masterFix);
    m_ui->zipEnableCheck->setChecked(settings.zipEnable);
    m_ui->zipPasswordCheck->setChecked(settings.zipPasswordEnable);
    m_ui->zipPasswordEdit->setText(QtText(settings.zipPassword));
    (settings.deleteZip ? m_ui->zipDeleteRadio : m_ui->zipLeaveRadio)->setChecked(true);
    m_ui->pkunzipPathEdit->setText(QtText(settings.pkunzipPath));
    m_ui->sexEnableCheck->setChecked(settings.sexEnable);
    m_ui->sexPasswordCheck->setChecked(settings.sexPasswordEnable);
    m_ui->sexPasswordEdit->setText(QtText(settings.sexPassword));
    (settings.deleteSex ? m_ui->sexDeleteRadio : m_ui->sexLeaveRadio)->setChecked(true);
    UpdateEnabling();
    m_ui->newSymbolsCheck->setEnabled(!settings.handAdd);
}

settings::ViewSettings SettingsDialog::Settings() const {
    settings::ViewSettings settings = m_opened;
    settings.deleteTxt = m_ui->deleteTxtRadio->isChecked();
    settings.searchLimit = m_ui->searchLimitCheck->isChecked();
    settings.searchName = CoreText(m_ui->searchNameEdit->text());
    settings.searchFilter = platform::ToUpperAscii(settings.searchName);
    settings.auditEnable = m_ui->anomalyReportCheck->isChecked();
    settings.soundDisable = m_ui->importantSoundsCheck->isChecked();
    settings.newSymbols = m_ui->newSymbolsCheck->isChecked();
    settings.handAdd = m_ui->manualDateCheck->isChecked();
    settings.catchUp = m_ui->catchUpCheck->isChecked();
    settings.volumeAsInteger = m_ui->volumeIntegerCheck->isChecked();
    settings.openInterestAsInteger = m_ui->openInterestIntegerCheck->isChecked();
    settings.masterFix = m_ui->repairMastersCheck->isChecked();
    settings.zipEnable = m_ui->zipEnableCheck->isChecked();
    settings.zipPasswordEnable = m_ui->zipPasswordCheck->isChecked();
    settings.zipPassword = CoreText(m_ui->zipPasswordEdit->text());
    settings.deleteZip = m_ui->zipDeleteRadio->isChecked();
    settings.pkunzipPath = CoreText(m_ui->pkunzipPathEdit->text());
    settings.sexEnable = m_ui->sexEnableCheck->isChecked();
    settings.sexPasswordEnable = m_ui->sexPasswordCheck->isChecked();
    settings.sexPassword = CoreText(m_ui->sexPasswordEdit->text());
    settings.deleteSex = m_ui->sexDeleteRadio->isChecked();
    return settings;
}

void SettingsDialog::UpdateEnabling() {
    m_ui->searchNameEdit->setEnabled(m_ui->searchLimitCheck->isChecked());
    const bool zip = m_ui->zipEnableCheck->isChecked();
    for (QWidget* widget :
         {static_cast<QWidget*>(m_ui->zipPasswordCheck), static_cast<QWidget*>(m_ui->zipLeaveRadio),
          static_cast<QWidget*>(m_ui->zipDeleteRadio), static_cast<QWidget*>(m_ui->pkunzipPathEdit),
          static_cast<QWidget*>(m_ui->browseButton)}) {
        widget->setEnabled(zip);
    }
    const bool zipPassword = zip && m_ui->zipPasswordCheck->isChecked();
    m_ui->zipPasswordEdit->setEnabled(zipPassword);
    m_ui->zipPasswordLabel->setEnabled(zipPassword);
    const bool sex = m_ui->sexEnableCheck->isChecked();
    for (QWidget* widget :
         {static_cast<QWidget*>(m_ui->sexPasswordCheck), static_cast<QWidget*>(m_ui->sexLeaveRadio),
          static_cast<QWidget*>(m_ui->sexDeleteRadio)}) {
        widget->setEnabled(sex);
    }
    const bool sexPassword = sex && m_ui->sexPasswordCheck->isChecked();
    m_ui->sexPasswordEdit->setEnabled(sexPassword);
    m_ui->sexPasswordLabel->setEnabled(sexPassword);
}

// The manual date step and new-symbol identification do not run together.
void SettingsDialog::OnManualDateClicked() {
    const bool manual = m_ui->manualDateCheck->isChecked();
    if (manual) {
        m_ui->newSymbolsCheck->setChecked(false);
    }
    m_ui->newSymbolsCheck->setEnabled(!manual);
}

void SettingsDialog::Browse() {
    if (const std::optional<QString> chosen =
            ChooseDirectory(this, m_ui->pkunzipPathEdit->text())) {
        m_ui->pkunzipPathEdit->setText(*chosen);
    }
}

QWidget* SettingsDialog::FieldWidget(update::SettingsField field) const {
    switch (field) {
        case update::SettingsField::kPkunzipPath:
            return m_ui->pkunzipPathEdit;
        case update::SettingsField::kSearchName:
            return m_ui->searchNameEdit;
    }
    return m_ui->searchNameEdit;
}

void SettingsDialog::accept() {
    if (const auto problem = update::CheckSettingsForm(Settings(), m_driveEntries)) {
        m_messenger.Show(problem->message, platform::MessageIcon::kExclamation);
        auto* edit = qobject_cast<QLineEdit*>(FieldWidget(problem->field));
        edit->setFocus();
        edit->selectAll();
        return;
    }
    QDialog::accept();
}

}  // namespace ticksmith::app
