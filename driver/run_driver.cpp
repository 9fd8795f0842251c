#include "driver/run_driver.h"

#include <algorithm>
#include <string>

#include "conditioning/background.h"
#include "conditioning/extrapolation.h"
#include "conditioning/interpolation.h"
#include "core/console.h"
#include "core/file_reports.h"
#include "core/format.h"
#include "core/stop.h"
#include "core/text.h"
#include "driver/chatwin_step.h"
#include "driver/fit_step.h"
#include "driver/output_steps.h"
#include "driver/plot_steps.h"
#include "driver/results_output.h"
#include "driver/run_state.h"
#include "driver/station_analysis.h"
#include "files/interpolated_data.h"
#include "input/checks.h"
#include "input/output_names.h"
#include "input/units.h"
#include "print/printing.h"
#include "report/notices.h"

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

// Values beyond single precision once in internal units (times of 1e30
// hours in seconds) would make every result meaningless: the run stops
// naming them.
void requireFiniteCurve(RunState& s) {
  const int32_t n = s.station.n;
  const auto T = s.work.times(), C = s.work.concentrations(), Q = s.work.discharges();
  for (int32_t i = 0; i < n; ++i) {
    fmt::requireFinite(T[i], "sample time in seconds");
    fmt::requireFinite(C[i], "concentration in ng/L");
    if (s.test.dischargeMode == DischargeMode::Measured) fmt::requireFinite(Q[i], "discharge in m3/s");
  }
  fmt::requireFinite(s.setup.constantDischarge, "constant discharge in m3/s");
  fmt::requireFinite(s.setup.distance, "travel distance in metres");
}

// A results listing that could not be written completely (a full disk)
// stops the run: the user must not take an incomplete listing for the
// station's results.
void requireListingWritten(RunState& s) {
  if (s.listing.intact()) return;
  reportListingNotWritten(s.console, text::padded(s.listing.failedPath()), s.listing.failure());
  stopRun(s.console);
}

// The files a station wrote may not be replaced by a later station.
void registerOutputs(RunState& s) {
  for (const std::string& name : plannedOutputs(s.test, s.station.stationFile))
    s.earlierOutputs.add(name);
  for (const std::string& name : s.plots.keptFiles) s.earlierOutputs.add(name);
  s.plots.keptFiles.clear();
  for (const OutputFile& f : s.station.optionalOutputs) s.earlierOutputs.add(f.name);
  s.station.optionalOutputs.clear();
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
    Console::ReportScope report(s.console, ShownReport::Kind::Error);
    s.console.free("NOT ENOUGH STORAGE SPACE FOR THE STATION DATA");
    stopRun(s.console, "                             PROGRAM STOPPED");
  }
  s.station.n = d.n;
  s.station.mode = d.mode;
  s.station.k = d.k;
}

[[noreturn]] void storageStop(Console& c, const std::string& what, const std::string& advice) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line(what);
  c.empty();
  c.line(advice);
  c.empty();
  c.line(kStars80);
  c.empty(5);
  stopRun(c);
}

// The knot decision; interpolation itself replaces the measured curve by
// the knot curve when there are more knots than samples.
void knotStep(RunState& s) {
  Console& c = s.console;
  if (!on(s.setup.knotOption)) return;
  const int32_t knots = s.setup.knotCount;
  if (knots < s.station.n) {
    Console::ReportScope report(c, ShownReport::Kind::Error);
    c.free("NUMBER OF KNOTS LESS THAN ORIGINAL DATA SET SIZE");
    c.free("PROGRAM STOPPED");
    stopRun(c);
  }
  if (knots == s.station.n) {
    Console::ReportScope report(c, ShownReport::Kind::Note);
    c.free("NUMBER OF KNOTS EQUAL ORIGINAL DATA SET SIZE");
    c.free("PROGRAM USING ORIGINAL DATA SET");
    s.setup.knotOption = Option::Off;
    return;
  }

  // The knot curve is made in its own workspace, then the station work
  // array is made anew for the knots and takes the knot curve over.
  InterpolationWorkspace ws;
  if (!ws.allocate(s.station.n, knots, s.statusWord))
    storageStop(c, "       NOT ENOUGH STORAGE SPACE FOR INTERPOLATION!!!",
                std::string("   DECREASE THE NUMBER OF KNOTS IN YOUR DATA INPUT ") + "FILE.");
  CurveSegments measured = s.work.curve();
  writeNotices(c, interpolateOntoKnots(s.test, s.setup.knotSpacing, measured, s.station.n, ws));
  const std::string name = text::trimmed(s.test.interpolatedName);
  const WriteOutcome written =
      files::writeInterpolatedData(name, s.test.dischargeMode, ws.knotTimes(),
                                   ws.knotConcentrations(), ws.knotDischarges());
  if (written.status == WriteOutcome::Status::NotCreated) {
    reportListingNotOpened(c, s.test.interpolatedName);
    stopRun(c);
  }
  noteOutcome(s, "INTERPOLATED-DATA FILE", name, written);
  s.work.free();
  s.station.n = knots;
  const int32_t pad =
      StationWorkArray::padFor(s.test.extrapolationOption, s.test.extrapolationMethod);
  if (!s.work.allocate(knots, pad))
    storageStop(c, "              NOT ENOUGH STORAGE SPACE FOR AA!!!",
                std::string("   SELECTIVELY REMOVE INDIVIDUAL DATA POINTS FROM ") +
                    "YOUR ORIGINAL DATA FILE.");
  std::copy_n(ws.knotTimes().begin(), knots, s.work.times().begin());
  std::copy_n(ws.knotConcentrations().begin(), knots, s.work.concentrations().begin());
  std::copy_n(ws.knotDischarges().begin(), knots, s.work.discharges().begin());
  ws.free();

  s.phase = 1;
  writeProcessingBox(c, s.test.interpolatedName);
  if (!s.test.interpolatedPlot.any()) {
    c.secondPause();
    c.focus();
  } else {
    // The knot curve is plotted with the reduction factor in the place of
    // the data-reduction mode word.
    dataPlotStep(s, s.station.k);
  }
}

// The data pass, the extrapolation of an unfinished tail and the knot count.
void readStationData(RunState& s) {
  Console& c = s.console;
  CurveSegments curve = s.work.curve();
  s.stationFile.readData(c, s.test, s.setup, s.station.stationFile, curve, s.station.n,
                         s.station.k, s.station.mode);
  if (on(s.test.extrapolationOption)) {
    const Extrapolation e =
        extrapolateTail(s.test, s.setup, curve, s.station.n, s.station.tail);
    writeNotices(c, e.notices);
    if (e.errorCode > 0) {
      Console::ReportScope report(c, ShownReport::Kind::Error);
      c.free(fmt::FreeLine("DATA EXTRAPOLATION ERROR ").num(e.errorCode));
      stopRun(c, " SEE FILE LOG");
    }
  }
  if (on(s.test.knotOption))
    s.setup.knotCount = knotCount(curve.T, s.station.n, s.setup.knotSpacing);
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
  beginStationRecord(s);

  if (!s.stationFile.open(text::trimmed(s.station.stationFile))) {
    reportStationFileNotFound(c, s.station.stationFile);
    stopRun(c);
  }
  s.results.resetStation();
  // Every station starts on its measured curve: a phase left at 1 by the
  // previous station's interpolation would hide this station's processing
  // box and give its Chatwin table and plots the other station's
  // interpolated-data file name as title.
  s.phase = 0;
  s.test = TestDescription{};
  s.station.tail = TailFit{};

  int32_t dataLines = 0;
  if (s.stationFile.readHeader(c, s.test, s.station.stationFile, dataLines) != 0) stopRun(c);
  s.record.stations.back().headerRead = true;
  noteExistingOutputs(s);
  s.setup = StationSetup{};
  s.setup.knotOption = s.test.knotOption;
  s.setup.chatwinScreenPlot = s.test.chatwinPlot.screenPlot;
  s.setup.chatwinPostScript = s.test.chatwinPlot.postscript;
  if (!outputNamesAreSound(c, s.test, s.station.stationFile, s.inputFiles, s.earlierOutputs))
    stopRun(c);
  releaseTimeCheck(c, s.listing, s.control, s.release);

  allocateStation(s, dataLines);
  readStationData(s);
  c.focus();

  if (s.phase == 0) writeProcessingBox(c, s.station.stationFile);
  if (!s.test.dataPlot.any()) {
    c.secondPause();
    c.focus();
  } else {
    s.phase = 0;
    // The mode word of the plot: group means (2) are plotted once more
    // without their error bars (0).
    int32_t modeWord = code(s.station.mode);
    dataPlotStep(s, modeWord);
    while (modeWord == 2) {
      modeWord = 0;
      dataPlotStep(s, modeWord);
    }
  }
  knotStep(s);

  // Background, then internal units.
  subtractBackground(s.test, s.work.concentrations(), s.station.n);
  units::convertStationData(s.test, s.setup, s.work.times(), s.work.concentrations(),
                            s.work.discharges(), s.station.n);
  requireFiniteCurve(s);
  keepCurveForFit(s);

  // Limits, first arrival and peak, recovered mass, moment integrals.
  integrateCurve(s);
  chatwinStep(s);
  closeAfterChatwin(s);
  loadForReports(s);

  if (!s.listing.open(text::trimmed(s.test.listingName))) {
    reportListingNotOpened(c, s.test.listingName);
    stopRun(c);
  }
  transportSteps(s);

  countingErrorStop(c, s.stationCounter);
  geometryAndRecoverySteps(s);
  s.record.stations.back().resultsComputed = true;

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
  fitStep(s);

  addToRunTotals(s);
  finishStationRecord(s, true);
  stationSummary(s);
  registerOutputs(s);
  s.work.free();
  return true;
}

int endOfRun(RunState& s) {
  Console& c = s.console;
  // Without any station there is no results listing to add totals to.
  if (s.listing.isOpen()) {
    writeRunTotals(s);
    s.record.totals = s.totals;
    s.record.totalsWritten = true;
    requireListingWritten(s);
    askToPrint(s);
    s.listing.close();
    requireListingWritten(s);
  }
  c.focus();
  writeEndBox(c);
  const int32_t lost = s.filesNotWritten + s.plots.filesNotWritten;
  if (lost == 0) return kExitNormal;
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  c.empty();
  c.free(std::to_string(lost) + (lost == 1 ? " OUTPUT FILE" : " OUTPUT FILES") +
         " COULD NOT BE WRITTEN (SEE THE REPORTS ABOVE);");
  c.free("THE RESULTS LISTINGS ARE COMPLETE.");
  return kExitFilesNotWritten;
}

}  // namespace

int runProgram(Console& console, const RunOptions& options) {
  RunState s(console);
  s.plots.formats = options.plotFormats;
  // Batch mode draws no screen plot: the screen passes go to the null device
  // (the files are written as always).
  if (options.batch) s.plots.devices.setScreenDevice("/null");
  s.fitPaths = options.fitPaths;
  try {
    writeBanner(console);
    if (s.controlFile.readLeadingBlock(console, s.control, options.controlFile) != 0)
      stopRun(console);
    s.release = ReleaseSetup{s.control.releaseMode, s.control.releaseDuration,
                             s.control.flowZoneArrival,
                             s.control.injectedMass * units::massFactor(s.control.massUnit)};
    s.record.control = s.control;
    s.record.release = s.release;
    s.record.controlRead = true;
    for (const std::string& name : s.controlFile.remainingNames()) s.inputFiles.add(name);
    s.inputFiles.add(text::trimmed(s.control.controlFileName));
    while (processStation(s)) {
    }
    return finishRun(s, options, endOfRun(s));
  } catch (const RunStopped& stop) {
    return finishRun(s, options, stop.status);
  } catch (const fmt::NonFiniteQuantity& q) {
    {
      Console::ReportScope report(console, ShownReport::Kind::Error);
      reportNonFiniteQuantity(console, s.station.stationFile, q.quantity);
      console.line("          PROGRAM STOPPED");
    }
    return finishRun(s, options, kExitStopped);
  }
}

}  // namespace kaldero
