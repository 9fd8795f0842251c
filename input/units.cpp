#include "input/units.h"

#include <cmath>

namespace kaldero::units {

void convertStationData(const TestDescription& t, StationSetup& setup, std::span<float> T,
                        std::span<float> C, std::span<float> Q, int32_t n) {
  const float tf = timeFactor(t.timeUnit);
  for (int32_t i = 0; i < n; ++i) T[i] *= tf;
  const float cf = concentrationFactor(t.concentrationUnit);
  for (int32_t i = 0; i < n; ++i) {
    C[i] *= cf;
    if (std::fabs(C[i]) < 0.001f) C[i] = 0;
  }
  setup.constantDischarge = t.constantDischarge;
  if (t.dischargeMode == DischargeMode::Constant) {
    setup.constantDischarge = dischargeToSI(t.constantDischarge, t.dischargeUnit);
  } else if (t.dischargeMode == DischargeMode::Measured) {
    for (int32_t i = 0; i < n; ++i) Q[i] = dischargeToSI(Q[i], t.dischargeUnit);
  }
  setup.distance = t.distance * distanceFactor(t.distanceUnit);
  setup.sinuosity = t.sinuosity;
  if (t.sinuosityOption == 1) {
    if (setup.sinuosity < 1.0f || setup.sinuosity > 3.0f) setup.sinuosity = 1.0f;
    setup.distance *= setup.sinuosity;
  }
  setup.knotSpacing *= tf;
}

}  // namespace kaldero::units
