#include "analysis/station_fit.h"

#include "analysis/measured_series.h"
#include "numeric/ar1_errors.h"

#include <algorithm>
#include <cmath>

namespace kaldero {

FitSamples fitSamples(const AnalysisInputs& in, const MeasuredRecord& record) {
  MeasuredSeries s = measuredSeries(in, record);
  FitSamples f;
  f.arrival = static_cast<double>(in.release.flowZoneArrivalHours) * 3600;
  for (double& t : s.t) t -= f.arrival;
  f.times = std::move(s.t);
  f.concentrations = std::move(s.c);
  f.discharges = std::move(s.q);
  return f;
}

FlowPathFitInput stationFitInput(const FitOptions& options, const FitSamples& samples,
                                 const AnalysisInputs& in, const StationResults& r) {
  FlowPathFitInput fit;
  static_cast<FitOptions&>(fit) = options;
  fit.times = samples.times;
  fit.concentrations = samples.concentrations;
  fit.discharges = samples.discharges;
  fit.distance = in.setup.distance;
  fit.arrival = samples.arrival;
  fit.releaseDuration = in.release.mode == ReleaseMode::Instantaneous
                            ? 0.0
                            : static_cast<double>(in.release.durationHours) * 3600;
  fit.recoveredMass = r.mass->mass.micrograms;
  fit.injectedMass = static_cast<double>(in.release.injectedMass) * 1e3;  // mg to ug
  fit.meanTransitTime = static_cast<double>(r.transit->meanTime.hours) * 3600;
  fit.momentDispersion = r.transport->momentDispersion;
  fit.chatwinDispersion = r.chatwin->fitted ? r.chatwin->dispersion : 0.0f;
  fit.peakTime = r.arrival.peakTime;
  return fit;
}

namespace {

// The most cells of a reach's grid. The convolution's error goes as the
// square of the cell over the downstream curve's spread (1e-4 of the peak
// for a curve as wide as 1/100 of the record), and each evaluation of a
// storage path costs an inversion a cell: at Furfooz 1,024 cells give the
// estimates of 4,096 to three digits in half the time (--fit auto on the
// reach 4.0 s against 7.6 s), 512 move the third digit.
constexpr double kReachCells = 1024;

}  // namespace

InputErrors measurementErrors(const FlowPathFitResult& fit) {
  const PathModelFit* best = fit.best();
  InputErrors out;
  if (!best) return out;
  const ErrorStatistics& e = best->errors;
  if (e.model == ErrorModel::Ar1Relative) {
    out.offset = e.offsetError;
    out.relative = e.relativeError;
  } else {
    out.offset = best->rmse;
  }
  if (e.model != ErrorModel::Independent) out.correlationTime = e.correlationTime;
  if (!std::isfinite(out.offset) || !std::isfinite(out.relative) ||
      !std::isfinite(out.correlationTime))
    return {};
  return out;
}

FlowPathFitInput reachFitInput(const FitOptions& options, const ReachEnd& up,
                               const ReachEnd& down, std::vector<double>& flux) {
  const FitSamples& upstream = up.samples;
  const FitSamples& downstream = down.samples;
  FlowPathFitInput fit;
  static_cast<FitOptions&>(fit) = options;
  fit.decay = false;
  fit.times = downstream.times;
  fit.concentrations = downstream.concentrations;
  fit.discharges = downstream.discharges;
  fit.distance = down.distance - up.distance;
  fit.arrival = downstream.arrival;
  flux.resize(upstream.times.size());
  for (std::size_t i = 0; i < flux.size(); ++i)
    flux[i] = upstream.concentrations[i] * upstream.discharges[i];  // ng/L m3/s = ug/s
  fit.inputTimes = upstream.times;
  fit.inputFlux = flux;
  fit.inputDischarges = upstream.discharges;
  fit.inputErrors = up.errors;
  double step = std::min(numeric::Ar1Errors(upstream.times).medianSpacing(),
                         numeric::Ar1Errors(downstream.times).medianSpacing());
  const double last = downstream.times.empty() ? 0.0 : downstream.times.back();
  if (!(step > 0)) step = last / 1000;
  // The grid has a cell more than last / step, and its transforms twice its
  // cells rounded up to a power of two: a step of last / 1022 keeps it
  // within 1,024 cells and transforms of 2,048 (last / 1024 gave 1,025
  // cells and transforms of 4,096).
  fit.inputStep = std::max(step, last / (kReachCells - 2));
  // The paths' masses as shares of the flux that passed the upstream
  // station.
  double integral = 0;
  for (std::size_t i = 1; i < flux.size(); ++i)
    integral += 0.5 * (flux[i] + flux[i - 1]) * (upstream.times[i] - upstream.times[i - 1]);
  fit.recoveredMass = integral;
  if (down.meanTime > up.meanTime) fit.meanTransitTime = down.meanTime - up.meanTime;
  if (options.reachBypass) {
    fit.bypassDistance = down.distance;
    fit.bypassReleaseDuration = down.releaseDuration;
    fit.bypassMeanTime = down.meanTime;
  }
  return fit;
}

}  // namespace kaldero
