#include "analysis/campaign.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/format.h"

namespace kaldero {

std::optional<ConcentrationScale> parseConcentrationScale(const std::string& name) {
  if (name == "per-kg") return ConcentrationScale::PerKgRecovered;
  if (name == "raw") return ConcentrationScale::Raw;
  if (name == "peak") return ConcentrationScale::OfThePeak;
  if (name == "log") return ConcentrationScale::LogPerKg;
  return std::nullopt;
}

ConcentrationCurve stationConcentrationCurve(std::span<const double> T,
                                             std::span<const double> C, float grams,
                                             ConcentrationScale scale) {
  ConcentrationCurve out;
  const bool normalized =
      scale == ConcentrationScale::PerKgRecovered || scale == ConcentrationScale::LogPerKg;
  if (T.size() != C.size() || (normalized && !(grams > 0 && std::isfinite(grams)))) return out;
  // ng/L to ug/L; per gram of ug/L is per kg of mg/L; or over the peak.
  double divisor = normalized ? static_cast<double>(grams) * 1000.0 : 1000.0;
  if (scale == ConcentrationScale::OfThePeak) {
    double peak = 0;
    for (double c : C)
      if (std::isfinite(c)) peak = std::max(peak, c);
    if (!(peak > 0)) return out;
    divisor = peak;
  }
  for (std::size_t i = 0; i < T.size(); ++i) {
    out.hours.push_back(T[i] / 3600.0);
    out.values.push_back(C[i] / divisor);
  }
  return out;
}

RecoveryCurve stationRecoveryCurve(std::span<const double> T,
                                   std::span<const double> cumulative, float injected) {
  RecoveryCurve out;
  if (!(injected > 0) || T.size() != cumulative.size()) return out;
  // ug to mg, then the share of the injected mass.
  const double mg = static_cast<double>(injected);
  for (std::size_t i = 0; i < T.size(); ++i) {
    out.hours.push_back(T[i] / 3600.0);
    out.fraction.push_back(cumulative[i] / 1000.0 / mg);
  }
  return out;
}

namespace {

// Beyond this many sample times in all the total is taken on an even grid
// of kGridPoints times (and the stations' last times), which no figure can
// tell from the union.
constexpr std::size_t kUnionLimit = 20000;
constexpr std::size_t kGridPoints = 4000;

// Adds the curve, at the times of grid (increasing), to sum: 0 before it,
// linear between its points, its last value after it.
void addCurve(const RecoveryCurve& c, const std::vector<double>& grid, std::vector<double>& sum) {
  if (c.hours.empty()) return;
  std::size_t j = 0;
  for (std::size_t g = 0; g < grid.size(); ++g) {
    const double t = grid[g];
    if (t < c.hours.front()) continue;
    if (t >= c.hours.back()) {
      sum[g] += c.fraction.back();
      continue;
    }
    while (j + 1 < c.hours.size() && c.hours[j + 1] <= t) ++j;
    const double t0 = c.hours[j], t1 = c.hours[j + 1];
    const double w = t1 > t0 ? (t - t0) / (t1 - t0) : 1.0;
    sum[g] += c.fraction[j] + w * (c.fraction[j + 1] - c.fraction[j]);
  }
}

}  // namespace

RecoveryCurve totalRecoveryCurve(const std::vector<RecoveryCurve>& stations) {
  RecoveryCurve out;
  std::size_t points = 0;
  double first = INFINITY, last = -INFINITY;
  for (const RecoveryCurve& c : stations) {
    points += c.hours.size();
    if (c.hours.empty()) continue;
    first = std::min(first, c.hours.front());
    last = std::max(last, c.hours.back());
  }
  if (points == 0) return out;
  if (points <= kUnionLimit) {
    for (const RecoveryCurve& c : stations)
      out.hours.insert(out.hours.end(), c.hours.begin(), c.hours.end());
  } else {
    for (std::size_t i = 0; i < kGridPoints; ++i)
      out.hours.push_back(first + (last - first) * static_cast<double>(i) / (kGridPoints - 1));
    for (const RecoveryCurve& c : stations)
      if (!c.hours.empty()) out.hours.push_back(c.hours.back());
  }
  std::sort(out.hours.begin(), out.hours.end());
  out.hours.erase(std::unique(out.hours.begin(), out.hours.end()), out.hours.end());
  out.fraction.assign(out.hours.size(), 0.0);
  for (const RecoveryCurve& c : stations) addCurve(c, out.hours, out.fraction);
  return out;
}

std::string campaignLabel(const std::string& stationFile, float distanceMetres) {
  return stationFile + " (" + fmt::general(distanceMetres, 4) + " m)";
}

}  // namespace kaldero
