#pragma once

#include <QDir>

namespace ticksmith::app {

class CMainFrame;

// Draws the main window as it stands into main-window.png and each dialog that can be shown
// without a command into its own PNG. False when a file could not be written.
bool WriteScreenshots(CMainFrame& frame, const QDir& directory);

}  // namespace ticksmith::app
