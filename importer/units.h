// Unit names of the command line and the unit codes of the station file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kaldero::importer {

enum class Quantity { Time, Concentration, Discharge, Distance, Mass };

struct Unit {
  int code = 0;         // the station file's (or control file's) unit code
  double factor = 1;    // multiplies a value in the named unit into the code's unit
  std::string_view name;     // as the command line writes it
  std::string_view caption;  // as the station file's column label writes it
  long long micros = 0;      // time units: microseconds in one unit
};

// The unit of that name (case ignored), or nullopt.
std::optional<Unit> findUnit(Quantity q, std::string_view name);
// The names accepted for a quantity, for messages: "d, h, min, s".
std::string unitNames(Quantity q);

// The factor by which the program multiplies a value of a unit code into
// the unit it computes in, as its own unit conversion does: milligrams,
// metres, cubic metres per second, seconds, nanograms per litre.
double programFactor(Quantity q, int code);

// A value with its unit: "0.0057 m3/s", "150m", "1.5 km".
struct Measure {
  double value = 0;
  Unit unit;
};
// The measure, or nullopt with why set.
std::optional<Measure> parseMeasure(Quantity q, std::string_view text, std::string& why);

}  // namespace kaldero::importer
