#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace ticksmith::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs one ticksmith-cli command line (without the program name) against the given streams,
// so that tests drive commands in-process. Returns the exit status.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace ticksmith::cli
