#include "analysis/chatwin.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/units.h"
#include "numeric/line_fit.h"
#include "numeric/sample_statistics.h"

namespace kaldero {

namespace {

// Index (0-based) of the first maximum.
std::size_t firstMaximum(const std::vector<float>& v) {
  std::size_t k = 0;
  for (std::size_t i = 1; i < v.size(); ++i)
    if (v[i] > v[k]) k = i;
  return k;
}

// The fit points: times and Chatwin parameters.
struct FitPoints {
  std::vector<float> X, Y;
};

// Steps A to C: the parameter of each sample (P), the fit time limit and the
// fit points; returns the flow-zone velocity correction.
float parametersAndFitPoints(const ChatwinInputs& in, std::vector<float>& P, FitPoints& fit) {
  const std::size_t n = in.T.size();
  const std::size_t p = static_cast<std::size_t>(std::max(in.peakIndex, 1) - 1);
  const float cp = n > 0 ? in.C[p] : 0.0f;
  const float tp = n > 0 ? in.T[p] : 0.0f;

  // Chatwin parameter of each sample: positive before the peak, 0 at the
  // peak concentration, negative after it.
  P.assign(n, 0.0f);
  for (std::size_t i = 0; i < n; ++i) {
    const float t = in.T[i];
    const float c = in.C[i];
    if (t == 0 || !(c > 0) || c == cp) continue;
    const float L = std::log(in.peakParameter / (c * std::sqrt(t)));
    P[i] = L;
    if (L >= 0) {
      P[i] = std::sqrt(t) * std::sqrt(L);
      if (c < cp && t > tp) P[i] = -P[i];
    }
    // A value that is not a number (a peak parameter of 0) gives no point.
    if (!std::isfinite(P[i])) P[i] = 0;
  }

  // The fit time limit: the smallest of the half-range mean and the median
  // of the sample times and the travel time at the corrected velocity.
  const numeric::SampleStatistics times = numeric::sampleStatistics(in.T);
  const float th = (in.firstMoment / in.zerothMoment) / 86400.0f * 24.0f;
  const float tinf = in.flowZoneArrival;
  float dv = in.distance * tinf / (th * (th - tinf)) / 3600.0f;
  // Without a mean time beyond the flow-zone arrival there is no correction.
  if (!std::isfinite(dv)) dv = 0;
  const float U = in.distance / (in.velocityIntegral / in.firstMoment + dv);
  float limit = std::min(times.halfRangeMean, times.median);
  if (std::isfinite(U)) limit = std::min(limit, U);

  for (int pass = 0; pass < 2; ++pass) {
    const std::size_t imax = firstMaximum(P);
    fit.X.clear();
    fit.Y.clear();
    for (std::size_t i = 0; i < n; ++i) {
      if (i < imax && in.C[i] > 0) {
        P[i] = 0;  // samples before the greatest parameter are discarded for good
      } else if (in.T[i] != 0 && in.C[i] > 0 && in.T[i] <= limit) {
        fit.X.push_back(in.T[i]);
        fit.Y.push_back(P[i]);
      }
    }
    if (fit.X.size() >= 2 || limit == times.upperQuartile) break;
    limit = times.upperQuartile;
  }
  return dv;
}

}  // namespace

ChatwinResults chatwinMethod(const ChatwinInputs& in) {
  ChatwinResults out;
  std::vector<float> P;
  FitPoints fit;
  out.flowZoneVelocityCorrection = parametersAndFitPoints(in, P, fit);
  out.parameterNotices.push_back({Notice::Kind::EmptyLine});
  out.fitPoints = static_cast<int32_t>(fit.X.size());
  if (out.fitPoints < 2) return out;
  const std::size_t n = P.size();

  // Listed points: every sample with a parameter, and the zero of the peak
  // between positive and negative values; the first sample never.
  std::vector<float> TK, PK;
  for (std::size_t j = 1; j < n; ++j) {
    const bool listed = P[j] != 0 || P[j - 1] > 0 || (j + 1 < n && P[j + 1] < 0);
    if (!listed) continue;
    TK.push_back(units::fromSeconds(in.T[j], in.timeUnit));
    PK.push_back(P[j]);
  }
  while (!PK.empty() && PK.back() > 0) {
    PK.pop_back();
    TK.pop_back();
  }

  for (float& x : fit.X) x = units::fromSeconds(x, in.timeUnit);
  LineCoefficients line;
  if (!LineFit(fit.X, fit.Y, line) || !(line.a > 0)) return out;

  std::vector<float> FK(TK.size()), RK(TK.size());
  float sum = 0;
  for (std::size_t k = 0; k < TK.size(); ++k) {
    FK[k] = line.b * TK[k] + line.a;
    const float d = PK[k] - FK[k];
    RK[k] = d;
    sum += d * d;
  }
  out.residual = std::sqrt(sum);
  // The residual over the fit points that are among the listed points.
  float fitSum = 0;
  const std::size_t fitRows = std::min(fit.X.size(), TK.size());
  for (std::size_t k = 0; k < fitRows; ++k) fitSum += RK[k] * RK[k];
  out.fitResidual = std::sqrt(fitSum);

  Correlation stats;
  if (out.fitPoints > 2) stats = PearsonStatistics(fit.X, fit.Y);
  if (stats.warnings.badArgument) out.fitNotices.push_back({Notice::Kind::BetaBadArgument});
  if (stats.warnings.noConvergence) out.fitNotices.push_back({Notice::Kind::BetaNoConvergence});
  out.fitted = true;
  out.pointsListed = static_cast<int32_t>(TK.size());
  out.listedTimes = std::move(TK);
  out.listedParameters = std::move(PK);
  out.listedFits = std::move(FK);
  out.listedResiduals = std::move(RK);
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
