#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// Export to ASCII and Split Search: the export dialog over the selected symbol (or every
// symbol of the portfolio), and the modeless Split Search window. False for other commands.
bool RunAsciiCommand(CTicksmithView& view, CommandId id);

}  // namespace ticksmith::app
