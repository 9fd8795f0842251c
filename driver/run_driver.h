// The run driver: the banner, the control file, the loop over the station
// data files with the fixed order of the per-station steps, and the end of
// the run.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/campaign.h"
#include "analysis/flow_path_fit.h"
#include "model/uncertainty.h"
#include "plot/figure_file.h"
#include "plot/plot_device.h"
#include "report/figures.h"

namespace kaldero {

class Console;

// What the command line asks for (driver/main.cpp). With no option the run
// is exactly the interactive program of old.
struct RunOptions {
  // The control files named on the command line, run one after the other;
  // without any the user is asked for one.
  std::vector<std::string> controlFiles;
  // In batch mode: a station that stops does not stop the run.
  bool keepGoing = false;
  // For scripts: nothing is waited for or asked, the console shows the
  // reports and one summary line per station.
  bool batch = false;
  std::optional<std::string> resultsFile;  // JSON results of the run
  std::optional<std::string> tableFile;    // CSV table, one row per station
  std::optional<std::string> reportFile;   // HTML report of the run
  // The file formats of the plots.
  std::vector<plot::PlotFormat> plotFormats{plot::PlotFormat::PostScript};
  // Model fits of flow paths (--fit and the --fit- options); none without
  // --fit.
  std::optional<FitOptions> fit;
  // The reaches between the stations of a run fitted too (--fit-reaches,
  // with the options of --fit): each downstream station from the measured
  // flux of the station before it by travel distance.
  bool fitReaches = false;
  // The pairs named with --reach (upstream, downstream station data files
  // as the control file names them): only these reaches are fitted.
  std::vector<std::pair<std::string, std::string>> reaches;
  // The first station of the reaches and every reach fitted at once
  // (--fit-joint, which fits the reaches): each reach from the modelled
  // flux of the station above it.
  bool fitJoint = false;
  // The uncertainty of every result (--uncertainty): off with 0 draws.
  UncertaintyRequest uncertainty;
  // The detection limit of every station, in its concentration unit
  // (--detection-limit): the readings below it censored in the signed
  // estimates and the draws (conditioning/detection_limit.h).
  std::optional<float> detectionLimit;
  // The normalized, load and standardized curves also as CSV files.
  bool curvesCsv = false;
  // The analyses of the listing take every data line of a file of any
  // length in data-reduction mode 1 (--every-line).
  bool everyLine = false;
  // The figures of all stations of a run (--plots or --figures given).
  bool campaignFigures = false;
  // The report figures of every station as files (--figures FORMATS), and
  // the options of every figure drawn from its description (the report's,
  // the flow-path fit and campaign figures): --figure-scale,
  // --campaign-scale, --figure-size, --dpi.
  std::vector<plot::PlotFormat> figureFormats;
  figures::Options figureOptions;
  plot::FigureSize figureSize;
};

// A call of the program: for each control file the banner, the control
// file, every station, the run totals and the end box (a report that stops
// a run ends that run: kaldero::Error is caught there); then the results
// files of all runs. Returns the exit status (core/stop.h), the worst of the
// runs.
int runAll(Console& console, const RunOptions& options);

}  // namespace kaldero
