#include "analysis/dispersion.h"

#include <cmath>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

std::optional<std::string_view> pecletClass(float pe) {
  if (std::isnan(pe)) return std::nullopt;
  if (pe < 0.4f) return "Diffusion > Advection";
  if (pe <= 6.0f) return "Diffusion = Advection";
  return "Advection > Diffusion";
}

Transport velocitiesAndDispersion(const AnalysisInputs& in, std::span<const float> X,
                                  std::span<const float> F, const MassRecovery& mass,
                                  const TransitTimes& transit, const ChatwinResults& chatwin,
                                  const Carried& maxVelocity) {
  Transport r;
  const bool instantaneous = in.release.mode == ReleaseMode::Instantaneous;
  const bool pulseMode = in.release.mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float tf = in.release.flowZoneArrivalHours;
  const float L = in.setup.distance;
  const float chatwinEstimate = chatwin.dispersion;
  const float dv = chatwin.flowZoneVelocityCorrection;
  const float th = transit.meanTime.hours;  // corrected by the flow-zone arrival time
  const bool pulse = instantaneous || (pulseMode && Td < th);
  const bool longRelease = pulseMode && Td >= th;
  const auto n = static_cast<int32_t>(X.size());

  // Spread of the velocities of the samples about the mean velocity.
  {
    std::vector<float> W(static_cast<std::size_t>(n), 0.0f);
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
    if (pulse) {
      const Integral s = integrate(r.notices, n, X, W, mass.momentLimits, in.setup.wideSums);
      r.limitsWarning = s.limitsWarning();
      const float spread = guard::root(guard::quotient(s.value, transit.zerothMoment));
      // With the correction for the time the tracer took to reach the flow
      // zone.
      if (spread > 0)
        r.velocitySpread = VelocityInUnits{24.0f * (spread + 3600.0f * dv),
                                           spread + 3600.0f * dv, spread / 3600.0f + dv};
    }
  }

  // Without a first moment (a long release whose mean time corrects to 0)
  // the mean velocity is 0, and a warning says the dispersivity is
  // undefined. A velocity beyond the range of the numbers (an overflowed
  // distance-weighted integral) stays so, and stops the station, rather
  // than being shown as 0.
  const float v =
      (mass.firstMoment != 0 ? mass.distanceWeighted / mass.firstMoment : 0.0f) + dv;
  const float vh = 3600.0f * v;
  r.meanVelocity = {86400.0f * v, vh, v};

  const float var = transit.variance;
  float dm = 0;
  if (instantaneous) {
    dm = guard::quotient(0.5f * var, th * th) * vh * L / 3600.0f;
  } else if (longRelease) {
    dm = (guard::quotient(transit.longReleaseMoment, mass.firstMoment) -
          guard::quotient(L, 2.0f * vh)) *
         vh * vh / 3600.0f;
  } else if (pulseMode) {
    // The box pulse of the release adds Td^2/12 (h^2) to the variance.
    dm = guard::quotient((var - Td * Td / 12.0f) * vh * vh * vh, 2.0f * L) / 3600.0f;
  }
  r.momentDispersion = dm;
  if (chatwin.fitted) r.chatwinDispersion = chatwin.dispersion;
  // The smaller of the two estimates, among the positive ones: a
  // dispersion coefficient of 0 or below (the moment estimate of a release
  // about as long as the curve) is no estimate. Without a positive one the
  // coefficient is 0 and what is made from it undefined, with a warning.
  // (A moment estimate of exactly 0 without a Chatwin one is reported as
  // 0, as it always was, with the warning of an undefined Peclet number.)
  const bool chatwinPositive = chatwinEstimate > 0;
  r.momentDispersionRejected = dm < 0;
  const bool fromMoments = chatwinPositive ? dm > 0 && dm < chatwinEstimate : dm >= 0;
  r.dispersion = fromMoments ? dm : chatwinPositive ? chatwinEstimate : 0.0f;
  r.dispersionFromMoments = fromMoments;
  // Without a mean velocity there is no dispersivity, without a dispersion
  // coefficient no Peclet number: each is undefined then, never a number.
  if (v != 0 && !r.dispersionUndefined()) r.dispersivity = r.dispersion / v;
  if (r.dispersion != 0) {
    r.peclet = v * L / r.dispersion;
    if (const auto cls = pecletClass(*r.peclet)) r.pecletClass = std::string(*cls);
  }
  r.pulseRegime = pulse;

  // Maximum velocity from the first sample with tracer after the flow-zone
  // arrival; a long release counts from the middle of the release unless
  // that leaves no time.
  r.maxVelocity = {maxVelocity.value, false};
  for (int32_t i = 0; i < n; ++i) {
    const float dt = X[i] - 3600.0f * tf;
    if (!(F[i] > 0 && dt > 0)) continue;
    const float shifted = dt - 0.5f * 3600.0f * Td;
    const float t = pulse || !(shifted > 0) ? dt : shifted;
    r.maxVelocity = {L / t, true};
    break;
  }
  const float vmax = r.maxVelocity.value;
  r.maxVelocityUnits = {vmax * 86400.0f, vmax * 3600.0f, vmax};
  return r;
}

}  // namespace kaldero
