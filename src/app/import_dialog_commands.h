#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// Import from ASCII: the dialog, then one file imported under the wait cursor, or several on
// a worker behind "Importing Quotes"; afterwards the window shows the portfolio that received
// the symbols. False for the other commands.
bool RunImportCommand(CTicksmithView& view, CommandId id);

}  // namespace ticksmith::app
