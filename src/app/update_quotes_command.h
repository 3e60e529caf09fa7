#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// Update Quotes and Undo Last Update; false for the other commands.
bool RunUpdateCommand(CTicksmithView& view, CommandId id);

// Undo Last Update: says what the last run changed, asks, undoes and refills the grids.
void UndoLastUpdateCommand(CTicksmithView& view);

}  // namespace ticksmith::app
