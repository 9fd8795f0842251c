#include "analysis/transit_times.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

void firstArrivalAndPeak(AnalysisResults& r, int32_t n, std::span<const float> X,
                         std::span<const float> C, float flowZoneArrival) {
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
  r.peakConcentration = C[k];
  r.peakTime = X[k] - 3600.0f * flowZoneArrival;
  // A flow-zone arrival after the peak leaves no time for the square root.
  r.chatwinPeak = r.peakConcentration * guard::root(r.peakTime);
}

namespace {

// The integral of weight(i) * F(i) over the first m samples, with the
// derivatives cleared and the limits warning reset first.
float weightedIntegral(Notices& notices, AnalysisResults& r, const AnalysisInputs& in, int32_t m,
                       std::span<const float> X, std::span<float> D,
                       const std::function<float(int32_t)>& value) {
  std::vector<float> W(static_cast<std::size_t>(std::max(m, 0)));
  for (int32_t i = 0; i < m; ++i) W[i] = value(i);
  std::fill(D.begin(), D.end(), 0.0f);
  r.limitsWarning = 0;
  int32_t ierr = 0;
  return integrateInterpolant(notices, r, m, X.data(), W.data(), D.data(), in.spline, ierr);
}

float power(float x, int k) {
  float p = 1;
  for (int i = 0; i < k; ++i) p *= x;
  return p;
}

}  // namespace

bool transitTimes(Notices& notices, AnalysisResults& r, const AnalysisInputs& in, int32_t n,
                  std::span<const float> X, std::span<const float> F, std::span<float> D) {
  const ReleaseMode mode = in.release.mode;
  const bool instantaneous = mode == ReleaseMode::Instantaneous;
  const bool pulseMode = mode == ReleaseMode::Pulse;
  const float Td = in.release.durationHours;
  const float tp = r.peakTime;
  const float M = r.recoveredMass;
  const float R1 = r.firstMoment;
  r.variance = 0;
  r.standardDeviation = 0;
  if (M == 0) return false;

  const float meanSeconds =
      (instantaneous || (pulseMode && 0.5f * tp / 3600.0f > Td)) ? R1 / M : R1;
  r.meanTimeDays = meanSeconds / 86400.0f;
  r.meanTimeHours = r.meanTimeDays * 24.0f;
  r.meanTimeMinutes = r.meanTimeHours * 60.0f;
  const float th = r.meanTimeHours;  // uncorrected mean time, hours

  const bool pulse = instantaneous || (pulseMode && Td < th);
  const int32_t k = r.peakIndex;
  const float cp = r.peakConcentration;
  // The shortfall below the peak of a long release.
  auto shortfall = [&](int32_t i) { return 1.0f - guard::quotient(F[i], cp); };
  auto hours = [&](int32_t i) { return X[i] / 3600.0f; };
  auto integral = [&](int32_t m, const std::function<float(int32_t)>& value) {
    return weightedIntegral(notices, r, in, m, X, D, value);
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
  r.standardDeviation = sigma;

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

  const float tf = in.release.flowZoneArrivalHours;
  r.meanTimeDays -= tf / 24.0f;
  r.meanTimeHours -= tf;
  r.meanTimeMinutes -= 60.0f * tf;
  return true;
}

}  // namespace kaldero
