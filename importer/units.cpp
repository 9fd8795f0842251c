#include "importer/units.h"

#include <cctype>
#include <span>

#include "core/text.h"
#include "core/units.h"
#include "importer/numbers.h"

namespace kaldero::importer {

namespace {

constexpr long long kSecond = 1000000;

// Codes as the station file and the control file define them.
constexpr Unit kTime[] = {
    {1, 1, "d", "DAYS", 86400 * kSecond},
    {2, 1, "h", "HOURS", 3600 * kSecond},
    {3, 1, "min", "MINUTES", 60 * kSecond},
    {4, 1, "s", "SECONDS", kSecond},
};

constexpr Unit kConcentration[] = {
    {1, 1, "g/L", "G/L", 0},   {2, 1, "mg/L", "MG/L", 0}, {3, 1, "ug/L", "UG/L", 0},
    {4, 1, "ng/L", "NG/L", 0}, {3, 1, "ppb", "UG/L", 0},  {2, 1, "ppm", "MG/L", 0},
};

// Litres per second, the usual unit at springs, has no code: it is written
// in cubic metres per second.
constexpr Unit kDischarge[] = {
    {1, 1, "m3/d", "M3/D", 0},       {2, 1, "m3/h", "M3/H", 0},
    {3, 1, "m3/min", "M3/MIN", 0},   {4, 1, "m3/s", "M3/S", 0},
    {5, 1, "gpd", "GPD", 0},         {6, 1, "gpm", "GPM", 0},
    {7, 1, "ft3/d", "FT3/D", 0},     {8, 1, "ft3/h", "FT3/H", 0},
    {9, 1, "ft3/min", "FT3/MIN", 0}, {10, 1, "ft3/s", "FT3/S", 0},
    {4, 0.001, "L/s", "M3/S", 0},
};

constexpr Unit kDistance[] = {
    {1, 1, "m", "M", 0}, {2, 1, "ft", "FT", 0}, {3, 1, "km", "KM", 0}, {4, 1, "mi", "MI", 0}};

constexpr Unit kMass[] = {
    {1, 1, "lb", "POUNDS", 0}, {2, 1, "kg", "KILOGRAMS", 0},
    {3, 1, "g", "GRAMS", 0},   {4, 1, "mg", "MILLIGRAMS", 0}};

std::span<const Unit> table(Quantity q) {
  switch (q) {
    case Quantity::Time: return kTime;
    case Quantity::Concentration: return kConcentration;
    case Quantity::Discharge: return kDischarge;
    case Quantity::Distance: return kDistance;
    case Quantity::Mass: return kMass;
  }
  return {};
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace

std::optional<Unit> findUnit(Quantity q, std::string_view name) {
  // The micro sign is accepted for micrograms.
  if (q == Quantity::Concentration && (name == "\xC2\xB5g/L" || name == "\xCE\xBCg/L"))
    name = "ug/L";
  for (const Unit& u : table(q))
    if (sameName(u.name, name)) return u;
  return std::nullopt;
}

std::string unitNames(Quantity q) {
  std::string s;
  for (const Unit& u : table(q)) {
    if (!s.empty()) s += ", ";
    s += u.name;
  }
  return s;
}

double programFactor(Quantity q, int code) {
  // The program's own factors (core/units.h), so that the checks of the
  // import see the numbers the program will compute with.
  switch (q) {
    case Quantity::Mass: return units::massFactor(MassUnit{code});
    case Quantity::Distance: return units::distanceFactor(DistanceUnit{code});
    case Quantity::Time: return units::timeFactor(TimeUnit{code});
    case Quantity::Concentration: return units::concentrationFactor(ConcentrationUnit{code});
    case Quantity::Discharge: return units::dischargeToSI(1.0f, DischargeUnit{code});
  }
  return 1;
}

std::optional<Measure> parseMeasure(Quantity q, std::string_view text, std::string& why) {
  while (!text.empty() && text::isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && text::isBlank(text.back())) text.remove_suffix(1);
  // The number runs to the first blank or letter that does not continue it.
  std::size_t end = 0;
  while (end < text.size()) {
    const char c = text[end];
    const bool exponent = (c == 'e' || c == 'E') && end + 1 < text.size() &&
                          (std::isdigit(static_cast<unsigned char>(text[end + 1])) ||
                           text[end + 1] == '-' || text[end + 1] == '+');
    if ((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || exponent) {
      end += exponent ? 2 : 1;
      continue;
    }
    break;
  }
  double value = 0;
  if (end == 0 || !parseNumber(text.substr(0, end), value)) {
    why = "\"" + std::string(text) + "\" does not start with a number";
    return std::nullopt;
  }
  std::string_view name = text.substr(end);
  while (!name.empty() && text::isBlank(name.front())) name.remove_prefix(1);
  if (name.empty()) {
    why = "\"" + std::string(text) + "\" has no unit (one of " + unitNames(q) + ")";
    return std::nullopt;
  }
  auto unit = findUnit(q, name);
  if (!unit) {
    why = "unknown unit \"" + std::string(name) + "\" (one of " + unitNames(q) + ")";
    return std::nullopt;
  }
  return Measure{value, *unit};
}

}  // namespace kaldero::importer
