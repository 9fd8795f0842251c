#include "analysis/campaign.h"

#include <algorithm>
#include <cmath>

namespace kaldero {

RecoveryCurve stationRecoveryCurve(std::span<const float> T, std::span<const float> cumulative,
                                   float injected) {
  RecoveryCurve out;
  if (!(injected > 0) || T.size() != cumulative.size()) return out;
  // ug to mg, then the share of the injected mass.
  const double mg = static_cast<double>(injected);
  for (std::size_t i = 0; i < T.size(); ++i) {
    out.hours.push_back(static_cast<double>(T[i]) / 3600.0);
    out.fraction.push_back(static_cast<double>(cumulative[i]) / 1000.0 / mg);
  }
  return out;
}

namespace {

// The curve's value at time t: 0 before it, linear between its points,
// its last value after it.
double valueAt(const RecoveryCurve& c, double t) {
  if (c.hours.empty() || t < c.hours.front()) return 0.0;
  if (t >= c.hours.back()) return c.fraction.back();
  const auto it = std::upper_bound(c.hours.begin(), c.hours.end(), t);
  const std::size_t j = static_cast<std::size_t>(it - c.hours.begin());
  const double t0 = c.hours[j - 1], t1 = c.hours[j];
  const double w = t1 > t0 ? (t - t0) / (t1 - t0) : 1.0;
  return c.fraction[j - 1] + w * (c.fraction[j] - c.fraction[j - 1]);
}

}  // namespace

RecoveryCurve totalRecoveryCurve(const std::vector<RecoveryCurve>& stations) {
  RecoveryCurve out;
  for (const RecoveryCurve& c : stations)
    out.hours.insert(out.hours.end(), c.hours.begin(), c.hours.end());
  std::sort(out.hours.begin(), out.hours.end());
  out.hours.erase(std::unique(out.hours.begin(), out.hours.end()), out.hours.end());
  out.fraction.reserve(out.hours.size());
  for (double t : out.hours) {
    double sum = 0;
    for (const RecoveryCurve& c : stations) sum += valueAt(c, t);
    out.fraction.push_back(sum);
  }
  return out;
}

}  // namespace kaldero
