#include "analysis/station_analysis.h"

#include "analysis/chatwin.h"
#include "analysis/dispersion.h"
#include "analysis/finite_check.h"
#include "analysis/geometry.h"
#include "analysis/mass_recovery.h"
#include "analysis/transit_times.h"
#include "conditioning/background.h"
#include "input/units.h"

namespace kaldero {

CarriedResults CarriedResults::forNextStation() const {
  auto reset = [](Carried c) { return Carried{c.value, false}; };
  auto hydraulics = [&](FlowFormHydraulics h) {
    return FlowFormHydraulics{reset(h.headLoss), reset(h.friction), reset(h.reynolds),
                              reset(h.sublayer), reset(h.shearVelocity)};
  };
  return CarriedResults{reset(maxVelocity), hydraulics(conduit), hydraulics(porous),
                        hydraulics(fracture), reset(diffusionLayer)};
}

Curve conditionCurve(const TestDescription& test, Curve c) {
  subtractBackgroundInPlace(test, c.C);
  units::toInternalUnitsInPlace(test, c);
  return c;
}

DischargeOf dischargeOf(const AnalysisInputs& in, const Curve& cv) {
  return DischargeOf{in.test.dischargeMode, cv.Q, in.setup.constantDischarge};
}

namespace {

// Ends the analysis at stage when the result is not finite; true when it
// may go on.
template <class R>
bool finite(StationResults& out, const R& result, AnalysisStage stage) {
  if (const std::optional<std::string> q = nonFinite(result)) {
    out.stop = AnalysisStop{AnalysisStop::Kind::NonFinite, *q};
    out.stoppedAt = stage;
    return false;
  }
  return true;
}

// Inputs that cannot be physical: the results are computed as always, but
// the user is told.
void inputWarnings(const AnalysisInputs& in, const Curve& cv, const ArrivalAndPeak& a,
                   std::vector<StationWarning>& out) {
  using K = StationWarning::Kind;
  if (in.test.dischargeMode == DischargeMode::Measured) {
    for (std::size_t i = 0; i < cv.Q.size(); ++i)
      if (cv.Q[i] < 0) {
        out.push_back({K::NegativeDischarge, cv.T[i] / 3600.0f});
        break;
      }
  } else if (in.test.dischargeMode == DischargeMode::Constant && in.setup.constantDischarge < 0) {
    out.push_back({K::NegativeDischarge, cv.size() > 0 ? cv.T[0] / 3600.0f : 0.0f});
  }
  if (a.peakTime < 0)
    out.push_back({K::ArrivalAfterPeak, in.release.flowZoneArrivalHours,
                   a.peakTime / 3600.0f + in.release.flowZoneArrivalHours});
  if (in.setup.distance < 0) out.push_back({K::NegativeDistance, in.setup.distance});
  if (in.release.injectedMass < 0)
    out.push_back({K::NegativeInjectedMass, in.release.injectedMass});
  if (in.release.injectedMass == 0) out.push_back({K::NoInjectedMass});
  // The pulse corrections take the release as a box before the curve.
  const float lastHours = cv.size() > 0 ? cv.T[cv.size() - 1] / 3600.0f : 0.0f;
  if (in.release.mode == ReleaseMode::Pulse && in.release.durationHours > lastHours)
    out.push_back({K::ReleaseLongerThanCurve, in.release.durationHours, lastHours});
}

}  // namespace

StationResults analyseStation(const AnalysisInputs& in, const Curve& cv,
                              const CarriedResults& previous) {
  StationResults out;
  out.carried = previous.forNextStation();
  const DischargeOf q = dischargeOf(in, cv);
  const float L = in.setup.distance;
  out.distance.metres = L;
  if (in.test.distanceUnit == DistanceUnit::Feet) out.distance.feet = L * 3.2808f;

  out.arrival = arrivalAndPeak(cv.T, cv.C, in.release.flowZoneArrivalHours);
  inputWarnings(in, cv, out.arrival, out.warnings);
  if (!finite(out, out.arrival, AnalysisStage::Arrival)) return out;
  if (!finite(out, out.distance, AnalysisStage::Arrival)) return out;

  // The working curves, each released when the steps after no longer read
  // it (a curve of every line of a long record is large).
  AnalysisCurves curves;
  auto release = [](std::vector<float>& v) { std::vector<float>().swap(v); };
  const MassRecovery mass = massRecovery(in, cv, q, out.arrival, curves);
  out.mass = mass;
  release(curves.load);
  release(curves.momentInput);
  if (!finite(out, mass, AnalysisStage::Mass)) return out;

  // The Chatwin method takes concentrations: a pulse's loads are given back.
  if (mass.loadRegime)
    curves.chatwinConcentrations = concentrationsFromLoad(curves.afterFirstMoment, q);
  else
    curves.chatwinConcentrations = std::move(curves.afterFirstMoment);
  release(curves.afterFirstMoment);
  ChatwinInputs ci;
  ci.T = cv.T;
  ci.C = curves.chatwinConcentrations;
  ci.zerothMoment = mass.mass.micrograms;
  ci.firstMoment = mass.firstMoment;
  ci.velocityIntegral = mass.distanceWeighted;
  ci.flowZoneArrival = in.release.flowZoneArrivalHours;
  ci.peakParameter = out.arrival.chatwinPeak;
  ci.peakIndex = out.arrival.peakIndex;
  ci.distance = L;
  ci.timeUnit = in.test.timeUnit;
  out.chatwin = chatwinMethod(ci);
  if (!finite(out, *out.chatwin, AnalysisStage::Chatwin)) return out;

  // The transit times and velocities of a pulse are those of the load.
  if (mass.loadRegime)
    curves.transportCurve = tracerLoad(curves.chatwinConcentrations, q);
  else
    curves.transportCurve = std::move(curves.chatwinConcentrations);
  release(curves.chatwinConcentrations);
  // The concentrations of the output files, from the same curve.
  auto outputConcentrations = [&] {
    if (mass.loadRegime)
      out.outputConcentrations = concentrationsFromLoad(curves.transportCurve, q);
    else
      out.outputConcentrations = std::move(curves.transportCurve);
    release(curves.transportCurve);
  };
  out.transit = transitTimes(in, cv.T, curves.transportCurve, out.arrival, mass);
  if (!out.transit) {
    out.stop = AnalysisStop{AnalysisStop::Kind::NoMassRecovered, {}};
    out.stoppedAt = AnalysisStage::Transit;
    outputConcentrations();
    return out;
  }
  if (!finite(out, *out.transit, AnalysisStage::Transit)) {
    outputConcentrations();
    return out;
  }

  out.transport = velocitiesAndDispersion(in, cv.T, curves.transportCurve, mass, *out.transit,
                                          *out.chatwin, out.carried.maxVelocity);
  outputConcentrations();
  out.carried.maxVelocity = out.transport->maxVelocity;
  const Transport& tr = *out.transport;
  if (tr.momentDispersionRejected)
    out.warnings.push_back({StationWarning::Kind::NegativeMomentDispersion, tr.momentDispersion,
                            tr.dispersion});
  if (tr.meanVelocity.perSecond == 0)
    out.warnings.push_back({StationWarning::Kind::NoMeanVelocity});
  if (!tr.peclet && !tr.momentDispersionRejected)
    out.warnings.push_back({StationWarning::Kind::NoDispersion});
  if (!finite(out, *out.transport, AnalysisStage::Transport)) return out;

  CarriedResults after;
  out.geometry = flowGeometry(in, cv, mass, *out.transit, *out.transport, out.carried, after);
  out.carried = after;
  if (!finite(out, *out.geometry, AnalysisStage::Geometry)) return out;

  out.recovery = recovery(mass.mass.micrograms, in.release.injectedMass);
  if (!finite(out, *out.recovery, AnalysisStage::Recovery)) return out;
  if (out.recovery->impossible)
    out.warnings.push_back({StationWarning::Kind::RecoveryAbove100, *out.recovery->percent});
  return out;
}

}  // namespace kaldero
