#include "driver/output_steps.h"

#include <string>
#include <vector>

#include "analysis/curve_files.h"
#include "analysis/tracer_load.h"
#include "core/console.h"
#include "driver/plot_steps.h"
#include "core/file_reports.h"
#include "driver/run_state.h"
#include "core/text.h"
#include "plot/curve_plot.h"
#include "files/cxtfit_file.h"

namespace kaldero {

namespace {

bool onScreen(const Switches& sw) { return sw[1] == 1 || sw[2] == 1; }

// The output files are made from concentrations: a curve left as tracer
// loads by the results reports is given back first.
void concentrationsBack(RunState& s) {
  if (!s.station.curveIsLoad) return;
  toConcentration(s.test, s.work.concentrations(), s.work.discharges(), s.station.n);
  s.station.curveIsLoad = false;
}

// The results-listing copy of a report made after the reports of the
// station: the listing of the last station is still open; that of an
// earlier station has been closed after its print question and gets the
// lines appended.
void toStationListing(RunState& s, const std::vector<std::string>& lines) {
  const bool wasOpen = s.listing.isOpen();
  if (!wasOpen && !s.listing.openAppend(text::trimmed(s.test.listingName))) return;
  for (const auto& l : lines) s.listing.line(l);
  if (!wasOpen) s.listing.close();
}

// A load or standardized curve file asked for without the normalized one.
void prerequisiteReport(RunState& s) {
  reportCurveFilePrerequisite(s.console);
  toStationListing(s, curveFilePrerequisiteLines());
  if (s.test.echo()) {
    s.console.free("Press <RETURN> to continue program");
    s.console.waitEnter();
  }
}

void writeCurve(RunState& s, std::string_view what, const std::string& name50,
                std::span<const float> x, std::span<const float> y) {
  const std::string name = text::trimmed(name50);
  noteOutcome(s, what, name, curves::writeCurveFile(name, what, x, y, s.station.n));
}

void plotCurve(RunState& s, std::span<const float> x, std::span<const float> y,
               const plot::KindSelectors& kinds, int32_t& plotCounter) {
  const AnalysisResults& r = s.results;
  const plot::CurveParameters params{r.meanTimeHours, r.standardDeviation, r.skewness,
                                     r.kurtosis, r.peakConcentration};
  plot::PlotContext ctx = plotContext(s);
  plot::curvePlot(ctx, x, y, s.work.discharges(), s.station.n, kinds, params, s.phase,
                  s.stationCounter, plotCounter);
}

// Work segments: 6 the times in the file's unit, 7 the normalized values,
// 5 and 4 the standardized times and concentrations.
void normalizedStep(RunState& s, int32_t& plotCounter) {
  concentrationsBack(s);
  const AnalysisResults& r = s.results;
  const int32_t n = s.station.n;
  const auto T = s.work.times();
  const auto C = s.work.concentrations();
  const auto tf = s.work.segment(6);
  const auto values = s.work.segment(7);
  curves::normalizedCurve(T, C, n, s.test.timeUnit, r.recoveredMassGrams, tf, values);
  writeCurve(s, "NORMALIZED CURVE FILE", s.test.normalizedName, tf, values);
  curves::standardizedCurve(T, C, n, r.meanTimeHours, r.standardDeviation, r.peakConcentration,
                            s.work.segment(5), s.work.segment(4));
  plotCurve(s, tf, values, {1, 0, 0}, plotCounter);
}

void loadStep(RunState& s, int32_t& plotCounter) {
  const auto tf = s.work.segment(6);
  const auto values = s.work.segment(7);
  curves::loadCurve(s.work.times(), s.work.concentrations(), s.work.discharges(), s.station.n,
                    s.test.timeUnit, s.test.dischargeMode, s.test.constantDischarge,
                    s.results.recoveredMassGrams, tf, values);
  s.station.curveIsLoad = true;
  writeCurve(s, "LOAD CURVE FILE", s.test.loadName, tf, values);
  plotCurve(s, tf, values, {0, 1, 0}, plotCounter);
}

void standardizedStep(RunState& s, int32_t& plotCounter) {
  const auto st = s.work.segment(5);
  const auto sc = s.work.segment(4);
  writeCurve(s, "STANDARDIZED CURVE FILE", s.test.standardizedName, st, sc);
  plotCurve(s, st, sc, {0, 0, 1}, plotCounter);
}

}  // namespace

void noteOutcome(RunState& s, std::string_view what, const std::string& name,
                 const WriteOutcome& outcome) {
  if (outcome.ok()) return;
  reportFileNotWritten(s.console, what, name, outcome);
  ++s.filesNotWritten;
}

bool closeAfterChatwinWanted(const TestDescription& t) {
  const Switches& d = t.dataPlot;
  const Switches& c = t.chatwinPlot;
  if (onScreen(d) || c[2] == 1) return t.screenEcho == 1;
  return t.knotOption == 1 && onScreen(t.interpolatedPlot) &&
         !(c[2] != 0 && d[1] != 0 && d[2] != 0);
}

void closeAfterChatwin(RunState& s) {
  if (!closeAfterChatwinWanted(s.test)) return;
  plot::closeGraphicsWindow(s.console, s.plots);
  s.console.focus();
}

void cxtfitStep(RunState& s) {
  TestDescription& t = s.test;
  if (t.cxtfitOption != 1) return;
  cxtfit::normalizeSettings(t.cxtfitSettings);
  const AnalysisResults& r = s.results;
  if (t.stationTotals != 1 || r.aquiferVolume == 0) return;

  const int32_t n = s.station.n;
  cxtfit::Inputs in;
  in.distance = t.distance;
  in.peakTime = r.peakTime;
  in.volume = r.aquiferVolume;
  in.dispersion = r.dispersion;
  in.meanVelocity = r.meanVelocity;
  in.conductivity = t.conductivity;
  in.injectedMass = s.control.injectedMass;
  in.recoveredMass = r.recoveredMass;
  in.releaseDuration = s.control.releaseDuration;
  in.constantDischarge = t.constantDischarge;
  in.meanDischarge = cxtfit::meanDischarge(s.work.discharges(), n);
  in.releaseMode = s.control.releaseMode;
  in.dischargeMode = t.dischargeMode;
  in.geometry = t.geometry;
  in.knotOption = t.knotOption;
  in.stationFile = s.station.stationFile;
  in.interpolatedFile = t.interpolatedName;
  in.settings = t.cxtfitSettings;

  concentrationsBack(s);
  const std::string name = text::trimmed(t.cxtfitName);
  noteOutcome(s, "CXTFIT INPUT FILE", name,
              cxtfit::writeFile(name, in, s.work.times(), s.work.concentrations(), n));
}

void curveFileSteps(RunState& s) {
  const TestDescription& t = s.test;
  // The screen plots of the curves made so far for the station: the prompt
  // before a plot comes with the first only.
  int32_t plotCounter = 0;
  const bool normalized = t.normalizedOption == 1;
  if (normalized) normalizedStep(s, plotCounter);
  if (t.loadOption == 1) {
    if (normalized) loadStep(s, plotCounter);
    else prerequisiteReport(s);
  }
  if (t.standardizedOption == 1) {
    if (normalized) standardizedStep(s, plotCounter);
    else prerequisiteReport(s);
  }
}

void closeAfterCurvePlots(RunState& s) {
  const TestDescription& t = s.test;
  if (onScreen(t.standardizedPlot) || onScreen(t.loadPlot) || onScreen(t.normalizedPlot))
    plot::closeGraphicsWindow(s.console, s.plots);
  s.console.maximize();
  s.console.focus();
}

}  // namespace kaldero
