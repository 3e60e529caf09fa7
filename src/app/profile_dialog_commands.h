#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// File > Profiles...: the Profiles Management dialog, then the symbol grid read again when a
// profile was assigned. False for any other command.
bool RunProfileCommand(CTicksmithView& view, CommandId id);

// Shows Profiles Management over the view's current portfolio and symbol; true when a profile
// was assigned in it, whichever way it ended. The caller refills the symbol grid.
bool ShowProfilesManagement(CTicksmithView& view);

}  // namespace ticksmith::app
