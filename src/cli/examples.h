#pragma once

namespace CLI {
class App;
}

namespace ticksmith::cli {

// Ends the help of the program and of each of its commands with a worked example.
void AddExamples(CLI::App& app);

}  // namespace ticksmith::cli
