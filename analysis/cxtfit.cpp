#include "analysis/cxtfit.h"

#include <numbers>

#include "analysis/guards.h"

namespace kaldero::cxtfit {

namespace {

using guard::quotient;

// Half the size of the flow form from its volume: the radius of a conduit,
// half the aperture of fractures.
float sizeValue(const Inputs& in) {
  const float V = in.volume;
  const float L = in.distance;
  if (in.geometry == FlowForm::Conduit)
    return 0.5f * guard::root(quotient(V, std::numbers::pi_v<float> * L));
  if (in.conductivity > 0) return 0.5f * guard::root(quotient(V, L * in.conductivity));
  return 0.5f * guard::root(quotient(V, L));
}

}  // namespace

std::array<int32_t, 2> normalizedSettings(std::array<int32_t, 2> s) {
  if (s[0] == 1 && s[1] == 1) s[1] = 0;
  if (s[0] == 0 && s[1] == 0) s[0] = 1;
  return s;
}

int32_t dataStride(int32_t n) {
  if (n < 406) return 1;
  int32_t a = n / 405;
  while (n / a > 405) ++a;
  return a;
}

float meanDischarge(std::span<const float> Q) {
  float sum = 0;
  for (float q : Q) sum += q;
  return quotient(sum, static_cast<float>(Q.size()));
}

float inputValue(const Inputs& in) {
  const bool injected = in.settings[0] == 1 && in.settings[1] == 0;
  const bool recovered = in.settings[0] == 0 && in.settings[1] == 1;
  if (!injected && !recovered) return 0;
  const float mass = injected ? in.injectedMass : in.recoveredMass * 0.001f;
  if (in.releaseMode == ReleaseMode::Instantaneous) {
    if (in.dischargeMode == DischargeMode::Measured) {
      // Mass per cross-section over the peak velocity.
      const float W = quotient(in.distance, in.peakTime / 3600.0f);
      const float A = quotient(in.volume, in.distance);
      return quotient(quotient(mass, A), W);
    }
    if (in.dischargeMode == DischargeMode::Constant)
      return quotient(mass, in.constantDischarge * 3600.0f);
    return 0;
  }
  // A release of some duration: the mean input concentration.
  if (in.dischargeMode != DischargeMode::Measured && in.dischargeMode != DischargeMode::Constant)
    return 0;
  const float F =
      (in.dischargeMode == DischargeMode::Measured ? in.meanDischarge : in.constantDischarge) *
      3600.0f;
  return quotient(mass, F * in.releaseDuration);
}

Parameters parameters(const Inputs& in, std::span<const float> T, std::span<const float> C) {
  Parameters p;
  const float L = in.distance;
  const float tp = in.peakTime;
  const float W = quotient(L, tp / 3600.0f);   // peak velocity, m/h
  const float peakVelocity = quotient(L, tp);  // m/s
  const float B = quotient(in.meanVelocity, peakVelocity);
  const float D = in.dispersion * 3600.0f;     // m2/h
  if (in.geometry == FlowForm::Conduit || in.geometry == FlowForm::Fractures)
    p.sizeLine = Parameters::SizeLine{peakVelocity, L, sizeValue(in), in.meanVelocity};
  p.distance = L;
  p.peakVelocity = W;
  p.dispersion = D;
  p.velocityRatio = B;
  p.input = inputValue(in);
  p.peakVelocityRange = {W, 0.5f * W, 2.0f * W};
  p.dispersionRange = {D, D / 10.0f, 2.0f * D};
  p.velocityRatioRange = {B, 0.5f * B, 0.0f};
  p.inputRange = {p.input, p.input / 10.0f, 2.0f * p.input};
  const auto n = static_cast<int32_t>(T.size());
  const int32_t a = dataStride(n);
  for (int32_t i = 0; i < n; i += a) {
    p.hours.push_back(T[i] / 3600.0f);
    p.milligramsPerCubicMetre.push_back(C[i] / 1000.0f);
  }
  return p;
}

std::optional<Inputs> inputsOf(const AnalysisInputs& a, const StationResults& r,
                                std::span<const float> Q) {
  const TestDescription& t = a.test;
  const FlowGeometry& g = *r.geometry;
  if (!on(t.stationTotals) || g.volume == 0) return std::nullopt;
  Inputs in;
  in.distance = a.setup.distance;
  in.peakTime = r.arrival.peakTime;
  in.volume = g.volume;
  in.dispersion = r.transport->dispersion;
  in.meanVelocity = r.transport->meanVelocity.perSecond;
  in.conductivity = g.conductivity;
  in.injectedMass = a.release.injectedMass;
  in.recoveredMass = r.mass->mass.micrograms;
  in.releaseDuration = a.release.durationHours;
  in.constantDischarge = a.setup.constantDischarge;
  in.meanDischarge = meanDischarge(Q);
  in.releaseMode = a.release.mode;
  in.dischargeMode = t.dischargeMode;
  in.geometry = t.geometry;
  in.settings = normalizedSettings(t.cxtfitSettings);
  return in;
}

}  // namespace kaldero::cxtfit
