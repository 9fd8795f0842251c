// The analysis program on a console, as its main program runs it: a report
// that stops the run ends it with the results files of the run so far.
#pragma once

#include "core/error.h"
#include "driver/run_driver.h"

namespace kaldero::testing {

// The exit status of the run.
inline int runProgram(Console& console, const RunOptions& options) {
  Run run(console, options);
  try {
    return run.execute();
  } catch (const Error& stop) {
    return run.stopped(stop);
  }
}

}  // namespace kaldero::testing
