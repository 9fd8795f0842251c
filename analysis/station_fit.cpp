#include "analysis/station_fit.h"

#include "conditioning/background.h"
#include "input/units.h"

namespace kaldero {

FitSamples fitSamples(const AnalysisInputs& in, const Curve& dataPass) {
  Curve c = dataPass;
  c.C = subtractBackground(in.test, c.C, true);
  const Curve si = units::toInternalUnits(in.test, c);
  const bool measured = in.test.dischargeMode == DischargeMode::Measured;
  const double arrival = static_cast<double>(in.release.flowZoneArrivalHours) * 3600;
  FitSamples f;
  f.arrival = arrival;
  for (int32_t i = 0; i < si.size(); ++i) {
    f.times.push_back(static_cast<double>(si.T[i]) - arrival);
    f.concentrations.push_back(si.C[i]);
    f.discharges.push_back(measured ? si.Q[i] : in.setup.constantDischarge);
  }
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
  fit.releaseDuration = in.release.mode == ReleaseMode::Instantaneous
                            ? 0.0
                            : static_cast<double>(in.release.durationHours) * 3600;
  fit.recoveredMass = r.mass->mass.micrograms;
  fit.meanTransitTime = static_cast<double>(r.transit->meanTime.hours) * 3600;
  fit.momentDispersion = r.transport->momentDispersion;
  fit.chatwinDispersion = r.chatwin->fitted ? r.chatwin->dispersion : 0.0f;
  fit.peakTime = r.arrival.peakTime;
  return fit;
}

}  // namespace kaldero
