#include "driver/fit_step.h"

#include <string>

#include "analysis/flow_path_fit.h"
#include "core/console.h"
#include "core/text.h"
#include "driver/output_steps.h"
#include "driver/plot_steps.h"
#include "driver/run_state.h"
#include "files/fit_file.h"
#include "plot/fit_plot.h"
#include "plot/plot_conventions.h"

namespace kaldero {

namespace {

// The fit file: the station's plot name with "_FIT.OUT" in place of
// "_FIT.PS".
std::string fitFileName(const std::string& stationFile) {
  std::string name = plot::postScriptFileName(stationFile, 85, plot::kSuffixFit);
  name.replace(name.size() - 3, 3, ".OUT");
  return name;
}

void writeFitFile(RunState& s, const files::FitFileHeading& heading, const FlowPathFitResult& fit) {
  Console& c = s.console;
  const std::string name = fitFileName(s.station.stationFile);
  const char* refusal = s.inputFiles.contains(name) ? "THAT NAME IS AN INPUT FILE OF THIS RUN"
                        : s.earlierOutputs.contains(name)
                            ? "AN EARLIER STATION OF THIS RUN WROTE THAT FILE"
                            : nullptr;
  if (refusal) {
    Console::ReportScope report(c, ShownReport::Kind::Warning);
    c.free("FLOW-PATH FIT FILE " + name + " NOT WRITTEN: " + refusal);
    return;
  }
  const WriteOutcome outcome = files::writeFitFile(name, heading, fit);
  noteOutcome(s, "FLOW-PATH FIT FILE", name, outcome);
  if (outcome.ok()) s.station.optionalOutputs.push_back({name, "flow-path fit file", ""});
}

}  // namespace

void keepCurveForFit(RunState& s) {
  if (!s.fitPaths) return;
  FitCurve& f = s.station.fitCurve;
  f = FitCurve{};
  const auto T = s.work.times();
  const auto C = s.work.concentrations();
  const auto Q = s.work.discharges();
  const bool measured = s.test.dischargeMode == DischargeMode::Measured;
  // Times since the tracer reached the flow zone, as the transit times are.
  const double arrival = static_cast<double>(s.release.flowZoneArrivalHours) * 3600;
  for (int32_t i = 0; i < s.station.n; ++i) {
    f.times.push_back(static_cast<double>(T[i]) - arrival);
    f.concentrations.push_back(C[i]);
    f.discharges.push_back(measured ? Q[i] : s.setup.constantDischarge);
  }
}

void fitStep(RunState& s) {
  if (!s.fitPaths) return;
  const FitCurve& curve = s.station.fitCurve;
  const AnalysisResults& r = s.results;
  FlowPathFitInput in;
  in.times = curve.times;
  in.concentrations = curve.concentrations;
  in.discharges = curve.discharges;
  in.distance = s.setup.distance;
  in.releaseDuration = s.release.mode == ReleaseMode::Instantaneous
                           ? 0.0
                           : static_cast<double>(s.release.durationHours) * 3600;
  in.recoveredMass = r.recoveredMass;
  in.meanTransitTime = static_cast<double>(r.meanTimeHours) * 3600;
  in.momentDispersion = r.momentDispersion;
  in.chatwinDispersion = r.chatwin.fitted ? r.chatwin.dispersion : 0.0f;
  in.peakTime = r.peakTime;
  in.paths = *s.fitPaths;
  const FlowPathFitResult fit = fitFlowPaths(in);

  files::FitFileHeading heading;
  heading.stationFile = text::trimmed(s.station.stationFile);
  heading.pathsAsked = *s.fitPaths;
  heading.samples = static_cast<int>(curve.times.size());
  heading.distance = in.distance;
  heading.releaseDuration = in.releaseDuration;
  heading.recoveredMass = in.recoveredMass;
  heading.momentDispersion = in.momentDispersion;
  heading.chatwinDispersion = in.chatwinDispersion;
  writeFitFile(s, heading, fit);

  plot::PlotContext ctx = plotContext(s);
  plot::fitPlot(
      ctx, {curve.times, curve.concentrations, curve.discharges, in.distance, in.releaseDuration},
      fit);
  if (!s.record.stations.empty()) s.record.stations.back().fit = fit;
}

}  // namespace kaldero
