#include "analysis/station_fit.h"

#include "analysis/measured_series.h"

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

}  // namespace kaldero
