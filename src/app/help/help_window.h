#pragma once

#include "app/help/help_topics.h"

class QWidget;

namespace ticksmith::app {

// Opens the help window at the topic, or turns the open one to it and raises it. There is one
// help window; it belongs to the caller's window so that it stays usable beside a modal dialog.
void ShowHelp(QWidget* parent, HelpTopic topic);

// Makes the help pages available as resources. ShowHelp does this itself; a static library's
// resources are not registered until something asks for them.
void LoadHelpPages();

}  // namespace ticksmith::app
