// The run driver: the banner, the control file, the loop over the station
// data files with the fixed order of the per-station steps, and the end of
// the run.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plot/plot_device.h"

namespace kaldero {

class Console;

// What the command line asks for (driver/main.cpp). With no option the run
// is exactly the interactive program of old.
struct RunOptions {
  // The control file named on the command line; without it the user is
  // asked.
  std::optional<std::string> controlFile;
  // For scripts: nothing is waited for or asked, the console shows the
  // reports and one summary line per station.
  bool batch = false;
  std::optional<std::string> resultsFile;  // JSON results of the run
  std::optional<std::string> tableFile;    // CSV table, one row per station
  std::optional<std::string> reportFile;   // HTML report of the run
  // The file formats of the plots.
  std::vector<plot::PlotFormat> plotFormats{plot::PlotFormat::PostScript};
  // Model fits of flow paths: 1 to 3 paths, 0 for the number chosen by the
  // corrected Akaike criterion; none without --fit.
  std::optional<int> fitPaths;
};

struct RunState;
struct Error;

// A run of the program.
class Run {
 public:
  Run(Console& console, const RunOptions& options);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // The run to its end: the banner, the control file, every station, the
  // run totals and the results files; returns the exit status (see
  // core/stop.h). A report that stops the run throws Error.
  int execute();
  // After a report stopped the run: the results files of the run so far;
  // returns the exit status.
  int stopped(const Error& error);

 private:
  std::unique_ptr<RunState> state_;
};

}  // namespace kaldero
