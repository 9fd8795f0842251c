// What a run leaves for its results as data (JSON, CSV, HTML): for every
// station its header and setup, its results, the files it wrote and the
// reports the console showed, and the run's totals and end.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/console.h"
#include "model/control.h"
#include "model/flow_path_fit.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

// A file the run wrote, with what it is ("results listing", "data plot").
struct OutputFile {
  std::string name;
  std::string kind;
  std::string format;  // of a plot: "ps", "png", "svg", "pdf"; else empty
};

struct StationRecord {
  std::string stationFile;       // as the control file names it
  bool headerRead = false;       // the test description was read
  bool analysed = false;         // every step of the station ran
  bool finished = false;         // the record is complete (analysed or stopped)
  std::string stopReport;        // the report that stopped the run at this station
  TestDescription test;
  StationSetup setup;
  std::optional<StationResults> results;  // when the analyses ran
  std::optional<FlowPathFitResult> fit;   // with --fit
  std::vector<OutputFile> outputs;
  std::vector<ShownReport> reports;
};

struct RunRecord {
  ControlValues control;
  ReleaseSetup release;
  bool controlRead = false;
  std::vector<StationRecord> stations;
  std::optional<RunTotals> totals;  // when they were written
  std::vector<ShownReport> reports;  // shown outside any station
  int exitStatus = 0;
  int filesNotWritten = 0;
};

}  // namespace kaldero
