#include "driver/run_driver.h"

#include <algorithm>
#include <string>

#include "driver/chatwin_step.h"
#include "core/console.h"
#include "driver/output_steps.h"
#include "driver/plot_steps.h"
#include "core/file_reports.h"
#include "driver/run_state.h"
#include "driver/station_analysis.h"
#include "core/stop.h"
#include "core/text.h"
#include "conditioning/background.h"
#include "conditioning/interpolation.h"
#include "input/checks.h"
#include "input/output_names.h"
#include "input/units.h"
#include "print/printing.h"

namespace kaldero {

namespace {

void writeBanner(Console& c) {
  c.empty(8);
  for (const auto& l : box(15, {"",
                                std::string(29, ' ') + "KLD.EXE",
                                "",
                                "       PROGRAM TO CALCULATE TOTAL TRACER-MASS RECOVERY AND",
                                "       HYDRAULIC AND GEOMETRIC PARAMETERS FROM GROUND-WATER",
                                "       TRACER TESTS IN VARIOUS HYDROLOGIC SYSTEMS",
                                ""}))
    c.line(l);
}

void writeEndBox(Console& c) {
  c.empty(8);
  for (const auto& l : box(15, {"",
                                "       KALDERO IS NOW FINISHED PROCESSING ALL FILES; YOU",
                                "       MAY NOW EXAMINE EACH FILE CREATED BY KALDERO FOR",
                                "       THE RESULTS OF EACH SAMPLING STATION FILE PROCESSED",
                                "",
                                "               (USE A TEXT VIEWER OR TEXT EDITOR)",
                                ""}))
    c.line(l);
}

void writeProcessingBox(Console& c, const std::string& name50) {
  c.empty(2);
  for (const auto& l :
       box(5, {"", "  PROCESSING: " + text::rightAligned(name50, 51), ""}))
    c.line(l);
}

// Per-station results are cleared before every station; the full reset at
// the end of the run and before the stops that follow a file failure also
// blanks the names and the injection and drops the run total of mass.
void reset(RunState& s, bool full) {
  s.results.resetStation();
  if (!full) return;
  const std::string blank = text::padded("");
  s.control.controlFileName = blank;
  s.station.stationFile = blank;
  s.test.interpolatedName = s.test.listingName = s.test.cxtfitName = blank;
  s.test.normalizedName = s.test.loadName = s.test.standardizedName = blank;
  s.control.injectedMass = 0;
  s.control.massUnit = 0;
  s.totals.recoveredMass = 0;
}

// Values beyond single precision once in internal units (times of 1e30
// hours in seconds) would make every result meaningless: the run stops
// naming them.
void requireFiniteCurve(RunState& s) {
  const int32_t n = s.station.n;
  const auto T = s.work.times(), C = s.work.concentrations(), Q = s.work.discharges();
  for (int32_t i = 0; i < n; ++i) {
    fmt::requireFinite(T[i], "sample time in seconds");
    fmt::requireFinite(C[i], "concentration in ng/L");
    if (s.test.dischargeMode == 1) fmt::requireFinite(Q[i], "discharge in m3/s");
  }
  fmt::requireFinite(s.test.constantDischarge, "constant discharge in m3/s");
  fmt::requireFinite(s.test.distance, "travel distance in metres");
}

// A results listing that could not be written completely (a full disk)
// stops the run: the user must not take an incomplete listing for the
// station's results.
void requireListingWritten(RunState& s) {
  if (s.listing.intact()) return;
  reportListingNotWritten(s.console, text::padded(s.listing.failedPath()), s.listing.failure());
  reset(s, true);
  stopRun(s.console);
}

// The files a station wrote may not be replaced by a later station.
void registerOutputs(RunState& s) {
  for (const std::string& name : plannedOutputs(s.test, s.station.stationFile))
    s.earlierOutputs.add(name);
  for (const std::string& name : s.plots.keptFiles) s.earlierOutputs.add(name);
  s.plots.keptFiles.clear();
}

// The print question for a results listing; only "Y" or "y" prints.
void askToPrint(RunState& s) {
  Console& c = s.console;
  c.empty(4);
  c.write(std::string(15, ' ') + "DO YOU WANT TO PRINT THE FILE: " +
          text::trimmed(s.test.listingName) + "? (Y=YES, N=NO)   ");
  // The answer is read free-format: empty lines are skipped and the first
  // character of the first item is the answer; the end of input is "no".
  char answer = ' ';
  for (;;) {
    std::optional<std::string> l = c.readLine();
    if (!l) {
      c.line();
      break;
    }
    std::size_t i = l->find_first_not_of(" \t");
    if (i == std::string::npos) continue;
    answer = (*l)[i];
    if ((answer == '\'' || answer == '"') && i + 1 < l->size()) answer = (*l)[i + 1];
    break;
  }
  if (answer != 'Y' && answer != 'y') return;
  // The user chooses the printer; every failure is reported on the console
  // by the printing itself and the run goes on.
  (void)printing::printListing(c, s.listing, printing::printQuestionSettings());
}

// Makes the station work array for the data pass: the data-reduction
// decision with its halving fallback.
void allocateStation(RunState& s, int32_t dataLines) {
  const int32_t pad =
      StationWorkArray::padFor(s.test.extrapolationOption, s.test.extrapolationMethod);
  ReductionDecision d =
      decideReduction(dataLines, s.test.reductionMode, s.test.knotOption, s.test.stationTotals,
                      [&](int32_t n) { return n >= 0 && s.work.allocate(n, pad); });
  if (!d.allocated) {
    s.console.free("NOT ENOUGH STORAGE SPACE FOR THE STATION DATA");
    stopRun(s.console, "                             PROGRAM STOPPED");
  }
  s.station.n = d.n;
  s.station.mode = d.mode;
  s.station.k = d.k;
}

// The knot decision; interpolation itself replaces the measured curve by
// the knot curve when there are more knots than samples.
void knotStep(RunState& s) {
  Console& c = s.console;
  if (s.test.knotOption != 1) return;
  const int32_t knots = s.test.knotCount;
  if (knots < s.station.n) {
    c.free("NUMBER OF KNOTS LESS THAN ORIGINAL DATA SET SIZE");
    c.free("PROGRAM STOPPED");
    stopRun(c);
  }
  if (knots == s.station.n) {
    c.free("NUMBER OF KNOTS EQUAL ORIGINAL DATA SET SIZE");
    c.free("PROGRAM USING ORIGINAL DATA SET");
    s.test.knotOption = 0;
    return;
  }

  // The knot curve is made in its own workspace, then the station work
  // array is made anew for the knots and takes the knot curve over.
  InterpolationWorkspace ws;
  if (!ws.allocate(s.station.n, knots, s.statusWord)) interpolationStorageStop(c);
  CurveSegments measured = s.work.curve();
  if (!interpolateOntoKnots(c, s.test, measured, s.station.n, ws)) ++s.filesNotWritten;
  s.work.free();
  s.station.n = knots;
  const int32_t pad =
      StationWorkArray::padFor(s.test.extrapolationOption, s.test.extrapolationMethod);
  if (!s.work.allocate(knots, pad)) curveStorageStop(c);
  std::copy_n(ws.knotTimes().begin(), knots, s.work.times().begin());
  std::copy_n(ws.knotConcentrations().begin(), knots, s.work.concentrations().begin());
  std::copy_n(ws.knotDischarges().begin(), knots, s.work.discharges().begin());
  ws.free();

  s.phase = 1;
  writeProcessingBox(c, s.test.interpolatedName);
  const Switches& ip = s.test.interpolatedPlot;
  if (ip[0] == 0 && ip[1] == 0 && ip[2] == 0 && ip[3] == 0) {
    c.secondPause();
    c.focus();
  } else {
    // The knot curve is plotted with the reduction factor in the place of
    // the data-reduction mode word.
    dataPlotStep(s, s.station.k);
  }
}

// One pass of the station loop; false when the control file holds no
// further name.
bool processStation(RunState& s) {
  Console& c = s.console;
  ++s.stationCounter;
  if (s.stationCounter <= 0) countingErrorStop(c, s.stationCounter);
  c.empty();
  c.free("PROCESSING OF NEXT SAMPLING STATION DATA ");
  if (!s.controlFile.nextStationName(s.station.stationFile)) return false;
  c.free("FILE = " + s.station.stationFile);

  if (!s.stationFile.open(text::trimmed(s.station.stationFile))) {
    reportStationFileNotFound(c, s.station.stationFile);
    reset(s, true);
    stopRun(c);
  }
  reset(s, false);
  // Every station starts on its measured curve: a phase left at 1 by the
  // previous station's interpolation would hide this station's processing
  // box and give its Chatwin table and plots the other station's
  // interpolated-data file name as title.
  s.phase = 0;
  s.test = TestDescription{};
  s.station.tail = TailFit{};

  int32_t dataLines = 0;
  if (s.stationFile.readHeader(c, s.test, s.station.stationFile, dataLines) != 0) stopRun(c);
  if (!outputNamesAreSound(c, s.test, s.station.stationFile, s.inputFiles, s.earlierOutputs))
    stopRun(c);
  releaseTimeCheck(c, s.listing, s.control);

  allocateStation(s, dataLines);
  CurveSegments curve = s.work.curve();
  s.stationFile.readData(c, s.test, s.station.stationFile, curve, s.station.n, s.station.tail,
                         s.station.k, s.station.mode);
  c.focus();

  if (s.phase == 0) writeProcessingBox(c, s.station.stationFile);
  const Switches& dp = s.test.dataPlot;
  if (dp[0] == 0 && dp[1] == 0 && dp[2] == 0 && dp[3] == 0) {
    c.secondPause();
    c.focus();
  } else {
    s.phase = 0;
    dataPlotStep(s, s.station.mode);
    // Group means are plotted once more without their error bars.
    while (s.station.mode == 2) {
      s.station.mode = 0;
      dataPlotStep(s, s.station.mode);
    }
  }
  knotStep(s);

  // Background, then internal units.
  subtractBackground(s.test, s.work.concentrations(), s.station.n);
  units::convertStationData(s.test, s.work.times(), s.work.concentrations(),
                            s.work.discharges(), s.station.n);
  requireFiniteCurve(s);

  // Limits, first arrival and peak, recovered mass, moment integrals.
  integrateCurve(s);
  chatwinStep(s);
  closeAfterChatwin(s);
  loadForReports(s);

  if (!s.listing.open(text::trimmed(s.test.listingName))) {
    reportListingNotOpened(c, s.test.listingName);
    reset(s, true);
    stopRun(c);
  }
  reportTransport(s);

  countingErrorStop(c, s.stationCounter);
  if (s.stationCounter == 1) units::convertInjectedMass(s.control);
  reportGeometryAndRecovery(s);

  // Look ahead: another station follows when the control file holds one
  // more line; its listing is then offered for printing and closed.
  std::string nextName;
  if (s.controlFile.lookAhead(nextName)) {
    requireListingWritten(s);
    askToPrint(s);
    s.listing.close();
    requireListingWritten(s);
  }

  // The CXTFIT input file, the curve files and their plots.
  cxtfitStep(s);
  curveFileSteps(s);
  closeAfterCurvePlots(s);
  requireListingWritten(s);

  addToRunTotals(s);
  registerOutputs(s);
  s.work.free();
  return true;
}

int endOfRun(RunState& s) {
  Console& c = s.console;
  // Without any station there is no results listing to add totals to.
  if (s.listing.isOpen()) {
    writeRunTotals(s);
    requireListingWritten(s);
    askToPrint(s);
    s.listing.close();
    requireListingWritten(s);
  }
  c.focus();
  writeEndBox(c);
  reset(s, true);
  const int32_t lost = s.filesNotWritten + s.plots.filesNotWritten;
  if (lost == 0) return kExitNormal;
  c.empty();
  c.free(std::to_string(lost) + (lost == 1 ? " OUTPUT FILE" : " OUTPUT FILES") +
         " COULD NOT BE WRITTEN (SEE THE REPORTS ABOVE);");
  c.free("THE RESULTS LISTINGS ARE COMPLETE.");
  return kExitFilesNotWritten;
}

}  // namespace

int runProgram(Console& console, const RunOptions& options) {
  RunState s(console);
  try {
    writeBanner(console);
    if (s.controlFile.readLeadingBlock(console, s.control, options.controlFile) != 0)
      stopRun(console);
    for (const std::string& name : s.controlFile.remainingNames()) s.inputFiles.add(name);
    s.inputFiles.add(text::trimmed(s.control.controlFileName));
    while (processStation(s)) {
    }
    const int status = endOfRun(s);
    console.flush();
    return status;
  } catch (const RunStopped& stop) {
    console.flush();
    return stop.status;
  } catch (const fmt::NonFiniteQuantity& q) {
    reportNonFiniteQuantity(console, s.station.stationFile, q.quantity);
    console.line("          PROGRAM STOPPED");
    console.flush();
    return kExitStopped;
  }
}

}  // namespace kaldero
