#include "core/units.h"

namespace kaldero::units {

const char* timeUnitName(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::Days:
      return "d";
    case TimeUnit::Hours:
      return "h";
    case TimeUnit::Minutes:
      return "min";
    case TimeUnit::Seconds:
      return "s";
  }
  return nullptr;
}

float timeFactor(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::Days: return 86400.0f;
    case TimeUnit::Hours: return 3600.0f;
    case TimeUnit::Minutes: return 60.0f;
    default: return 1.0f;
  }
}

float concentrationFactor(ConcentrationUnit unit) {
  switch (unit) {
    case ConcentrationUnit::GramsPerLitre: return 1e9f;
    case ConcentrationUnit::MilligramsPerLitre: return 1e6f;
    case ConcentrationUnit::MicrogramsPerLitre: return 1e3f;
    default: return 1.0f;
  }
}

float dischargeToSI(float q, DischargeUnit unit) {
  switch (unit) {
    case DischargeUnit::CubicMetresPerDay: return q / 86400.0f;
    case DischargeUnit::CubicMetresPerHour: return q / 3600.0f;
    case DischargeUnit::CubicMetresPerMinute: return q / 60.0f;
    case DischargeUnit::GallonsPerDay: return q / 1440.0f * 0.00006309f;
    case DischargeUnit::GallonsPerMinute: return q * 0.00006309f;
    case DischargeUnit::CubicFeetPerDay: return q / 86400.0f * 0.02832f;
    case DischargeUnit::CubicFeetPerHour: return q / 3600.0f * 0.02832f;
    case DischargeUnit::CubicFeetPerMinute: return q / 60.0f * 0.02832f;
    case DischargeUnit::CubicFeetPerSecond: return q * 0.02832f;
    default: return q;
  }
}

float distanceFactor(DistanceUnit unit) {
  switch (unit) {
    case DistanceUnit::Feet: return 0.3048f;
    case DistanceUnit::Kilometres: return 1000.0f;
    case DistanceUnit::Miles: return 1609.3f;
    default: return 1.0f;
  }
}

float massFactor(MassUnit unit) {
  switch (unit) {
    case MassUnit::Pounds: return 453.5924f * 1000.0f;
    case MassUnit::Kilograms: return 1e6f;
    case MassUnit::Grams: return 1000.0f;
    default: return 1.0f;
  }
}

}  // namespace kaldero::units
