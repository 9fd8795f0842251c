// The run driver: the banner, the control file, the loop over the station
// data files with the fixed order of the per-station steps, and the end of
// the run.
#pragma once

#include <optional>
#include <string>

namespace kaldero {

class Console;

struct RunOptions {
  // The control file named on the command line; without it the user is
  // asked.
  std::optional<std::string> controlFile;
};

// Runs the program; returns the exit status (see app/stop.h).
int runProgram(Console& console, const RunOptions& options);

}  // namespace kaldero
