// The unit codes of the control file and the station data files, and their
// factors to the internal units of the program: seconds, ng/L, m3/s, metres
// and milligrams. Shared by the program and the import. A code that is none
// of the names converts by 1 (it is left as it is).
#pragma once

#include <cstdint>

namespace kaldero {

enum class TimeUnit : int32_t { Days = 1, Hours = 2, Minutes = 3, Seconds = 4 };

enum class ConcentrationUnit : int32_t {
  GramsPerLitre = 1,
  MilligramsPerLitre = 2,
  MicrogramsPerLitre = 3,
  NanogramsPerLitre = 4,
};

enum class DischargeUnit : int32_t {
  CubicMetresPerDay = 1,
  CubicMetresPerHour = 2,
  CubicMetresPerMinute = 3,
  CubicMetresPerSecond = 4,
  GallonsPerDay = 5,
  GallonsPerMinute = 6,
  CubicFeetPerDay = 7,
  CubicFeetPerHour = 8,
  CubicFeetPerMinute = 9,
  CubicFeetPerSecond = 10,
};

enum class DistanceUnit : int32_t { Metres = 1, Feet = 2, Kilometres = 3, Miles = 4 };

// Any other code is milligrams.
enum class MassUnit : int32_t { Pounds = 1, Kilograms = 2, Grams = 3 };

}  // namespace kaldero

namespace kaldero::units {

// Seconds in one time unit.
float timeFactor(TimeUnit unit);
// The symbol of a time unit ("d", "h", "min", "s"); nullptr for any other
// code.
const char* timeUnitName(TimeUnit unit);
// Seconds in the time unit.
inline float fromSeconds(float seconds, TimeUnit unit) { return seconds / timeFactor(unit); }
// ng/L in one concentration unit.
float concentrationFactor(ConcentrationUnit unit);
// A discharge in the unit converted to m3/s, division first, then
// multiplication, in single precision.
float dischargeToSI(float q, DischargeUnit unit);
// Metres in one distance unit.
float distanceFactor(DistanceUnit unit);
// Milligrams in one mass unit.
float massFactor(MassUnit unit);

}  // namespace kaldero::units
