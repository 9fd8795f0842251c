#include "analysis/transit_times.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

ArrivalAndPeak arrivalAndPeak(std::span<const float> X, std::span<const float> C,
                              float flowZoneArrival) {
  ArrivalAndPeak r;
  const auto n = static_cast<int32_t>(X.size());
  for (int32_t i = 0; i < n; ++i) {
    if (C[i] > 0) {
      r.firstArrival = X[i];
      break;
    }
  }
  int32_t k = 0;
  for (int32_t i = 0; i < n; ++i)
    if (C[i] > C[k]) k = i;
  r.peakIndex = k + 1;
  r.peakConcentration = n > 0 ? C[k] : 0.0f;
  r.peakTime = (n > 0 ? X[k] : 0.0f) - 3600.0f * flowZoneArrival;
  // A flow-zone arrival after the peak leaves no time for the square root.
  r.chatwinPeak = r.peakConcentration * guard::root(r.peakTime);
  return r;
}

namespace {

float power(float x, int k) {
  float p = 1;
  for (int i = 0; i < k; ++i) p *= x;
  return p;
}

// A time in hours in the station's time unit.
float inTimeUnit(float hours, TimeUnit unit) {
  switch (unit) {
    case TimeUnit::Days: return hours / 24.0f;
    case TimeUnit::Minutes: return hours * 60.0f;
    case TimeUnit::Seconds: return hours * 3600.0f;
    default: return hours;
  }
}

}  // namespace

std::optional<TransitTimes> transitTimes(const AnalysisInputs& in, std::span<const float> X,
                                         std::span<const float> F, const ArrivalAndPeak& peak,
                                         const MassRecovery& mass) {
  const ReleaseMode mode = in.release.mode;
  const bool instantaneous = mode == ReleaseMode::Instantaneous;
  const bool pulseMode = mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float tp = peak.peakTime;
  const float M = mass.mass.micrograms;
  const float R1 = mass.firstMoment;
  if (M == 0) return std::nullopt;
  TransitTimes r;
  const auto n = static_cast<int32_t>(X.size());

  const bool loadMoments = instantaneous || (pulseMode && 0.5f * tp / 3600.0f > Td);
  float meanSeconds = loadMoments ? R1 / M : R1;
  // A first moment of 0 from a curve with tracer after the release is one
  // that fell below the smallest numbers of single precision (times of
  // 1e-30 h): the mean time is not 0 but beyond the program's numbers.
  if (loadMoments && R1 == 0) {
    for (int32_t i = 0; i < n; ++i)
      if (X[i] != 0 && F[i] != 0) meanSeconds = std::numeric_limits<float>::quiet_NaN();
  }
  const float days = meanSeconds / 86400.0f;
  const float th = days * 24.0f;  // uncorrected mean time, hours
  const float minutes = th * 60.0f;

  const bool pulse = instantaneous || (pulseMode && Td < th);
  const int32_t k = peak.peakIndex;
  const float cp = peak.peakConcentration;
  // The shortfall below the peak of a long release.
  auto shortfall = [&](int32_t i) { return 1.0f - guard::quotient(F[i], cp); };
  auto hours = [&](int32_t i) { return X[i] / 3600.0f; };
  // Each integral resets the limits-warning indicator before it is taken,
  // so the step leaves the code of its last one.
  auto integral = [&](int32_t m, const std::function<float(int32_t)>& value) {
    std::vector<float> W(static_cast<std::size_t>(std::max(m, 0)));
    for (int32_t i = 0; i < m; ++i) W[i] = value(i);
    const Integral result = integrate(r.notices, m, X, W, mass.momentLimits, in.setup.wideSums);
    r.limitsWarning = result.limitsWarning();
    return result.value;
  };

  if (pulse) {
    r.zerothMoment = integral(n, [&](int32_t i) { return F[i]; });
    const float m2 = integral(n, [&](int32_t i) { return F[i] * power(hours(i) - th, 2); });
    r.variance = guard::quotient(m2, r.zerothMoment);
  } else {
    r.longReleaseMoment = integral(k, [&](int32_t i) { return shortfall(i) * hours(i); });
    r.variance = 2.0f * r.longReleaseMoment / 3600.0f - th * th;
  }
  // A variance that comes out negative has no standard deviation.
  const float sigma = guard::root(r.variance);

  if (in.test.normalizedOption != Option::Off) {
    float mu3 = 0, mu4 = 0, norm = 0;
    if (pulse) {
      mu3 = integral(n, [&](int32_t i) { return F[i] * power(hours(i) - th, 3); });
      mu4 = integral(n, [&](int32_t i) { return F[i] * power(hours(i) - th, 4); });
      norm = r.zerothMoment;
    } else {
      // Moments of a step response: E[t^j] = j * integral of t^(j-1) times
      // the shortfall, in hours; central moments from the raw ones.
      const float m1 = th;
      const float m2 = 2.0f * r.longReleaseMoment / 3600.0f;
      const float m3 =
          3.0f / 3600.0f * integral(k, [&](int32_t i) { return shortfall(i) * power(hours(i), 2); });
      const float m4 =
          4.0f / 3600.0f * integral(k, [&](int32_t i) { return shortfall(i) * power(hours(i), 3); });
      mu3 = m3 - 3.0f * m1 * m2 + 2.0f * power(m1, 3);
      mu4 = m4 - 4.0f * m1 * m3 + 6.0f * m1 * m1 * m2 - 3.0f * power(m1, 4);
      norm = 1.0f;
    }
    const float s3 = power(sigma, 3) * norm;
    const float s4 = power(sigma, 4) * norm;
    r.skewness = guard::quotient(mu3, s3);
    r.kurtosis = s4 != 0 ? guard::quotient(mu4, s4) - 3.0f : 0.0f;
  }

  // Corrected by the flow-zone arrival time.
  const float tf = in.release.flowZoneArrivalHours;
  r.meanTime = {days - tf / 24.0f, th - tf, minutes - 60.0f * tf};
  r.infiltrationExceedsMean = !(r.meanTime.days > 0);
  r.varianceUnits = {r.variance / 576.0f, r.variance, r.variance * 3600.0f};
  r.standardDeviation = {sigma / 24.0f, sigma, sigma * 60.0f};
  r.meanTimeInTimeUnit = inTimeUnit(r.meanTime.hours, in.test.timeUnit);
  r.standardDeviationInTimeUnit = inTimeUnit(sigma, in.test.timeUnit);
  return r;
}

}  // namespace kaldero
