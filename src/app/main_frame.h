#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "app/command_table.h"
#include "settings/settings_store.h"
#include "settings/view_settings.h"

class QAction;
class QLabel;
class QToolBar;

namespace ticksmith::app {

class CTicksmithView;

// The frame: menus, toolbar and status bar made from the command table around the view, the
// window's placement on screen and the column widths kept on close.
class CMainFrame : public QMainWindow {
    Q_OBJECT

  public:
    CMainFrame(settings::SettingsStore& store, const settings::ViewSettings& settings,
               QWidget* parent = nullptr);
    ~CMainFrame() override;

    CTicksmithView& View() { return *m_view; }
    QAction* Action(CommandId id) const;
    QToolBar* ToolBar() const { return m_toolBar; }

    // Puts the frame where the stored placement says, or at the default (written at once).
    void ApplyPlacement();

    // The enabling, checks, title and status panes from the view's state.
    void RefreshCommands();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void RecordPlacement();

    settings::SettingsStore& m_store;
    CTicksmithView* m_view;
    std::map<CommandId, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_symbolPane = nullptr;
    QLabel* m_quotePane = nullptr;
    QLabel* m_displayPane = nullptr;
    bool m_placed = false;
};

}  // namespace ticksmith::app
