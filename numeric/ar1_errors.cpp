#include "numeric/ar1_errors.h"

#include <algorithm>
#include <boost/math/tools/minima.hpp>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace kaldero::numeric {

Ar1Errors::Ar1Errors(std::span<const double> times) {
  for (std::size_t i = 1; i < times.size(); ++i) spacing_.push_back(times[i] - times[i - 1]);
  if (!spacing_.empty()) {
    std::vector<double> sorted = spacing_;
    const std::size_t mid = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(mid),
                     sorted.end());
    median_ = sorted[mid];
    if (sorted.size() % 2 == 0) {
      const double below = *std::max_element(sorted.begin(),
                                              sorted.begin() + static_cast<std::ptrdiff_t>(mid));
      median_ = 0.5 * (median_ + below);
    }
  }
  rho_.assign(spacing_.size(), 0.0);
  c_.assign(spacing_.size(), 1.0);
  drho_.assign(spacing_.size(), 0.0);
}

void Ar1Errors::setCorrelationTime(double tau) {
  tau_ = tau > 0 ? tau : 0;
  logDet_ = 0;
  double dLogDet = 0, logOneMinus = 0, dLogDetStep = 0;
  for (std::size_t i = 0; i < spacing_.size(); ++i) {
    // A spacing equal to the one before (a logger's fixed interval) has
    // its values: no transcendental functions again.
    if (i > 0 && spacing_[i] == spacing_[i - 1]) {
      rho_[i] = rho_[i - 1];
      c_[i] = c_[i - 1];
      drho_[i] = drho_[i - 1];
      logDet_ += logOneMinus;
      dLogDet += dLogDetStep;
      continue;
    }
    const double rho = tau_ > 0 ? std::exp(-spacing_[i] / tau_) : 0.0;
    // 1 - rho^2 without losing digits when rho is close to 1.
    const double oneMinus = tau_ > 0 ? -std::expm1(-2 * spacing_[i] / tau_) : 1.0;
    rho_[i] = rho;
    c_[i] = 1 / std::sqrt(oneMinus);
    // d rho / d ln tau = rho Delta / tau.
    drho_[i] = tau_ > 0 ? rho * spacing_[i] / tau_ : 0.0;
    logOneMinus = std::log(oneMinus);
    dLogDetStep = -2 * rho * drho_[i] / oneMinus;
    logDet_ += logOneMinus;
    dLogDet += dLogDetStep;
  }
  const double n = static_cast<double>(size());
  g_ = std::exp(logDet_ / (2 * n));
  dLogG_ = dLogDet / (2 * n);
}

void Ar1Errors::setLag1(double phi) {
  setCorrelationTime(phi > 0 && phi < 1 && median_ > 0 ? -median_ / std::log(phi) : 0.0);
}

double Ar1Errors::lag1() const { return tau_ > 0 && median_ > 0 ? std::exp(-median_ / tau_) : 0; }

void Ar1Errors::whiten(std::span<const double> e, std::span<double> r) const {
  if (e.empty()) return;
  r[0] = g_ * e[0];
  for (std::size_t i = 1; i < e.size(); ++i)
    r[i] = g_ * c_[i - 1] * (e[i] - rho_[i - 1] * e[i - 1]);
}

void Ar1Errors::whitenedDerivative(std::span<const double> e, std::span<double> out) const {
  if (e.empty()) return;
  // r_i = g c_i (e_i - rho_i e_(i-1)); with c = (1 - rho^2)^(-1/2),
  // dc/drho = rho c^3:
  // dr_i = dg/dlnt c_i w~ + g [rho_i c_i^3 w~ - c_i e_(i-1)] drho_i.
  out[0] = g_ * dLogG_ * e[0];
  for (std::size_t i = 1; i < e.size(); ++i) {
    const std::size_t k = i - 1;
    const double innovation = e[i] - rho_[k] * e[i - 1];
    out[i] = g_ * (dLogG_ * c_[k] * innovation +
                   (rho_[k] * c_[k] * c_[k] * c_[k] * innovation - c_[k] * e[i - 1]) * drho_[k]);
  }
}

void Ar1Errors::colour(std::span<const double> w, std::span<double> e) const {
  if (w.empty()) return;
  e[0] = w[0];
  for (std::size_t i = 1; i < w.size(); ++i) e[i] = rho_[i - 1] * e[i - 1] + w[i] / c_[i - 1];
}

void Ar1Errors::whitenTransposed(std::span<const double> j, std::span<double> x) const {
  const std::size_t n = j.size();
  if (n == 0) return;
  for (std::size_t k = 0; k < n; ++k) {
    x[k] = g_ * (k == 0 ? 1.0 : c_[k - 1]) * j[k];
    if (k + 1 < n) x[k] -= g_ * c_[k] * rho_[k] * j[k + 1];
  }
}

void Ar1Errors::correlate(std::span<const double> j, std::span<double> x) const {
  const std::size_t n = j.size();
  if (n == 0) return;
  // W^T is upper bidiagonal: diagonal c_i (c for the first sample 1), above
  // it -c_(i+1) rho_(i+1).
  auto diagonal = [&](std::size_t i) { return i == 0 ? 1.0 : c_[i - 1]; };
  x[n - 1] = j[n - 1] / diagonal(n - 1);
  for (std::size_t i = n - 1; i-- > 0;) x[i] = (j[i] + c_[i] * rho_[i] * x[i + 1]) / diagonal(i);
}

double Ar1Errors::fitLag1(std::span<const double> e, const Eigen::MatrixXd* X) {
  const std::size_t size = e.size();
  const Eigen::Index k = X ? X->cols() : 0;
  const double n = static_cast<double>(size) - static_cast<double>(k);
  Eigen::MatrixXd WX(X ? X->rows() : 0, k), gram(k, k);
  auto objective = [&](double phi) {
    setLag1(phi);
    const double S = whitenedSumOfSquares(e);
    if (!(S > 0)) return std::numeric_limits<double>::infinity();
    double value = n * std::log(S) + logDet_;
    if (X) {
      // g^2 |w|^2 of each column; g cancels against the log-determinant's
      // share: ln det((W X)^T (W X)) = ln det((g W X)^T (g W X)) - 2k ln g.
      for (Eigen::Index j = 0; j < k; ++j)
        whiten(std::span<const double>(X->col(j).data(), size),
               std::span<double>(WX.col(j).data(), size));
      // The normal matrix's lower half (symmetric: half the products).
      gram.setZero();
      gram.selfadjointView<Eigen::Lower>().rankUpdate(WX.transpose());
      const Eigen::LDLT<Eigen::MatrixXd, Eigen::Lower> ldlt(gram);
      if (ldlt.info() != Eigen::Success) return std::numeric_limits<double>::infinity();
      const Eigen::VectorXd d = ldlt.vectorD();
      if (!(d.minCoeff() > 0)) return std::numeric_limits<double>::infinity();
      value += d.array().log().sum() - 2 * static_cast<double>(k) * std::log(g_);
    }
    return value;
  };
  static constexpr double kGrid[] = {0,   0.1, 0.2, 0.3,  0.4,  0.5,   0.6,   0.7,
                                     0.8, 0.9, 0.95, 0.99, 0.999, 0.9999};
  constexpr std::size_t kPoints = std::size(kGrid);
  std::size_t best = 0;
  double bestValue = objective(kGrid[0]);
  for (std::size_t k = 1; k < kPoints; ++k) {
    const double v = objective(kGrid[k]);
    if (v < bestValue) bestValue = v, best = k;
  }
  // Brent's method in the grid's bracket of the minimum (parabolic steps
  // where they hold, golden sections where not), to half the digits of a
  // double: a minimum is not located any closer.
  std::uintmax_t steps = 60;
  double phi = boost::math::tools::brent_find_minima(
                   objective, kGrid[best > 0 ? best - 1 : 0],
                   kGrid[std::min(best + 1, kPoints - 1)],
                   std::numeric_limits<double>::digits / 2, steps)
                   .first;
  if (objective(phi) > bestValue) phi = kGrid[best];
  setLag1(phi);
  return phi;
}

double Ar1Errors::whitenedSumOfSquares(std::span<const double> e) const {
  if (e.empty()) return 0;
  double s = e[0] * e[0];
  for (std::size_t i = 1; i < e.size(); ++i) {
    const double w = c_[i - 1] * (e[i] - rho_[i - 1] * e[i - 1]);
    s += w * w;
  }
  return s;
}

double Ar1Errors::minusTwoLogLikelihood(std::span<const double> e, double floor) const {
  const double n = static_cast<double>(e.size());
  constexpr double kTwoPi = 6.283185307179586;
  return n * std::log(kTwoPi * std::max(whitenedSumOfSquares(e), floor) / n) + logDet_ + n;
}

double Ar1Errors::effectiveSamples() const {
  double n = 1;
  for (double rho : rho_) n += (1 - rho) / (1 + rho);
  return n;
}

double durbinWatson(std::span<const double> e) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < e.size(); ++i) {
    den += e[i] * e[i];
    if (i > 0) num += (e[i] - e[i - 1]) * (e[i] - e[i - 1]);
  }
  return e.size() > 1 && den > 0 ? num / den : 0;
}

double lag1Autocorrelation(std::span<const double> e) {
  double num = 0, den = 0;
  for (std::size_t i = 0; i < e.size(); ++i) {
    den += e[i] * e[i];
    if (i > 0) num += e[i] * e[i - 1];
  }
  return e.size() > 1 && den > 0 ? num / den : 0;
}

}  // namespace kaldero::numeric
