#pragma once

#include <QIcon>

#include "app/command_table.h"

namespace ticksmith::app {

// The toolbar picture of a command: a badge in the colour of the command's menu, drawn at the
// size and scale asked for, so it stays sharp on high-DPI screens.
QIcon CommandIcon(CommandId id);

// The program's own icon, drawn the same way.
QIcon ProgramIcon();

}  // namespace ticksmith::app
