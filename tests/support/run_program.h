// The analysis program on a console, as its main program runs it: a report
// that stops a run ends that run, and the results files of the runs so far
// are still written.
#pragma once

#include "core/error.h"
#include "driver/run_driver.h"

namespace kaldero::testing {

// The exit status of the run.
inline int runProgram(Console& console, const RunOptions& options) {
  return runAll(console, options);
}

}  // namespace kaldero::testing
