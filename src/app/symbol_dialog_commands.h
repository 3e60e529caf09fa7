#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// The Symbol menu's dialogs: runs the command's dialog over the view and refills the grids. False
// for a command that is not one of them.
bool RunSymbolCommand(CTicksmithView& view, CommandId id);

}  // namespace ticksmith::app
