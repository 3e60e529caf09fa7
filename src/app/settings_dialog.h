#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "app/window_messenger.h"
#include "settings/view_settings.h"
#include "update/settings_check.h"

namespace Ui {
class SettingsDialog;
}

namespace ticksmith::app {

// "Ticksmith Settings": the settings the main view keeps, as the person may change them. OK
// runs the core's checks and stays open, entries as typed, on the first that fails.
class SettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // `driveEntries` are the drive box's entries, on one of which the search filter must lie.
    SettingsDialog(const settings::ViewSettings& settings, std::vector<std::string> driveEntries,
                   QWidget* parent = nullptr);
    ~SettingsDialog() override;

    // The settings it opened with, changed as the controls say.
    settings::ViewSettings Settings() const;

    void accept() override;

  private:
    void Load(const settings::ViewSettings& settings);
    void UpdateEnabling();
    void OnManualDateClicked();
    void Browse();
    QWidget* FieldWidget(update::SettingsField field) const;

    std::unique_ptr<Ui::SettingsDialog> m_ui;
    settings::ViewSettings m_opened;
    std::vector<std::string> m_driveEntries;
    WindowMessenger m_messenger;
};

}  // namespace ticksmith::app
