#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// The Portfolio menu's dialogs: runs the command's dialog over the view and refills the grids.
// False for a command that is not one of them.
bool RunPortfolioCommand(CTicksmithView& view, CommandId id);

// Portfolio > Add...; `selectOrCreate` gives the dialog the title the New Symbol dialog's
// "Change Portfolio..." uses. True when a portfolio was added or selected.
bool AddPortfolioCommand(CTicksmithView& view, bool selectOrCreate);

}  // namespace ticksmith::app
