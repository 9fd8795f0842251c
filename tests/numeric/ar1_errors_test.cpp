// The AR(1) error model against the Gaussian likelihood with the full
// covariance matrix, its derivative, the innovations it recovers, and the
// block bootstrap's block length, resamples and quantiles.
#include "numeric/ar1_errors.h"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <set>
#include <vector>

#include "numeric/resampling.h"

namespace kaldero::numeric {
namespace {

// Uneven times: gaps of 1 to 5 units.
std::vector<double> unevenTimes(int n, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::uniform_real_distribution<double> gap(1, 5);
  std::vector<double> t{0};
  for (int i = 1; i < n; ++i) t.push_back(t.back() + gap(rng));
  return t;
}

TEST(Ar1Errors, LikelihoodIsTheGaussianOneWithTheFullCovariance) {
  const std::vector<double> t = unevenTimes(60, 3);
  std::mt19937_64 rng(4);
  std::normal_distribution<double> z(0, 2);
  std::vector<double> e(t.size());
  for (double& x : e) x = z(rng);
  Ar1Errors ar(t);
  for (double tau : {0.5, 3.0, 40.0}) {
    ar.setCorrelationTime(tau);
    const Eigen::Index n = static_cast<Eigen::Index>(t.size());
    Eigen::MatrixXd R(n, n);
    for (Eigen::Index i = 0; i < n; ++i)
      for (Eigen::Index j = 0; j < n; ++j) R(i, j) = std::exp(-std::fabs(t[i] - t[j]) / tau);
    const Eigen::Map<const Eigen::VectorXd> ev(e.data(), n);
    const Eigen::LLT<Eigen::MatrixXd> llt(R);
    const double quadratic = ev.dot(llt.solve(ev));
    double logDet = 0;
    for (Eigen::Index i = 0; i < n; ++i) logDet += 2 * std::log(llt.matrixL()(i, i));
    EXPECT_NEAR(ar.logDeterminant(), logDet, 1e-9) << tau;
    EXPECT_NEAR(ar.whitenedSumOfSquares(e), quadratic, 1e-9 * quadratic) << tau;
    // sigma^2 profiled out.
    const double sigma2 = quadratic / static_cast<double>(n);
    const double expected =
        static_cast<double>(n) * std::log(2 * std::numbers::pi * sigma2) + logDet + static_cast<double>(n);
    EXPECT_NEAR(ar.minusTwoLogLikelihood(e), expected, 1e-9 * std::fabs(expected)) << tau;
    // The scaled whitened residuals: their sum of squares is what the fit
    // minimises, |w|^2 prod(1 - rho^2)^(1/n).
    std::vector<double> r(e.size());
    ar.whiten(e, r);
    double s = 0;
    for (double x : r) s += x * x;
    EXPECT_NEAR(s, quadratic * std::exp(logDet / static_cast<double>(n)), 1e-9 * s) << tau;
  }
}

TEST(Ar1Errors, CorrelatedQuadraticFormAndTheTwoStepEstimate) {
  const std::vector<double> t = unevenTimes(50, 8);
  Ar1Errors ar(t);
  const double tau = 6;
  ar.setCorrelationTime(tau);
  const Eigen::Index n = static_cast<Eigen::Index>(t.size());
  Eigen::MatrixXd R(n, n);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index j = 0; j < n; ++j) R(i, j) = std::exp(-std::fabs(t[i] - t[j]) / tau);
  std::vector<double> a(t.size()), b(t.size()), xa(t.size()), xb(t.size());
  for (std::size_t i = 0; i < t.size(); ++i) {
    a[i] = std::cos(0.1 * t[i]);
    b[i] = 1.0 / (1 + static_cast<double>(i));
  }
  ar.correlate(a, xa);
  ar.correlate(b, xb);
  const Eigen::Map<const Eigen::VectorXd> va(a.data(), n), vb(b.data(), n);
  double dot = 0;
  for (std::size_t i = 0; i < t.size(); ++i) dot += xa[i] * xb[i];
  EXPECT_NEAR(dot, va.dot(R * vb), 1e-9 * std::fabs(va.dot(R * vb)));

  // The coefficient alone, on a long series, by maximum likelihood: on the
  // grid's bracket and refined, the best of the likelihood.
  const double phi = 0.8;
  std::vector<double> even, e;
  std::mt19937_64 rng(17);
  std::normal_distribution<double> z(0, 1);
  double x = z(rng) / std::sqrt(1 - phi * phi);
  for (int i = 0; i < 5000; ++i) {
    if (i > 0) x = phi * x + z(rng);
    even.push_back(3.0 * i);
    e.push_back(x);
  }
  Ar1Errors fitted(even);
  const double estimate = fitted.fitLag1(e);
  EXPECT_NEAR(estimate, phi, 0.02);
  EXPECT_NEAR(fitted.lag1(), estimate, 1e-15);
  const double best = fitted.minusTwoLogLikelihood(e);
  for (double other : {estimate - 0.01, estimate + 0.01}) {
    fitted.setLag1(other);
    EXPECT_GT(fitted.minusTwoLogLikelihood(e), best);
  }
  // White noise: near 0.
  std::vector<double> white;
  for (int i = 0; i < 5000; ++i) white.push_back(z(rng));
  EXPECT_LT(fitted.fitLag1(white), 0.05);
}

TEST(Ar1Errors, RestrictedLikelihoodRemovesTheBiasOfFittedResiduals) {
  // Residuals of a quadratic fitted to short AR(1) series: their plain
  // maximum-likelihood coefficient is biased low, the restricted one far
  // less.
  const double phi = 0.8;
  const int n = 100, series = 300;
  std::mt19937_64 rng(23);
  std::normal_distribution<double> z(0, 1);
  std::vector<double> t;
  Eigen::MatrixXd X(n, 3);
  for (int i = 0; i < n; ++i) {
    t.push_back(i);
    const double u = (i - 50.0) / 50;
    X(i, 0) = 1, X(i, 1) = u, X(i, 2) = u * u;
  }
  const Eigen::MatrixXd hat = X * (X.transpose() * X).inverse() * X.transpose();
  double plain = 0, restricted = 0;
  Ar1Errors ar(t);
  for (int k = 0; k < series; ++k) {
    Eigen::VectorXd e(n);
    double x = z(rng) / std::sqrt(1 - phi * phi);
    for (int i = 0; i < n; ++i) {
      if (i > 0) x = phi * x + z(rng);
      e(i) = x;
    }
    const Eigen::VectorXd residuals = e - hat * e;
    const std::span<const double> r(residuals.data(), n);
    plain += ar.fitLag1(r);
    restricted += ar.fitLag1(r, &X);
  }
  plain /= series;
  restricted /= series;
  EXPECT_LT(plain, phi - 0.05);
  EXPECT_NEAR(restricted, phi, 0.025);
}

// The restricted estimate is the minimum of the restricted criterion
//   (n - k) ln(e^T R^-1 e) + ln det R + ln det(X^T R^-1 X),
// R_ij = phi^(|t_i - t_j| / median spacing), computed here with the dense
// matrix and minimised by the test's own fine search; on times of a fixed
// interval in runs (the same spacing again and again) and uneven gaps.
TEST(Ar1Errors, TheRestrictedEstimateIsTheMinimumOfItsCriterion) {
  std::vector<double> t{0};
  std::mt19937_64 rng(41);
  std::uniform_real_distribution<double> gap(1, 5);
  for (int i = 1; i < 90; ++i) t.push_back(t.back() + (i < 40 ? 2.0 : i < 60 ? gap(rng) : 3.0));
  const int n = static_cast<int>(t.size());
  std::vector<double> spacings;
  for (int i = 1; i < n; ++i) spacings.push_back(t[i] - t[i - 1]);
  std::sort(spacings.begin(), spacings.end());
  const std::size_t mid = spacings.size() / 2;
  const double median =
      spacings.size() % 2 ? spacings[mid] : 0.5 * (spacings[mid] + spacings[mid - 1]);
  Eigen::MatrixXd X(n, 3);
  for (int i = 0; i < n; ++i) {
    const double u = t[i] / t.back();
    X(i, 0) = 1, X(i, 1) = u, X(i, 2) = std::exp(-20 * (u - 0.4) * (u - 0.4));
  }
  for (const double phi : {0.3, 0.85}) {
    std::normal_distribution<double> z(0, 1);
    Eigen::VectorXd e(n);
    double x = z(rng);
    for (int i = 0; i < n; ++i) {
      if (i > 0) {
        const double r = std::pow(phi, (t[i] - t[i - 1]) / median);
        x = r * x + std::sqrt(1 - r * r) * z(rng);
      }
      e(i) = x;
    }
    auto criterion = [&](double p) {
      Eigen::MatrixXd R(n, n);
      for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) R(i, j) = std::pow(p, std::abs(t[i] - t[j]) / median);
      const Eigen::LLT<Eigen::MatrixXd> llt(R);
      const Eigen::MatrixXd L = llt.matrixL();
      const double logDetR = 2 * L.diagonal().array().log().sum();
      const Eigen::MatrixXd RiX = llt.solve(X);
      const Eigen::LLT<Eigen::MatrixXd> xrx(X.transpose() * RiX);
      const Eigen::MatrixXd Lx = xrx.matrixL();
      return (n - 3) * std::log(e.dot(llt.solve(e))) + logDetR +
             2 * Lx.diagonal().array().log().sum();
    };
    double best = 0.01, bestValue = criterion(best);
    for (double p = 0.01; p < 0.99; p += 0.005)
      if (const double v = criterion(p); v < bestValue) best = p, bestValue = v;
    double a = best - 0.005, b = best + 0.005;
    for (int k = 0; k < 60; ++k) {
      const double m1 = a + (b - a) / 3, m2 = b - (b - a) / 3;
      if (criterion(m1) < criterion(m2))
        b = m2;
      else
        a = m1;
    }
    Ar1Errors ar(t);
    const double estimate = ar.fitLag1(std::span<const double>(e.data(), n), &X);
    EXPECT_NEAR(estimate, 0.5 * (a + b), 1e-6) << phi;
    EXPECT_NEAR(ar.lag1(), estimate, 1e-12);
  }
}

TEST(Ar1Errors, DerivativeByTheLogCorrelationTime) {
  const std::vector<double> t = unevenTimes(40, 5);
  std::vector<double> e(t.size());
  for (std::size_t i = 0; i < e.size(); ++i) e[i] = std::sin(0.3 * t[i]) + 0.1 * static_cast<double>(i % 3);
  Ar1Errors ar(t), up(t), down(t);
  const double tau = 4, h = 1e-6;
  ar.setCorrelationTime(tau);
  up.setCorrelationTime(tau * std::exp(h));
  down.setCorrelationTime(tau * std::exp(-h));
  std::vector<double> d(e.size()), ru(e.size()), rd(e.size());
  ar.whitenedDerivative(e, d);
  up.whiten(e, ru);
  down.whiten(e, rd);
  for (std::size_t i = 0; i < e.size(); ++i) EXPECT_NEAR(d[i], (ru[i] - rd[i]) / (2 * h), 1e-6) << i;
}

TEST(Ar1Errors, RecoversTheInnovationsAndTheCoefficientOfAnEvenSeries) {
  // e_i = phi e_(i-1) + u_i on an even spacing of 2 units.
  const double phi = 0.8;
  const int n = 20000;
  std::vector<double> t, e, u;
  std::mt19937_64 rng(11);
  std::normal_distribution<double> z(0, 1);
  double x = z(rng) / std::sqrt(1 - phi * phi);
  for (int i = 0; i < n; ++i) {
    const double ui = z(rng);
    if (i > 0) x = phi * x + ui;
    t.push_back(2.0 * i);
    e.push_back(x);
    u.push_back(ui);
  }
  Ar1Errors ar(t);
  EXPECT_EQ(ar.medianSpacing(), 2);
  ar.setLag1(phi);
  EXPECT_NEAR(ar.lag1(), phi, 1e-15);
  EXPECT_NEAR(ar.correlationTime(), -2 / std::log(phi), 1e-12);
  std::vector<double> r(e.size());
  ar.whiten(e, r);
  const double g = std::exp(ar.logDeterminant() / (2 * n));
  for (int i = 1; i < 50; ++i) EXPECT_NEAR(r[i] / g, u[i] / std::sqrt(1 - phi * phi), 1e-12);
  // The likelihood is largest near the true coefficient.
  double best = 0, bestValue = 1e300;
  for (double p = 0.70; p <= 0.90; p += 0.002) {
    ar.setLag1(p);
    const double v = ar.minusTwoLogLikelihood(e);
    if (v < bestValue) bestValue = v, best = p;
  }
  EXPECT_NEAR(best, phi, 0.01);
  ar.setLag1(phi);
  EXPECT_NEAR(ar.effectiveSamples() / (n * (1 - phi) / (1 + phi)), 1, 1e-3);
  // The statistics of the raw series.
  EXPECT_NEAR(lag1Autocorrelation(e), phi, 0.01);
  EXPECT_NEAR(durbinWatson(e), 2 * (1 - phi), 0.02);
}

// Colouring is the inverse of whitening (up to the likelihood's factor g):
// innovations coloured and whitened again come back; a long coloured series
// has unit variance and the lag-1 coefficient of its spacing.
TEST(Ar1Errors, ColouredInnovationsWhitenBackAndHaveTheProcessesMoments) {
  const std::vector<double> t = unevenTimes(200, 5);
  Ar1Errors ar(t);
  ar.setCorrelationTime(6);
  std::mt19937_64 rng(17);
  std::normal_distribution<double> z(0, 1);
  std::vector<double> w(t.size()), e(t.size()), back(t.size());
  for (double& x : w) x = z(rng);
  ar.colour(w, e);
  ar.whiten(e, back);
  const double g = back[0] / w[0];
  for (std::size_t i = 0; i < t.size(); ++i) EXPECT_NEAR(back[i], g * w[i], 1e-12);
  // W^T is the transpose of the whitening: (W^T j).e = j.(W e).
  std::vector<double> j(t.size()), wt(t.size());
  for (double& x : j) x = z(rng);
  ar.whitenTransposed(j, wt);
  double left = 0, right = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    left += wt[i] * e[i];
    right += j[i] * back[i];
  }
  EXPECT_NEAR(left, right, 1e-10 * std::abs(right) + 1e-12);
  std::vector<double> even(200000);
  for (std::size_t i = 0; i < even.size(); ++i) even[i] = static_cast<double>(i);
  Ar1Errors process(even);
  process.setLag1(0.8);
  std::vector<double> white(even.size()), series(even.size());
  for (double& x : white) x = z(rng);
  process.colour(white, series);
  double s2 = 0, s11 = 0;
  for (std::size_t i = 0; i < series.size(); ++i) {
    s2 += series[i] * series[i];
    if (i > 0) s11 += series[i] * series[i - 1];
  }
  EXPECT_NEAR(s2 / static_cast<double>(series.size()), 1.0, 0.02);
  EXPECT_NEAR(s11 / s2, 0.8, 0.01);
}

TEST(Ar1Errors, IndependentErrorsInTheLimit) {
  const std::vector<double> t{0, 1, 3, 4};
  const std::vector<double> e{1, -2, 0.5, 3};
  Ar1Errors ar(t);
  ar.setCorrelationTime(0);
  std::vector<double> r(e.size());
  ar.whiten(e, r);
  for (std::size_t i = 0; i < e.size(); ++i) EXPECT_EQ(r[i], e[i]);
  EXPECT_EQ(ar.logDeterminant(), 0);
  EXPECT_EQ(ar.lag1(), 0);
  EXPECT_EQ(ar.effectiveSamples(), 4);
  EXPECT_EQ(durbinWatson(std::vector<double>{1.0}), 0);
  EXPECT_EQ(lag1Autocorrelation(std::vector<double>(5, 0.0)), 0);
}

TEST(Ar1Sieve, ResamplesKeepTheVarianceAndTheCorrelationOfTheProcess) {
  // A long AR(1) series of lag-1 0.8 on an even spacing: the resamples
  // rebuilt from its innovations have its variance and its lag-1 and
  // lag-5 correlations (0.8, 0.33); blocks or single residuals would lose
  // the correlation beyond a block or at once.
  const std::size_t n = 20000;
  std::mt19937_64 gen(5);
  std::normal_distribution<double> z(0, 1);
  const double phi = 0.8;
  std::vector<double> t(n), u(n);
  for (std::size_t i = 0; i < n; ++i) {
    t[i] = 60.0 * static_cast<double>(i);
    u[i] = i == 0 ? z(gen) : phi * u[i - 1] + std::sqrt(1 - phi * phi) * z(gen);
  }
  const Ar1Sieve sieve(t, u, -60 / std::log(phi));
  std::mt19937_64 a(42), b(42), c(43);
  std::vector<double> r(n), again(n), other(n);
  sieve.resample(a, r);
  sieve.resample(b, again);
  sieve.resample(c, other);
  EXPECT_EQ(r, again);  // the seed repeats it
  EXPECT_NE(r, other);
  auto lag = [&](int k) {
    double s = 0, v = 0;
    for (std::size_t i = 0; i < n; ++i) v += r[i] * r[i];
    for (std::size_t i = static_cast<std::size_t>(k); i < n; ++i) s += r[i] * r[i - static_cast<std::size_t>(k)];
    return s / v;
  };
  double variance = 0;
  for (double x : r) variance += x * x;
  EXPECT_NEAR(variance / static_cast<double>(n), 1.0, 0.06);
  EXPECT_NEAR(lag(1), 0.8, 0.02);
  EXPECT_NEAR(lag(5), std::pow(0.8, 5), 0.04);
}

TEST(Ar1Sieve, WithoutCorrelationItIsThePlainResidualBootstrap) {
  const std::vector<double> t{0, 1, 2, 3, 4}, u{1, -2, 3, -4, 2};
  const Ar1Sieve sieve(t, u, 0);
  std::mt19937_64 rng(1);
  std::vector<double> r(5);
  std::set<double> seen;
  for (int k = 0; k < 50; ++k) {
    sieve.resample(rng, r);
    seen.insert(r.begin(), r.end());
  }
  // The residuals, centred (their mean 0 here), and nothing else.
  EXPECT_EQ(seen, (std::set<double>{-4, -2, 1, 2, 3}));
}

TEST(BlockBootstrap, EmpiricalQuantiles) {
  const std::vector<double> v{5, 1, 4, 2, 3};
  EXPECT_EQ(empiricalQuantile(v, 0), 1);
  EXPECT_EQ(empiricalQuantile(v, 1), 5);
  EXPECT_EQ(empiricalQuantile(v, 0.5), 3);
  EXPECT_DOUBLE_EQ(empiricalQuantile(v, 0.1), 1.4);
  EXPECT_EQ(empiricalQuantile({}, 0.5), 0);
}

}  // namespace
}  // namespace kaldero::numeric
