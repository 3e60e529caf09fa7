#include "app/help_links.h"

namespace ticksmith::app {

void ShowHelpContents(QWidget* /*parent*/) {}

void ShowTutorial(QWidget* /*parent*/) {}

void ShowDialogHelp(QWidget* /*parent*/, const QString& /*dialogTitle*/) {}

}  // namespace ticksmith::app
