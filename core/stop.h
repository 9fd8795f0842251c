// Ending the run. A fatal condition is reported where it is found; the stop
// throws the error (kaldero::Error) to the main program, which writes the
// results files of the run so far and returns its exit status. Files
// already written stay as they are.
#pragma once

#include <string_view>

#include "core/error.h"

namespace kaldero {

class Console;

// Exit statuses of the program.
inline constexpr int kExitNormal = 0;   // the run ended with its end-of-run box
inline constexpr int kExitStopped = 1;  // a report stopped the run
inline constexpr int kExitBadOptions = 2;  // a bad command line: nothing read or written
inline constexpr int kExitInternal = 3; // the machine ran out of memory
// The run ended, every results listing is complete, but other output files
// (curve files, plots, tables) could not be written; the console names them.
inline constexpr int kExitFilesNotWritten = 4;

// The worse of two exit statuses of the runs of one call: a run stopped
// (any status but 0 and 4) is worse than files not written, which is worse
// than a normal end; of two equally bad, the first.
int worseExitStatus(int a, int b);

// Writes the stop message (when there is one) as a console line and ends the
// run: throws Error (kind Data) with the message.
[[noreturn]] void stopRun(Console& console, std::string_view message = {});

}  // namespace kaldero
