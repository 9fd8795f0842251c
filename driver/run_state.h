// The run-wide state the driver owns and hands to the steps by reference.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/listing_channel.h"
#include "core/text.h"
#include "driver/work_array.h"
#include "input/control_file.h"
#include "input/output_names.h"
#include "input/station_file.h"
#include "model/control.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/station_curve.h"
#include "model/test_description.h"
#include "plot/plot_state.h"
#include "report/run_record.h"

namespace kaldero {

// The curve a flow-path fit is made to (--fit): times since the tracer
// reached the flow zone (s), concentrations (ng/L), discharges (m^3/s).
struct FitCurve {
  std::vector<double> times, concentrations, discharges;
};

// A file as it stood before the station: a file of an earlier run that the
// station never reached is not one of its outputs.
struct FileStamp {
  std::uintmax_t device = 0, inode = 0, size = 0;
  std::int64_t modifiedSec = 0, modifiedNsec = 0;
  bool operator==(const FileStamp&) const = default;
};

// What the driver keeps of the station in hand.
struct StationState {
  std::string stationFile = text::padded("");  // station data file name
  int32_t n = 0;                                // samples held in the work array
  ReductionMode mode = ReductionMode::EveryLine;  // data-reduction mode as decided
  int32_t k = 0;                                // reduction factor
  TailFit tail;
  // Whether the concentration segment holds tracer loads (concentration
  // times discharge), as the results reports leave it for a pulse.
  bool curveIsLoad = false;
  FitCurve fitCurve;
  // Files written for the station by the options beyond the listing's own
  // outputs (the fit file).
  std::vector<OutputFile> optionalOutputs;
  // The listing's own outputs that existed when the header was read.
  std::map<std::string, FileStamp> outputsBefore;
};

struct RunState {
  explicit RunState(Console& c) : console(c) {}

  Console& console;
  ControlValues control;   // the control file as read
  ReleaseSetup release;    // the release as the analyses use it
  TestDescription test;    // the station's header as read
  StationSetup setup;      // what the run derives for the station
  AnalysisResults results;
  RunTotals totals;
  StationState station;

  ControlFile controlFile;
  StationFile stationFile;
  ListingChannel listing;
  StationWorkArray work;
  plot::PlotState plots;  // graphics devices and what the plots keep for the run

  // The files of the run no output may replace: the control file and every
  // station data file it lists, and the files written by earlier stations.
  FileSet inputFiles;
  FileSet earlierOutputs;
  // Output files other than the results listings that could not be
  // written; the run goes on and ends with a non-zero exit status.
  int32_t filesNotWritten = 0;

  // Results as data: every station's record, for the results files.
  RunRecord record;

  // The flow paths to fit (--fit): 1 to 3, or kAutomaticPaths; none
  // without the option.
  std::optional<int> fitPaths;

  int32_t stationCounter = 0;
  int32_t phase = 0;        // 0 measured curve, 1 after interpolation onto knots
  bool statusWord = false;  // spline flag of the integrations: always false
};

}  // namespace kaldero
