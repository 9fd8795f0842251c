// A request to stop made by a signal (SIGINT from the terminal, SIGTERM
// from job control or a shutdown). The handler only records which signal
// came; the program looks at the record where it can stop cleanly (between
// the steps of a station, between stations and runs, between uncertainty
// draws), so that no file is left half written. The record is the
// process's signal state, the one value a signal handler may set; it is
// not part of any run.
#pragma once

#include <string>

namespace kaldero::interrupt {

// What check() throws: not an Error, so that nothing that goes on after a
// stopped station (--keep-going) takes it for one.
struct Interrupted {
  int signal = 0;
  // 128 + the signal: 130 for SIGINT, 143 for SIGTERM.
  int exitStatus() const { return 128 + signal; }
  // "SIGINT" or "SIGTERM".
  std::string name() const;
};

// Handlers for SIGINT and SIGTERM. A wait for input returns (the console
// takes it as the end of input); a second signal of the same kind ends the
// program at once, as one who presses Ctrl-C twice expects.
void install();

// The signal that asked to stop, or 0.
int received();

// Throws Interrupted when a signal asked to stop.
void check();

// For tests: records a signal as the handler would (0 clears it).
void request(int signo);

}  // namespace kaldero::interrupt
