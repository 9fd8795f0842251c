#include "analysis/mass_recovery.h"

#include <algorithm>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

using guard::ugToMg;

void firstMomentStep(Notices& notices, AnalysisResults& r, const AnalysisInputs& in, int32_t n,
                     std::span<const float> X, std::span<float> F, std::span<float> D) {
  const ReleaseMode mode = in.release.mode;
  const float Td = in.release.durationHours;
  const float tp = r.peakTime;
  r.recordedUpperLimit = r.upperLimit;
  std::fill(D.begin(), D.end(), 0.0f);
  int32_t ierr = 0;
  if (mode == ReleaseMode::Instantaneous || (mode == ReleaseMode::Pulse && Td * 3600.0f < 0.5f * tp)) {
    for (int32_t i = 0; i < n; ++i) F[i] *= X[i];
    r.limitsWarning = 0;
    r.firstMoment =
        integrateInterpolant(notices, r, n, X.data(), F.data(), D.data(), in.spline, ierr);
    for (int32_t i = 0; i < n; ++i)
      if (X[i] != 0) F[i] /= X[i];
  } else {
    // Long release: the shortfall below the peak, from the lower limit to
    // the peak sample.
    const int32_t k = r.peakIndex;
    std::vector<float> W(static_cast<std::size_t>(k > 0 ? k : 0));
    if (k >= 1) r.upperLimit = X[k - 1];
    for (int32_t i = 0; i < k; ++i) W[i] = 1.0f - guard::quotient(F[i], r.peakConcentration);
    r.limitsWarning = 0;
    r.firstMoment =
        integrateInterpolant(notices, r, k, X.data(), W.data(), D.data(), in.spline, ierr);
  }
  if (mode == ReleaseMode::Pulse && Td < 0.5f * tp / 3600.0f)
    r.comparisonTime = guard::quotient(r.firstMoment, r.recoveredMass) / 86400.0f * 24.0f;
  else if (mode == ReleaseMode::Pulse && !(0.5f * tp / 3600.0f < Td))
    r.comparisonTime = r.firstMoment / 86400.0f * 24.0f;
  else
    r.comparisonTime = 0;
}

void distanceWeightedStep(Notices& notices, AnalysisResults& r, const AnalysisInputs& in,
                          int32_t n, std::span<const float> X, std::span<const float> F,
                          std::span<float> D) {
  const ReleaseMode mode = in.release.mode;
  const bool instantaneous = mode == ReleaseMode::Instantaneous;
  const bool pulse = mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float L = in.setup.distance;
  const bool longRelease = 0.5f * r.peakTime / 3600.0f <= Td;
  const float shift = 0.5f * 3600.0f * Td;
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
    std::fill(D.begin(), D.end(), 0.0f);
    r.limitsWarning = 0;
    int32_t ierr = 0;
    r.distanceWeighted =
        integrateInterpolant(notices, r, n, X.data(), W.data(), D.data(), in.spline, ierr);
  }
}

void recovery(AnalysisResults& r, float Mi) {
  r.percentRecovery = guard::quotient(ugToMg(r.recoveredMass), Mi) * 100.0f;
  r.accuracyIndex = guard::quotient(Mi - ugToMg(r.recoveredMass), Mi);
}

}  // namespace kaldero
