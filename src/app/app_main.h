#pragma once

namespace ticksmith::app {

// Runs the window program: the QApplication, start-up and the event loop. Returns the exit
// status.
int RunWindowProgram(int argc, char** argv);

}  // namespace ticksmith::app
