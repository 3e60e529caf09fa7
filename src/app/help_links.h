#pragma once

#include <QString>

class QWidget;

namespace ticksmith::app {

// Where the window's Help commands and the dialogs' Help buttons lead.
void ShowHelpContents(QWidget* parent);
void ShowTutorial(QWidget* parent);
// The help page of the dialog with this title.
void ShowDialogHelp(QWidget* parent, const QString& dialogTitle);

}  // namespace ticksmith::app
