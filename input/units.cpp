#include "input/units.h"

#include <cmath>

namespace kaldero::units {

StationSetup internalSetup(const TestDescription& t) {
  StationSetup setup;
  setup.constantDischarge = t.constantDischarge;
  if (t.dischargeMode == DischargeMode::Constant)
    setup.constantDischarge = dischargeToSI(t.constantDischarge, t.dischargeUnit);
  setup.distance = t.distance * distanceFactor(t.distanceUnit);
  setup.sinuosity = t.sinuosity;
  if (t.sinuosityOption == 1) {
    if (setup.sinuosity < 1.0f || setup.sinuosity > 3.0f) setup.sinuosity = 1.0f;
    setup.distance *= setup.sinuosity;
  }
  setup.knotOption = t.knotOption;
  return setup;
}

void toInternalUnitsInPlace(const TestDescription& t, Curve& out) {
  const float tf = timeFactor(t.timeUnit);
  for (float& v : out.T) v *= tf;
  const float cf = concentrationFactor(t.concentrationUnit);
  for (float& c : out.C) {
    c *= cf;
    if (std::fabs(c) < 0.001f) c = 0;
  }
  if (t.dischargeMode == DischargeMode::Measured)
    for (float& q : out.Q) q = dischargeToSI(q, t.dischargeUnit);
}

Curve toInternalUnits(const TestDescription& t, const Curve& curve) {
  Curve out = curve;
  toInternalUnitsInPlace(t, out);
  return out;
}

std::vector<float> toFileTimes(const TestDescription& t, std::span<const float> seconds) {
  std::vector<float> out(seconds.begin(), seconds.end());
  for (float& v : out) v = fromSeconds(v, t.timeUnit);
  return out;
}

ReleaseSetup internalRelease(const ControlValues& c) {
  return ReleaseSetup{c.releaseMode, c.releaseDuration, c.flowZoneArrival,
                      c.injectedMass * massFactor(c.massUnit), c.massUnit};
}

}  // namespace kaldero::units
