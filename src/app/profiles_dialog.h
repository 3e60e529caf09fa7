#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "app/window_messenger.h"
#include "profiles/profile_form.h"

namespace Ui {
class ProfilesDialog;
}

namespace ticksmith::app {

class CTicksmithView;

// "Profiles Management": walks the main window's portfolios and symbols, shows each symbol's
// profile, creates, clones and edits profiles and assigns one to a symbol or to a whole
// portfolio. Close (accepted) asks first when nothing was assigned; Escape ends at once.
class ProfilesDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ProfilesDialog(CTicksmithView& view, QWidget* parent = nullptr);
    ~ProfilesDialog() override;

    bool AssignmentMade() const { return m_assigned; }

  private:
    void ShowFacts();
    void SetButtons();
    void StepPortfolio(int step);
    void StepSymbol(int step);
    void EditProfile(profiles::ProfileMode mode);
    void AssignOne();
    void AssignAll();
    void Close();
    std::string SelectedProfile() const;
    std::vector<std::string> ListedProfiles() const;
    // Selects the listed entry of that name, adding it in sorted place when it is new.
    void ListProfile(const std::string& name);

    std::unique_ptr<Ui::ProfilesDialog> m_ui;
    CTicksmithView& m_view;
    WindowMessenger m_messenger;
    bool m_assigned = false;
};

}  // namespace ticksmith::app
