#include "driver/output_steps.h"

#include <string>
#include <vector>

#include "analysis/curve_files.h"
#include "analysis/tracer_load.h"
#include "core/console.h"
#include "core/file_reports.h"
#include "core/text.h"
#include "driver/plot_steps.h"
#include "driver/run_state.h"
#include "files/curve_file.h"
#include "files/cxtfit_file.h"
#include "plot/curve_plot.h"

namespace kaldero {

namespace {

// The output files are made from concentrations: a curve left as tracer
// loads by the results reports is given back first.
void concentrationsBack(RunState& s) {
  if (!s.station.curveIsLoad) return;
  toConcentration(s.test, s.setup, s.work.concentrations(), s.work.discharges(), s.station.n);
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
  noteOutcome(s, what, name, files::writeCurveFile(name, what, x, y, s.station.n));
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

void normalizedStep(RunState& s, int32_t& plotCounter) {
  concentrationsBack(s);
  const AnalysisResults& r = s.results;
  const int32_t n = s.station.n;
  const auto T = s.work.times();
  const auto C = s.work.concentrations();
  const CurveFileWork w = s.work.curveFileWork();
  curves::normalizedCurve(T, C, n, s.test.timeUnit, r.recoveredMassGrams, w.times, w.values);
  writeCurve(s, "NORMALIZED CURVE FILE", s.test.normalizedName, w.times, w.values);
  curves::standardizedCurve(T, C, n, r.meanTimeHours, r.standardDeviation, r.peakConcentration,
                            w.standardizedTimes, w.standardizedConcentrations);
  plotCurve(s, w.times, w.values, {1, 0, 0}, plotCounter);
}

void loadStep(RunState& s, int32_t& plotCounter) {
  const CurveFileWork w = s.work.curveFileWork();
  curves::loadCurve(s.work.times(), s.work.concentrations(), s.work.discharges(), s.station.n,
                    s.test.timeUnit, s.test.dischargeMode, s.setup.constantDischarge,
                    s.results.recoveredMassGrams, w.times, w.values);
  s.station.curveIsLoad = true;
  writeCurve(s, "LOAD CURVE FILE", s.test.loadName, w.times, w.values);
  plotCurve(s, w.times, w.values, {0, 1, 0}, plotCounter);
}

void standardizedStep(RunState& s, int32_t& plotCounter) {
  const CurveFileWork w = s.work.curveFileWork();
  writeCurve(s, "STANDARDIZED CURVE FILE", s.test.standardizedName, w.standardizedTimes,
             w.standardizedConcentrations);
  plotCurve(s, w.standardizedTimes, w.standardizedConcentrations, {0, 0, 1}, plotCounter);
}

}  // namespace

void noteOutcome(RunState& s, std::string_view what, const std::string& name,
                 const WriteOutcome& outcome) {
  if (outcome.ok()) return;
  reportFileNotWritten(s.console, what, name, outcome);
  ++s.filesNotWritten;
}

bool closeAfterChatwinWanted(const TestDescription& t, const StationSetup& setup) {
  const PlotSwitches& d = t.dataPlot;
  if (d.onScreen() || on(setup.chatwinScreenPlot)) return t.echo();
  return on(setup.knotOption) && t.interpolatedPlot.onScreen() &&
         !(setup.chatwinScreenPlot != Option::Off && d.points != Option::Off &&
           d.curve != Option::Off);
}

void closeAfterChatwin(RunState& s) {
  if (!closeAfterChatwinWanted(s.test, s.setup)) return;
  plot::closeGraphicsWindow(s.console, s.plots);
  s.console.focus();
}

void cxtfitStep(RunState& s) {
  const TestDescription& t = s.test;
  if (!on(t.cxtfitOption)) return;
  s.setup.cxtfitSettings = t.cxtfitSettings;
  cxtfit::normalizeSettings(s.setup.cxtfitSettings);
  const AnalysisResults& r = s.results;
  if (!on(t.stationTotals) || r.aquiferVolume == 0) return;

  const int32_t n = s.station.n;
  cxtfit::Inputs in;
  in.distance = s.setup.distance;
  in.peakTime = r.peakTime;
  in.volume = r.aquiferVolume;
  in.dispersion = r.dispersion;
  in.meanVelocity = r.meanVelocity;
  in.conductivity = r.geometry.conductivity;
  in.injectedMass = s.release.injectedMass;
  in.recoveredMass = r.recoveredMass;
  in.releaseDuration = s.release.durationHours;
  in.constantDischarge = s.setup.constantDischarge;
  in.meanDischarge = cxtfit::meanDischarge(s.work.discharges(), n);
  in.releaseMode = s.release.mode;
  in.dischargeMode = t.dischargeMode;
  in.geometry = t.geometry;
  in.knotOption = s.setup.knotOption;
  in.stationFile = s.station.stationFile;
  in.interpolatedFile = t.interpolatedName;
  in.settings = s.setup.cxtfitSettings;

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
  const bool normalized = on(t.normalizedOption);
  if (normalized) normalizedStep(s, plotCounter);
  if (on(t.loadOption)) {
    if (normalized)
      loadStep(s, plotCounter);
    else
      prerequisiteReport(s);
  }
  if (on(t.standardizedOption)) {
    if (normalized)
      standardizedStep(s, plotCounter);
    else
      prerequisiteReport(s);
  }
}

void closeAfterCurvePlots(RunState& s) {
  const TestDescription& t = s.test;
  if (t.standardizedPlot.onScreen() || t.loadPlot.onScreen() || t.normalizedPlot.onScreen())
    plot::closeGraphicsWindow(s.console, s.plots);
  s.console.maximize();
  s.console.focus();
}

}  // namespace kaldero
