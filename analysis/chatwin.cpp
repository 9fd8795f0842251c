#include "analysis/chatwin.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/units.h"
#include "numeric/line_fit.h"
#include "numeric/sample_statistics.h"

namespace kaldero {

namespace {

// Index (0-based) of the first maximum.
std::size_t firstMaximum(std::span<const float> v, int32_t n) {
  std::size_t k = 0;
  for (std::size_t i = 1; i < static_cast<std::size_t>(n); ++i)
    if (v[i] > v[k]) k = i;
  return k;
}

}  // namespace

float chatwinParameters(Notices& notices, const ChatwinInputs& in, ChatwinWork& w,
                        int32_t& nfit) {
  const auto n = static_cast<std::size_t>(in.n);
  const std::size_t p = static_cast<std::size_t>(std::max(in.peakIndex, 1) - 1);
  const float cp = in.C[p];
  const float tp = in.T[p];

  // Chatwin parameter of each sample: positive before the peak, 0 at the
  // peak concentration, negative after it.
  for (std::size_t i = 0; i < n; ++i) {
    w.P[i] = 0;
    const float t = in.T[i];
    const float c = in.C[i];
    if (t == 0 || !(c > 0) || c == cp) continue;
    const float L = std::log(in.peakParameter / (c * std::sqrt(t)));
    w.P[i] = L;
    if (L >= 0) {
      w.P[i] = std::sqrt(t) * std::sqrt(L);
      if (c < cp && t > tp) w.P[i] = -w.P[i];
    }
    // A value that is not a number (a peak parameter of 0) gives no point.
    if (!std::isfinite(w.P[i])) w.P[i] = 0;
  }
  notices.push_back({Notice::Kind::EmptyLine});

  // The fit time limit: the smallest of the half-range mean and the median
  // of the sample times and the travel time at the corrected velocity.
  const numeric::SampleStatistics times = numeric::sampleStatistics(in.T.first(n));
  const float th = (in.firstMoment / in.zerothMoment) / 86400.0f * 24.0f;
  const float tinf = in.flowZoneArrival;
  float dv = in.distance * tinf / (th * (th - tinf)) / 3600.0f;
  // Without a mean time beyond the flow-zone arrival there is no correction.
  if (!std::isfinite(dv)) dv = 0;
  const float U = in.distance / (in.velocityIntegral / in.firstMoment + dv);
  float limit = std::min(times.halfRangeMean, times.median);
  if (std::isfinite(U)) limit = std::min(limit, U);

  for (int pass = 0; pass < 2; ++pass) {
    const std::size_t imax = firstMaximum(w.P, in.n);
    nfit = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if (i < imax && in.C[i] > 0) {
        w.P[i] = 0;  // samples before the greatest parameter are discarded for good
      } else if (in.T[i] != 0 && in.C[i] > 0 && in.T[i] <= limit) {
        w.XF[static_cast<std::size_t>(nfit)] = in.T[i];
        w.YF[static_cast<std::size_t>(nfit)] = w.P[i];
        ++nfit;
      }
    }
    if (nfit >= 2 || limit == times.upperQuartile) break;
    limit = times.upperQuartile;
  }
  return dv;
}

ChatwinResults chatwinFit(Notices& notices, const ChatwinInputs& in, ChatwinWork& w,
                          int32_t nfit) {
  ChatwinResults out;
  out.fitPoints = nfit;
  if (nfit < 2) return out;
  const auto n = static_cast<std::size_t>(in.n);

  // Listed points: every sample with a parameter, and the zero of the peak
  // between positive and negative values; the first sample never.
  std::size_t K = 0;
  for (std::size_t j = 1; j < n; ++j) {
    const bool listed = w.P[j] != 0 || w.P[j - 1] > 0 || (j + 1 < n && w.P[j + 1] < 0);
    if (!listed) continue;
    w.TK[K] = units::fromSeconds(in.T[j], in.timeUnit);
    w.PK[K] = w.P[j];
    ++K;
  }
  while (K > 0 && w.PK[K - 1] > 0) --K;
  out.listed = static_cast<int32_t>(K);

  const auto fitCount = static_cast<std::size_t>(nfit);
  for (std::size_t k = 0; k < fitCount; ++k) w.XF[k] = units::fromSeconds(w.XF[k], in.timeUnit);
  LineCoefficients line;
  if (!LineFit(w.XF.first(fitCount), w.YF.first(fitCount), line) || !(line.a > 0)) return out;

  float sum = 0;
  for (std::size_t k = 0; k < K; ++k) {
    w.FK[k] = line.b * w.TK[k] + line.a;
    const float d = w.PK[k] - w.FK[k];
    sum += d * d;
  }
  out.residual = std::sqrt(sum);

  Correlation stats;
  if (nfit > 2) stats = PearsonStatistics(w.XF.first(fitCount), w.YF.first(fitCount));
  if (stats.warnings.badArgument) notices.push_back({Notice::Kind::BetaBadArgument});
  if (stats.warnings.noConvergence) notices.push_back({Notice::Kind::BetaNoConvergence});
  out.fitted = true;
  out.intercept = line.a;
  out.slope = line.b;
  out.r = stats.r;
  out.r2 = stats.r2;
  out.probability = stats.prob;
  out.z = stats.z;
  out.dispersion = (in.distance / (2 * line.a)) * (in.distance / (2 * line.a));
  return out;
}

}  // namespace kaldero
