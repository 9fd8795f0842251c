// Ending the run. A fatal condition is reported where it is found; the stop
// unwinds to the main program, which flushes the console and returns the
// exit status. Files already written stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace kaldero {

class Console;

// Exit statuses of the program.
inline constexpr int kExitNormal = 0;   // the run ended with its end-of-run box
inline constexpr int kExitStopped = 1;  // a report stopped the run
inline constexpr int kExitInternal = 3; // an unexpected failure (out of memory)
// The run ended, every results listing is complete, but other output files
// (curve files, plots, tables) could not be written; the console names them.
inline constexpr int kExitFilesNotWritten = 4;

struct RunStopped {
  int status = kExitStopped;
};

// Writes the stop message (when there is one) as a console line and ends the
// run.
[[noreturn]] void stopRun(Console& console, std::string_view message = {},
                          int status = kExitStopped);

}  // namespace kaldero
