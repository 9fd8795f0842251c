#include "analysis/dispersion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

std::string_view pecletClass(float pe) {
  if (std::isnan(pe)) return {};
  if (pe < 0.4f) return "Diffusion > Advection";
  if (pe <= 6.0f) return "Diffusion = Advection";
  return "Advection > Diffusion";
}

void velocitiesAndDispersion(Notices& notices, AnalysisResults& r, const AnalysisInputs& in,
                             int32_t n, std::span<const float> X, std::span<const float> F,
                             std::span<float> D) {
  const bool instantaneous = in.release.mode == ReleaseMode::Instantaneous;
  const bool pulseMode = in.release.mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float tf = in.release.flowZoneArrivalHours;
  const float L = in.setup.distance;
  const float chatwinEstimate = r.chatwinDispersion;
  const float dv = r.flowZoneVelocityCorrection;
  const float th = r.meanTimeHours;  // corrected by the flow-zone arrival time
  const bool pulse = instantaneous || (pulseMode && Td < th);
  const bool longRelease = pulseMode && Td >= th;

  // Spread of the velocities of the samples about the mean velocity.
  {
    std::vector<float> W(static_cast<std::size_t>(n), 0.0f);
    r.limitsWarning = 0;
    const float shift = 0.5f * 3600.0f * Td;
    for (int32_t i = 0; i < n; ++i) {
      if (X[i] == 0) continue;
      const float t = X[i] / 3600.0f;
      if (instantaneous) {
        const float dev = L / t - guard::quotient(L, th);
        W[i] = dev * dev * F[i];
      } else if (pulseMode && Td < th && X[i] > shift) {
        // Samples up to half the release duration have no shifted time and
        // keep 0.
        const float dev = L / (t - 0.5f * Td) - L / (th - 0.5f * Td);
        W[i] = dev * dev * F[i];
      }
    }
    r.velocitySpread = 0;
    if (pulse) {
      std::fill(D.begin(), D.end(), 0.0f);
      int32_t ierr = 0;
      const float s =
          integrateInterpolant(notices, r, n, X.data(), W.data(), D.data(), in.spline, ierr);
      r.velocitySpread = guard::root(guard::quotient(s, r.zerothMoment));
    }
  }

  const float v = guard::quotient(r.distanceWeighted, r.firstMoment) + dv;
  const float vh = 3600.0f * v;
  r.meanVelocity = v;
  r.meanVelocityHour = vh;
  r.meanVelocityDay = 86400.0f * v;

  const float var = r.variance;
  float dm = 0;
  if (instantaneous) {
    dm = guard::quotient(0.5f * var, th * th) * vh * L / 3600.0f;
  } else if (longRelease) {
    dm = (guard::quotient(r.longReleaseMoment, r.firstMoment) - guard::quotient(L, 2.0f * vh)) *
         vh * vh / 3600.0f;
  } else if (pulseMode) {
    // The box pulse of the release adds Td^2/12 (h^2) to the variance.
    dm = guard::quotient((var - Td * Td / 12.0f) * vh * vh * vh, 2.0f * L) / 3600.0f;
  }
  r.momentDispersion = dm;
  const bool fromMoments = !(chatwinEstimate > 0) || dm < chatwinEstimate;
  const float disp = fromMoments ? dm : chatwinEstimate;
  r.dispersion = disp;
  r.dispersivity = guard::quotient(disp, v);
  // Without a dispersion coefficient the Peclet number cannot be formed.
  const bool pecletFormed = disp != 0 && std::isfinite(v * L / disp);
  r.peclet = pecletFormed ? v * L / disp : 0.0f;

  // Maximum velocity from the first sample with tracer after the flow-zone
  // arrival; a long release counts from the middle of the release unless
  // that leaves no time.
  for (int32_t i = 0; i < n; ++i) {
    const float dt = X[i] - 3600.0f * tf;
    if (!(F[i] > 0 && dt > 0)) continue;
    const float shifted = dt - 0.5f * 3600.0f * Td;
    const float t = pulse || !(shifted > 0) ? dt : shifted;
    r.kept.maxVelocity = L / t;
    r.kept.maxVelocityHour = r.kept.maxVelocity * 3600.0f;
    r.kept.maxVelocityDay = r.kept.maxVelocity * 86400.0f;
    break;
  }

  r.pulseRegime = pulse;
  r.dispersionFromMoments = fromMoments;
  r.pecletFormed = pecletFormed;
}

}  // namespace kaldero
