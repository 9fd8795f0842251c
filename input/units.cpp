#include "input/units.h"

#include <cmath>

#include "core/text.h"

namespace kaldero::units {

float timeFactor(int32_t code) {
  switch (code) {
    case 1: return 86400.0f;
    case 2: return 3600.0f;
    case 3: return 60.0f;
    default: return 1.0f;
  }
}

float concentrationFactor(int32_t code) {
  switch (code) {
    case 1: return 1e9f;
    case 2: return 1e6f;
    case 3: return 1e3f;
    default: return 1.0f;
  }
}

float dischargeToSI(float q, int32_t code) {
  switch (code) {
    case 1: return q / 86400.0f;
    case 2: return q / 3600.0f;
    case 3: return q / 60.0f;
    case 5: return q / 1440.0f * 0.00006309f;
    case 6: return q * 0.00006309f;
    case 7: return q / 86400.0f * 0.02832f;
    case 8: return q / 3600.0f * 0.02832f;
    case 9: return q / 60.0f * 0.02832f;
    case 10: return q * 0.02832f;
    default: return q;
  }
}

float distanceFactor(int32_t code) {
  switch (code) {
    case 2: return 0.3048f;
    case 3: return 1000.0f;
    case 4: return 1609.3f;
    default: return 1.0f;
  }
}

float massFactor(int32_t code) {
  switch (code) {
    case 1: return 453.5924f * 1000.0f;
    case 2: return 1e6f;
    case 3: return 1000.0f;
    default: return 1.0f;
  }
}

void convertStationData(TestDescription& t, std::span<float> T, std::span<float> C,
                        std::span<float> Q, int32_t n) {
  const float tf = timeFactor(t.timeUnit);
  for (int32_t i = 0; i < n; ++i) T[i] *= tf;
  const float cf = concentrationFactor(t.concentrationUnit);
  for (int32_t i = 0; i < n; ++i) {
    C[i] *= cf;
    if (std::fabs(C[i]) < 0.001f) C[i] = 0;
  }
  if (t.dischargeMode == 2) {
    t.constantDischarge = dischargeToSI(t.constantDischarge, t.dischargeUnit);
  } else if (t.dischargeMode == 1) {
    for (int32_t i = 0; i < n; ++i) Q[i] = dischargeToSI(Q[i], t.dischargeUnit);
  }
  t.distance *= distanceFactor(t.distanceUnit);
  if (t.sinuosityOption == 1) {
    if (t.sinuosity < 1.0f || t.sinuosity > 3.0f) t.sinuosity = 1.0f;
    t.distance *= t.sinuosity;
  }
  t.knotSpacing *= tf;
}

void convertInjectedMass(ControlValues& control) {
  control.injectedMass *= massFactor(control.massUnit);
}

namespace {

void setLabel(std::string& label, const char* text) {
  label = text::padded(text, label.size() < 35 ? 35 : label.size());
}

}  // namespace

void timeLabel(int32_t code, std::string& label) {
  static const char* names[] = {"Time from Injection (d)", "Time from Injection (h)",
                                "Time from Injection (min)", "Time from Injection (s)"};
  if (code >= 1 && code <= 4) setLabel(label, names[code - 1]);
}

void timeLabelLong(int32_t code, std::string& label) {
  static const char* names[] = {"Time from Injection (days)", "Time from Injection (hours)",
                                "Time from Injection (minutes)", "Time from Injection (seconds)"};
  if (code >= 1 && code <= 4) setLabel(label, names[code - 1]);
}

void concentrationLabel(int32_t code, std::string& label) {
  static const char* names[] = {"Concentration (g L\\u-1\\d)", "Concentration (mg L\\u-1\\d)",
                                "Concentration (\\gmg L\\u-1\\d)", "Concentration (ng L\\u-1\\d)"};
  if (code >= 1 && code <= 4) setLabel(label, names[code - 1]);
}

void dischargeLabel(int32_t code, std::string& label) {
  static const char* names[] = {
      "Discharge (m\\u3\\d d\\u-1\\d)",   "Discharge (m\\u3\\d hr\\u-1\\d)",
      "Discharge (m\\u3\\d min\\u-1\\d)", "Discharge (m\\u3\\d s\\u-1\\d)",
      "Discharge (gpd)",                  "Discharge (gpm)",
      "Discharge (ft\\u3\\d d\\u-1\\d)",  "Discharge (ft\\u3\\d hr\\u-1\\d)",
      "Discharge (ft^3 min\\u-1\\d)",     "Discharge (ft\\u3\\d s\\u-1\\d)"};
  if (code >= 1 && code <= 10) setLabel(label, names[code - 1]);
}

}  // namespace kaldero::units
