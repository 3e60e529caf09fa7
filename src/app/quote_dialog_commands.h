#pragma once

#include "app/command_table.h"

namespace ticksmith::app {

class CTicksmithView;

// The Quotes menu and Symbol > About (the quote series' facts): runs the command's dialog over the
// view and refills the grids. False for a command that is not one of them.
bool RunQuoteCommand(CTicksmithView& view, CommandId id);

}  // namespace ticksmith::app
