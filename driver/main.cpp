// The program: the command line, then the runs (a report that stops a run
// throws kaldero::Error, caught by the run loop, which then writes the
// results files of the runs so far); storage that cannot be had ends the
// program here.
#include <malloc.h>

#include <cstdio>
#include <iostream>
#include <new>

#include "analysis/flow_path_fit.h"
#include "core/console.h"
#include "core/interrupt.h"
#include "core/stop.h"
#include "core/text.h"
#include "driver/command_line.h"
#include "driver/run_driver.h"

int main(int argc, char** argv) {
  // The arrays of a long record (tens of MB each) come from the heap and
  // go back to it, so that each array a step makes reuses the pages of one
  // freed before instead of mapping new ones (and zeroing them) every time.
  kaldero::quietSolverLog();
  // SIGINT and SIGTERM end the run where no file is half written.
  kaldero::interrupt::install();
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  const kaldero::Expected<kaldero::CommandLine> line = kaldero::parseCommandLine(argc, argv);
  if (!line) {
    std::cerr << "kaldero: " << kaldero::text::terminalSafe(line.error().message) << "\n"
              << "Usage: kaldero [OPTIONS] [CONTROLFILE ...]   (kaldero --help lists the "
                 "options)\n";
    return kaldero::kExitBadOptions;
  }
  if (line->show) {
    std::cout << *line->show;
    return 0;
  }
  const kaldero::RunOptions& options = line->options;

  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
  kaldero::Console console(stdout, stdin);
  console.setBatch(options.batch);
  try {
    return kaldero::runAll(console, options);
  } catch (const std::bad_alloc&) {
    kaldero::Console::ReportScope scope(console, kaldero::ShownReport::Kind::Error);
    console.line(" NOT ENOUGH STORAGE SPACE -- PROGRAM STOPPED");
    console.flush();
    return kaldero::kExitInternal;
  }
}
