// Residuals with autocorrelated errors: a first-order autoregressive (AR(1))
// error process in continuous time, so that unevenly spaced samples are
// handled exactly, and the statistics of a residual series.
//
// Model: the errors e_i at the times t_i are a stationary Gaussian
// (Ornstein-Uhlenbeck) process of variance sigma^2 and correlation
// exp(-|t - t'| / tau); between neighbours rho_i = exp(-(t_i - t_(i-1)) / tau).
// On an even spacing Delta it is the discrete AR(1) of lag-1 coefficient
// phi = exp(-Delta / tau); phi is reported at the median spacing.
//
// Exact likelihood (the Prais-Winsten transformation, generalised to
// uneven spacing): the errors are whitened by
//   w_1 = e_1,  w_i = (e_i - rho_i e_(i-1)) / sqrt(1 - rho_i^2),
// independent N(0, sigma^2), and
//   -2 ln L = n ln(2 pi sigma^2) + sum_(i>=2) ln(1 - rho_i^2) + |w|^2 / sigma^2.
// With sigma^2 profiled out (sigma^2 = |w|^2 / n) the likelihood is largest
// where |w|^2 prod (1 - rho_i^2)^(1/n) is smallest, the sum of squares of
//   r_i = g w_i,  g = exp(sum_(i>=2) ln(1 - rho_i^2) / (2n)).
// A least-squares solver fed with r therefore estimates tau with the curve's
// parameters by exact maximum likelihood (generalised least squares with
// the correlation estimated jointly). The derivatives of r by ln tau are
// formed here; those by the curve's parameters are the whitened derivatives
// of e.
//
// Estimating the coefficient alone from given residuals (the two-step use:
// residuals of a least-squares fit): the profile -2 ln L(phi) is scanned on
// a grid of phi (0, 0.1, ..., 0.9, 0.95, 0.99, 0.999, 0.9999) and refined by
// golden-section search in the bracket of the best grid point. Residuals of
// a fit of k parameters are smoother than the errors (the fit takes up part
// of them), which biases phi low; given the fit's Jacobian X the restricted
// (REML) likelihood corrects for it (Harville 1974):
//   -2 ln L_R = (n - k) ln |w|^2 + ln det R + ln det(X^T R^-1 X).
//
// Covariance of a least-squares estimate under these errors: the sandwich
// (J^T J)^-1 J^T Sigma J (J^T J)^-1 needs J^T R J, R the correlation matrix;
// with the whitening W (W R W^T = I) it is |W^-T J|^2, and W^-T j is one
// back substitution (W is lower bidiagonal).
//
// Effective sample count: the information a whitened sample carries about a
// constant, 1 + sum_(i>=2) (1 - rho_i) / (1 + rho_i); n (1 - phi) / (1 + phi)
// for even spacing and large n.
//
// Units: times in any unit (tau in the same); residuals in any unit.
// Double precision; no input or output.
#pragma once

#include <Eigen/Dense>
#include <span>
#include <vector>

namespace kaldero::numeric {

class Ar1Errors {
 public:
  // times increasing.
  explicit Ar1Errors(std::span<const double> times);

  // The correlation time tau (> 0; the errors are independent for tau -> 0).
  void setCorrelationTime(double tau);
  double correlationTime() const { return tau_; }
  // The same as the lag-1 coefficient phi at the median spacing (0 <= phi < 1).
  void setLag1(double phi);
  double lag1() const;
  double medianSpacing() const { return median_; }
  std::size_t size() const { return spacing_.size() + 1; }

  // r = g w from the residuals e (see above).
  void whiten(std::span<const double> e, std::span<double> r) const;
  // The same for a column of derivatives of e (linear: g times the
  // whitened column).
  void whitenColumn(std::span<const double> de, std::span<double> out) const {
    whiten(de, out);
  }
  // dr / d ln tau for the residuals e (at the current tau).
  void whitenedDerivative(std::span<const double> e, std::span<double> out) const;
  // e = W^-1 w: the process of unit variance at the times from independent
  // standard normal innovations w (e_1 = w_1, e_i = rho_i e_(i-1) +
  // sqrt(1 - rho_i^2) w_i), for drawing errors of this model.
  void colour(std::span<const double> w, std::span<double> e) const;
  // x = W^T j, W the whitening of whiten() (g included), so that x.e = j.r
  // for r = whiten(e): a whitened Jacobian's columns J take a residual
  // change de to J^T W de = (W^T J)^T de.
  void whitenTransposed(std::span<const double> j, std::span<double> x) const;
  // x = W^-T j, so that x.x = j^T R j (R the correlation matrix).
  void correlate(std::span<const double> j, std::span<double> x) const;
  // Sets phi (and tau) to the maximum-likelihood estimate for the residuals
  // e with sigma^2 profiled out, restricted maximum likelihood when the
  // Jacobian X (n x k) of the fit that left them is given; returns phi.
  double fitLag1(std::span<const double> e, const Eigen::MatrixXd* X = nullptr);

  // sum_(i>=2) ln(1 - rho_i^2), the log-determinant of the correlation.
  double logDeterminant() const { return logDet_; }
  // -2 ln L at sigma^2 = |w|^2 / n for the residuals e, |w|^2 taken as at
  // least floor (a curve fitted exactly would give an infinite likelihood).
  double minusTwoLogLikelihood(std::span<const double> e, double floor = 0) const;
  // The innovation-scale sum |w|^2 for the residuals e (g not applied).
  double whitenedSumOfSquares(std::span<const double> e) const;
  double effectiveSamples() const;

 private:
  std::vector<double> spacing_;
  double median_ = 0;
  double tau_ = 0;
  // Per spacing: rho, 1/sqrt(1 - rho^2), d rho / d ln tau.
  std::vector<double> rho_, c_, drho_;
  double logDet_ = 0, g_ = 1, dLogG_ = 0;  // dLogG_ = d ln g / d ln tau
};

// Durbin-Watson statistic sum (e_i - e_(i-1))^2 / sum e_i^2 (about
// 2 (1 - lag-1 correlation); 2 for independent errors); 0 for fewer than
// two values or a zero series.
double durbinWatson(std::span<const double> e);
// Lag-1 autocorrelation sum e_i e_(i-1) / sum e_i^2 (about the mean 0, as
// residuals of a fit are); 0 for fewer than two values or a zero series.
double lag1Autocorrelation(std::span<const double> e);

}  // namespace kaldero::numeric
