#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// File > Settings...: "Ticksmith Settings" over the view's settings; on OK they are stored and
// the drive scanned again or the quote grid refilled as the change asks. False for any other
// command.
bool RunSettingsCommand(CTicksmithView& view, CommandId id);

}  // namespace ticksmith::app
