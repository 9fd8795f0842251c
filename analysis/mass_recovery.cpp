#include "analysis/mass_recovery.h"

#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

using guard::ugToMg;

namespace {

// The first-moment step. X, F: the n samples; F is the load, or for a long
// release the concentrations. Sets the first moment, the comparison time
// and the limits the later integrals take; afterwards holds F as the step
// leaves it (a pulse: F*t/t, a sample at time 0 giving 0).
void firstMomentStep(Notices& notices, MassRecovery& r, const AnalysisInputs& in,
                     const ArrivalAndPeak& peak, std::span<const float> X,
                     std::span<const float> F, std::vector<float>& after) {
  const ReleaseMode mode = in.release.mode;
  const float Td = in.release.durationHours;
  const float tp = peak.peakTime;
  const auto n = static_cast<int32_t>(X.size());
  r.momentLimits = r.limits;
  after.assign(F.begin(), F.end());
  if (mode == ReleaseMode::Instantaneous ||
      (mode == ReleaseMode::Pulse && Td * 3600.0f < 0.5f * tp)) {
    for (int32_t i = 0; i < n; ++i) after[i] *= X[i];
    const Integral m = integrate(notices, n, X, after, r.momentLimits, in.setup.wideSums);
    r.firstMoment = m.value;
    r.limitsWarning = m.limitsWarning();
    for (int32_t i = 0; i < n; ++i)
      if (X[i] != 0) after[i] /= X[i];
  } else {
    // Long release: the shortfall below the peak, from the lower limit to
    // the peak sample.
    const int32_t k = peak.peakIndex;
    std::vector<float> W(static_cast<std::size_t>(k > 0 ? k : 0));
    if (k >= 1) r.momentLimits.upper = X[k - 1];
    for (int32_t i = 0; i < k; ++i) W[i] = 1.0f - guard::quotient(F[i], peak.peakConcentration);
    const Integral m = integrate(notices, k, X, W, r.momentLimits, in.setup.wideSums);
    r.firstMoment = m.value;
    r.limitsWarning = m.limitsWarning();
  }
  if (mode == ReleaseMode::Pulse && Td < 0.5f * tp / 3600.0f)
    r.comparisonTime = guard::quotient(r.firstMoment, r.mass.micrograms) / 86400.0f * 24.0f;
  else if (mode == ReleaseMode::Pulse && !(0.5f * tp / 3600.0f < Td))
    r.comparisonTime = r.firstMoment / 86400.0f * 24.0f;
  else
    r.comparisonTime = 0;
}

// The distance-weighted step, on the curve as the first-moment step left it.
void distanceWeightedStep(Notices& notices, MassRecovery& r, const AnalysisInputs& in,
                          const ArrivalAndPeak& peak, std::span<const float> X,
                          std::span<const float> F) {
  const ReleaseMode mode = in.release.mode;
  const bool instantaneous = mode == ReleaseMode::Instantaneous;
  const bool pulse = mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float L = in.setup.distance;
  const bool longRelease = 0.5f * peak.peakTime / 3600.0f <= Td;
  const float shift = 0.5f * 3600.0f * Td;
  const auto n = static_cast<int32_t>(X.size());
  r.distanceWeighted = 0;
  std::vector<float> W(static_cast<std::size_t>(n), 0.0f);
  for (int32_t i = 0; i < n; ++i) {
    if (!(X[i] > 0)) continue;
    if (instantaneous) {
      W[i] = L * F[i];
    } else if (pulse && longRelease) {
      r.distanceWeighted = L;
    } else if (pulse && X[i] > shift) {
      // Samples up to half the release duration have no shifted time and
      // keep 0.
      W[i] = L * F[i] * X[i] / (X[i] - shift);
    }
  }
  if (instantaneous || (pulse && !longRelease)) {
    const Integral d = integrate(notices, n, X, W, r.momentLimits, in.setup.wideSums);
    r.distanceWeighted = d.value;
    r.limitsWarning = d.limitsWarning();
  }
}

}  // namespace

MassInUnits massInUnits(float micrograms, bool pounds) {
  MassInUnits m;
  m.micrograms = micrograms;
  m.milligrams = micrograms * 1e-3f;
  m.grams = micrograms * 1e-6f;
  m.kilograms = micrograms * 1e-9f;
  if (pounds) m.pounds = micrograms * 2.2046f * 1e-9f;
  return m;
}

MassRecovery massRecovery(const AnalysisInputs& in, const Curve& cv, const DischargeOf& q,
                          const ArrivalAndPeak& arrival, AnalysisCurves& curves) {
  MassRecovery r;
  const int32_t n = cv.size();
  r.limits = {n >= 1 ? cv.T[0] : 0.0f, n >= 1 ? cv.T[n - 1] : 0.0f};
  curves.load = tracerLoad(cv.C, q);
  const Integral mass = integrate(r.notices, n, cv.T, curves.load, r.limits, in.setup.wideSums);
  r.mass = massInUnits(mass.value, in.release.massUnit == MassUnit::Pounds);

  // The first moment of a long release is taken of the concentrations.
  const ReleaseMode mode = in.release.mode;
  const float Td = in.release.durationHours;
  if (mode != ReleaseMode::Instantaneous && !(arrival.peakTime / 3600.0f * 0.5f > Td))
    curves.momentInput = concentrationsFromLoad(curves.load, q);
  else
    curves.momentInput = curves.load;
  firstMomentStep(r.notices, r, in, arrival, cv.T, curves.momentInput, curves.afterFirstMoment);
  distanceWeightedStep(r.notices, r, in, arrival, cv.T, curves.afterFirstMoment);
  r.loadRegime = mode == ReleaseMode::Instantaneous ||
                 (mode == ReleaseMode::Pulse && Td < r.comparisonTime);
  return r;
}

Recovery recovery(float recoveredMass, float Mi) {
  Recovery r;
  // Without an injected mass they are undefined; a tiny one makes them
  // overflow (the analysis then stops naming them).
  if (Mi == 0) return r;
  r.percent = ugToMg(recoveredMass) / Mi * 100.0f;
  r.accuracyIndex = (Mi - ugToMg(recoveredMass)) / Mi;
  r.impossible = *r.percent > 100.0f;
  return r;
}

}  // namespace kaldero
