#include "app/profiles_dialog.h"

#include <algorithm>

#include "app/dialog_seam.h"
#include "app/help/help_window.h"
#include "app/profile_settings_dialog.h"
#include "app/quote_form_dialog.h"
#include "app/ticksmith_view.h"
#include "app/wait_cursor.h"
#include "platform/names.h"
#include "profiles/profile.h"
#include "settings/setting_keys.h"
#include "ui_profiles_dialog.h"

namespace ticksmith::app {

ProfilesDialog::ProfilesDialog(CTicksmithView& view, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::ProfilesDialog>()),
      m_view(view),
      m_messenger(this) {
    m_ui->setupUi(this);
    const profiles::ProfileList list = profiles::ListProfiles(
        m_view.State().settings.workingDirectory, m_view.Store(), m_messenger);
    for (const std::string& name : list.names) {
        m_ui->profileCombo->addItem(QtText(name));
    }
    m_ui->profileCombo->setCurrentIndex(list.selected);
    connect(m_ui->previousPortfolioButton, &QPushButton::clicked, this,
            [this] { StepPortfolio(-1); });
    connect(m_ui->nextPortfolioButton, &QPushButton::clicked, this, [this] { StepPortfolio(1); });
    connect(m_ui->previousSymbolButton, &QPushButton::clicked, this, [this] { StepSymbol(-1); });
    connect(m_ui->nextSymbolButton, &QPushButton::clicked, this, [this] { StepSymbol(1); });
    connect(m_ui->newButton, &QPushButton::clicked, this,
            [this] { EditProfile(profiles::ProfileMode::kNew); });
    connect(m_ui->cloneButton, &QPushButton::clicked, this,
            [this] { EditProfile(profiles::ProfileMode::kClone); });
    connect(m_ui->editButton, &QPushButton::clicked, this,
            [this] { EditProfile(profiles::ProfileMode::kEdit); });
    connect(m_ui->singleAssignButton, &QPushButton::clicked, this, &ProfilesDialog::AssignOne);
    connect(m_ui->multipleAssignButton, &QPushButton::clicked, this, &ProfilesDialog::AssignAll);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &ProfilesDialog::Close);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { ShowHelp(this, HelpTopic::kProfiles); });
    ShowFacts();
    SetButtons();
    m_ui->profileCombo->setFocus();
}

ProfilesDialog::~ProfilesDialog() = default;

void ProfilesDialog::ShowFacts() {
    const portfolio::ViewState& state = m_view.State();
    const int shown = state.selectedPortfolio;
    m_ui->portfolioText->setText(shown >= 0 && shown < static_cast<int>(state.portfolios.size())
                                     ? QtText(state.portfolios[static_cast<std::size_t>(shown)])
                                     : QString());
    const int row = state.selectedSymbolRow;
    if (row < 0 || row >= state.SymbolCount()) {
        const QString none = tr("Not applicable");
        m_ui->symbolText->setText(none);
        m_ui->fileNumberText->setText(none);
        m_ui->profileText->setText(none);
        return;
    }
    const portfolio::SymbolRow& symbol = state.symbolRows[static_cast<std::size_t>(row)];
    m_ui->symbolText->setText(QtText(symbol.Symbol()));
    m_ui->fileNumberText->setText(QStringLiteral("F%1.dat").arg(symbol.FileNumber()));
    const std::optional<std::string> assigned =
        profiles::ReadAssignment(state.current.portfolioDir, symbol.FileNumber());
    if (!assigned) {
        m_ui->profileText->setText(tr("(none)"));
        return;
    }
    m_ui->profileText->setText(QtText(*assigned));
    // Profile names are file names, which match without regard to case.
    if (const int listed = m_ui->profileCombo->findText(QtText(*assigned), Qt::MatchFixedString);
        listed >= 0) {
        m_ui->profileCombo->setCurrentIndex(listed);
    }
}

void ProfilesDialog::SetButtons() {
    const portfolio::ViewState& state = m_view.State();
    const int portfolio = state.selectedPortfolio;
    const int symbol = state.selectedSymbolRow;
    const int symbols = state.SymbolCount();
    m_ui->previousPortfolioButton->setEnabled(portfolio >= 1);
    m_ui->nextPortfolioButton->setEnabled(portfolio <
                                          static_cast<int>(state.portfolios.size()) - 1);
    m_ui->singleAssignButton->setEnabled(symbols > 0);
    m_ui->multipleAssignButton->setEnabled(symbols > 0);
    m_ui->previousSymbolButton->setEnabled(symbols > 0 && symbol >= 1);
    m_ui->nextSymbolButton->setEnabled(symbol < symbols - 1);
}

void ProfilesDialog::StepPortfolio(int step) {
    portfolio::ViewState& state = m_view.State();
    const int target = state.selectedPortfolio + step;
    if (target < 0 || target >= static_cast<int>(state.portfolios.size())) {
        return;
    }
    // Walking portfolios shows each one's newest quotes, as the Recent/All command does.
    if (!state.settings.displayRecent) {
        state.settings.displayRecent = true;
        settings::Write(m_view.Store(), settings::keys::kDisplayLimit, 1);
    }
    // An entry that cannot be opened says why and stays unselected.
    static_cast<void>(
        state.OpenPortfolio(state.portfolios[static_cast<std::size_t>(target)], m_messenger));
    m_view.FillSymbolsGrid(0);
    ShowFacts();
    SetButtons();
}

void ProfilesDialog::StepSymbol(int step) {
    const int target = m_view.State().selectedSymbolRow + step;
    if (target < 0 || target >= m_view.State().SymbolCount()) {
        return;
    }
    m_view.FillSymbolsGrid(target);
    ShowFacts();
    SetButtons();
}

std::string ProfilesDialog::SelectedProfile() const {
    return CoreText(m_ui->profileCombo->currentText());
}

std::vector<std::string> ProfilesDialog::ListedProfiles() const {
    std::vector<std::string> names;
    for (int i = 0; i < m_ui->profileCombo->count(); ++i) {
        names.push_back(CoreText(m_ui->profileCombo->itemText(i)));
    }
    return names;
}

void ProfilesDialog::ListProfile(const std::string& name) {
    const std::vector<std::string> names = ListedProfiles();
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& listed) {
        return platform::EqualsIgnoringCase(listed, name);
    });
    if (found != names.end()) {
        m_ui->profileCombo->setCurrentIndex(static_cast<int>(found - names.begin()));
        return;
    }
    const auto place =
        std::upper_bound(names.begin(), names.end(), name, platform::LessIgnoringCase);
    const int index = static_cast<int>(place - names.begin());
    m_ui->profileCombo->insertItem(index, QtText(name));
    m_ui->profileCombo->setCurrentIndex(index);
}

void ProfilesDialog::EditProfile(profiles::ProfileMode mode) {
    const std::filesystem::path& workingDirectory = m_view.State().settings.workingDirectory;
    profiles::ProfileForm form;
    if (mode == profiles::ProfileMode::kNew) {
        form = profiles::NewProfileForm(m_view.State().current.portfolioDir);
    } else {
        const std::string name = SelectedProfile();
        profiles::Profile profile;
        if (!profiles::ReadProfile(workingDirectory, name, profile, m_messenger)) {
            return;
        }
        form = profiles::FormFromProfile(profile, name, mode);
    }
    ProfileSettingsDialog settingsDialog(form, ListedProfiles(), this);
    if (Dialogs().Exec(settingsDialog) != QDialog::Accepted) {
        return;
    }
    const profiles::ProfileForm saved = settingsDialog.Form();
    if (profiles::WriteProfile(workingDirectory, saved.name, profiles::ProfileFromForm(saved),
                               m_messenger)) {
        ListProfile(saved.name);
    }
}

void ProfilesDialog::AssignOne() {
    const portfolio::SymbolRow* symbol = m_view.State().SelectedSymbol();
    if (symbol == nullptr) {
        return;
    }
    if (profiles::AssignProfile(m_view.State().current.portfolioDir, symbol->FileNumber(),
                                SelectedProfile(), m_view.Store(), m_messenger)) {
        m_assigned = true;
    }
    ShowFacts();
}

void ProfilesDialog::AssignAll() {
    const portfolio::ViewState& state = m_view.State();
    std::vector<int> fileNumbers;
    for (const portfolio::SymbolRow& row : state.symbolRows) {
        fileNumbers.push_back(row.FileNumber());
    }
    const std::string name = SelectedProfile();
    bool all = false;
    {
        const WaitCursor busy;
        all = profiles::AssignProfileToAll(state.current.portfolioDir, fileNumbers, name,
                                           m_view.Store(), m_messenger);
    }
    // Files that could not be written were named one by one; the others are assigned.
    m_assigned =
        m_assigned || all ||
        std::any_of(fileNumbers.begin(), fileNumbers.end(), [&](int fileNumber) {
            return profiles::ReadAssignment(state.current.portfolioDir, fileNumber) == name;
        });
    ShowFacts();
}

void ProfilesDialog::Close() {
    if (!m_assigned &&
        !m_messenger.AskYesNo("You did not assign a Symbol to a Profile.\n\nDo you wish to exit "
                              "Profiles Management now?",
                              platform::MessageIcon::kExclamation)) {
        return;
    }
    accept();
}

}  // namespace ticksmith::app
