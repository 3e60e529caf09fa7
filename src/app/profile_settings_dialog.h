#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "app/window_messenger.h"
#include "profiles/profile_form.h"

class QWidget;

namespace Ui {
class ProfileSettingsDialog;
}

namespace ticksmith::app {

// "Profile Settings": how one family of ASCII update files is laid out, for a new, cloned or
// edited profile. Save runs the core's checks and stays open on the first that fails.
class ProfileSettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // `existingNames` are the profiles listed now: a new or cloned profile may not take one.
    ProfileSettingsDialog(const profiles::ProfileForm& form, std::vector<std::string> existingNames,
                          QWidget* parent = nullptr);
    ~ProfileSettingsDialog() override;

    // What the controls hold; after Save, the form as it was checked (the name trimmed).
    profiles::ProfileForm Form() const;

    void accept() override;

  private:
    void Load(const profiles::ProfileForm& form);
    void UpdateEnabling();
    void Browse();
    QWidget* FieldWidget(profiles::ProfileFormField field) const;

    std::unique_ptr<Ui::ProfileSettingsDialog> m_ui;
    profiles::ProfileMode m_mode;
    std::vector<std::string> m_existingNames;
    WindowMessenger m_messenger;
};

}  // namespace ticksmith::app
