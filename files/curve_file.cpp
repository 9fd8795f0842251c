#include "files/curve_file.h"

#include <charconv>

#include "core/format.h"

namespace kaldero::files {

std::vector<std::string> curveFileLines(std::span<const float> x, std::span<const float> y) {
  std::vector<std::string> lines;
  lines.reserve(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) lines.push_back(fmt::G(x[i], 20, 10) + fmt::G(y[i], 20, 10));
  return lines;
}

namespace {

std::string shortest(float v) { return fmt::shortest(v); }

}  // namespace

std::vector<std::string> curveCsvLines(const CurveColumns& columns, std::span<const float> x,
                                       std::span<const float> y) {
  std::vector<std::string> lines;
  lines.reserve(x.size() + 1);
  lines.push_back(columns.x + "," + columns.y);
  for (std::size_t i = 0; i < x.size() && i < y.size(); ++i)
    lines.push_back(shortest(x[i]) + "," + shortest(y[i]));
  return lines;
}

namespace {

std::string timeColumn(TimeUnit timeUnit) {
  const char* unit = units::timeUnitName(timeUnit);
  return std::string("time_") + (unit ? unit : "s");
}

}  // namespace

CurveColumns normalizedColumns(TimeUnit timeUnit) {
  return {timeColumn(timeUnit), "concentration_mg_per_L_per_kg_recovered"};
}

CurveColumns loadColumns(TimeUnit timeUnit) {
  return {timeColumn(timeUnit), "load_mg_per_s_per_kg_recovered"};
}

CurveColumns standardizedColumns() {
  return {"time_standard_deviations_from_mean", "concentration_fraction_of_peak"};
}

}  // namespace kaldero::files
