// Flow paths fitted to a breakthrough curve: one to three one-dimensional
// advection-dispersion paths (numeric/advection_dispersion.h), each with its
// own velocity v, dispersion coefficient D and mass M, and, as a model of its
// own, the same paths sharing a mobile-immobile storage zone of capacity
// ratio beta and exchange rate alpha (numeric/mobile_immobile.h); optionally
// a constant baseline offset.
//
// Least squares: the parameters are fitted as ln v, ln D, ln M (ln beta,
// ln alpha), which keeps them positive (Levenberg-Marquardt, Ceres Solver,
// analytic derivatives, box constraints at the ranges below; the storage
// curves and their derivatives by de Hoog inversion of the Laplace
// transform at all samples at once).
//
// Errors (FitOptions::errors), the residuals r_i = measured - model:
// - Independent: one variance; ordinary least squares.
// - Ar1 (the default): a first-order autoregressive process in continuous
//   time, correlation exp(-dt / tau) between samples dt apart
//   (numeric/ar1_errors.h), so that any sample spacing is taken as it is.
//   The curve is fitted by least squares (it stays the best fit of the
//   concentrations themselves, as a published transport model is); tau is
//   then estimated from its residuals by restricted maximum likelihood
//   (which corrects the bias of residuals towards independence), and the
//   intervals and the criterion use the AR(1) likelihood.
// - Ar1Gls: tau estimated jointly with the curve by exact Gaussian maximum
//   likelihood (the Prais-Winsten whitening, generalised least squares).
//   Efficient when the model is right; where the model misses the curve's
//   shape it fits the changes from sample to sample instead of the levels
//   (Furfooz 150 m, one storage path: D 0.0019 m^2/s at a lag-1 of 0.999,
//   against 0.0084 m^2/s by least squares and 0.009-0.011 published).
//
// Starts: for one path, the moments of the whole curve, the hints of the
// other analyses, the peak's position and width, and each separated peak
// alone; for more paths, the curve split at its peaks and at quantiles of
// its mass, the peaks' positions and widths, and the fit with one path
// fewer plus a path where the residual is largest, each also with narrower
// paths; for storage, the fit without storage of as many paths with a zone
// too small to change it (so that the storage model starts no worse than
// the model it extends), the same paths with zones over a range of sizes
// and exchange rates, and the storage fit with one path fewer plus a path
// where its residual is largest. The linear parameters (masses, baseline)
// of every start are set by linear least squares; the best starts are
// iterated briefly and the best of them carried to convergence (for one
// path without storage every distinct start), so that the optimum reported
// is never worse than the best start. A solve also counts as settled when
// ten iterations lower the criterion by less than 0.02 (a storage zone the
// curve does not show otherwise drifts along a valley of nearly equal
// fits). The paths are then ordered by velocity.
//
// A model gives no fit, with the reason, when its optimum leaves the range
// the curve allows (v beyond a factor 1e3 of the curve's mean velocity, D or
// M beyond a factor 1e6 of its moment values, beta outside 1e-4..100, alpha
// outside 1e-4..1e4 over the curve's mean time), when it does not settle,
// when its parameters cannot be told apart (a Jacobian without full rank),
// or when a path or the storage zone is not resolved: one of v, D, M, beta,
// alpha within t standard errors of zero. The last rule keeps the criterion
// from choosing paths made of noise.
//
// Uncertainty: the covariance of the log parameters is, for independent
// errors, s^2 (J^T J)^-1 with s^2 = RSS / (n - k); for AR(1) errors with
// the curve fitted by least squares the sandwich s^2 (J^T J)^-1 J^T R J
// (J^T J)^-1, R the fitted correlation matrix and s^2 the whitened sum of
// squares over n - k - 1; for the joint AR(1) fit s^2 (J^T J)^-1 of the
// whitened residuals. Derived quantities (mass fraction, dispersivity,
// Peclet number, mean travel time, total mass) follow by the delta method;
// the 95 % interval of a positive quantity is exp(ln x +- t se(ln x)), of
// the baseline b +- t se(b), t Student's with n - k degrees of freedom for
// independent errors and with the effective sample count less k (at least
// one) for AR(1) errors, whose variance is known only that well. With
// IntervalMethod::Bootstrap the chosen model is also refitted to
// moving-block resamples of its residuals (numeric/block_bootstrap.h; block
// length from the residuals' lag-1 correlation, seeded) and the 2.5 and
// 97.5 % percentiles of the refits are reported beside.
//
// Model choice: AICc = -2 ln L + 2p + 2p(p+1)/(n - p - 1) with the
// Gaussian likelihood of the error model at the estimates, residuals in
// ug/L (the unit in which RMSE is shown), p the curve's parameters plus the
// variance (and the AR(1) coefficient); the smallest among the fitted
// models wins. A residual level below 1e-9 of the peak counts as
// exact, so that on a curve the model reproduces to rounding a path more is
// not chosen for rounding noise. When the model chosen has the most paths
// tried, the result says that the criterion may still be improving.
//
// A curve cut off before its tail is fitted when its peak is resolved: at
// least three samples after it with the curve below 90 % of the peak; the
// fitted masses then extrapolate the tail (the total mass is the estimate
// of the mass that passed).
//
// Computes only: no console, no files.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/flow_path_fit.h"
#include "numeric/advection_dispersion.h"

namespace kaldero {

// The choices of the user.
struct FitOptions {
  // 1 to 3 paths, or kAutomaticPaths: 1 to 3, the smallest AICc.
  int paths = kAutomaticPaths;
  // With StorageChoice::Allowed every number of paths is fitted with and
  // without a storage zone and the criterion chooses.
  StorageChoice storage = StorageChoice::Allowed;
  ErrorModel errors = ErrorModel::Ar1;
  IntervalMethod intervals = IntervalMethod::Covariance;
  int bootstrapReplicates = 400;
  unsigned long long bootstrapSeed = 1;
  // A constant offset of the concentrations fitted with the paths.
  bool baseline = false;
  SampleSource samples = SampleSource::Measured;
};

// The choices as the user names them (the command line). The models: "1"
// to "3" paths without a storage zone, "1s" to "3s" the same paths sharing
// one, "auto" 1 to 3 paths with or without a zone (the criterion chooses);
// false, with o unchanged, for any other text.
bool parseFitModel(const std::string& name, FitOptions& o);
// The error model by its word: "ar1", "independent" or "ar1-gls".
std::optional<ErrorModel> parseErrorModel(const std::string& word);
// The intervals by their word: "covariance" or "bootstrap".
std::optional<IntervalMethod> parseIntervalMethod(const std::string& word);

// The fit's options as the command line gives them, before they are
// checked.
struct FitOptionTexts {
  std::string model;      // --fit; empty: no fit
  std::string errors;     // --fit-errors
  std::string intervals;  // --fit-intervals
  std::optional<unsigned long long> seed;  // --fit-seed
  bool baseline = false;  // --fit-baseline
};

// The fit the texts ask for into out (left empty without --fit), or why
// they cannot be taken: a --fit- option without --fit, a word not known,
// a bootstrap seed without bootstrap intervals.
std::optional<std::string> fitOptionsFrom(const FitOptionTexts& t, std::optional<FitOptions>& out);

// The curve and what the fit needs to know about the test. The options are
// a base so that in.paths and the like read as before.
struct FlowPathFitInput : FitOptions {
  std::span<const double> times;           // s since the start of the release, increasing
  std::span<const double> concentrations;  // ng/L, background subtracted (may be negative)
  std::span<const double> discharges;      // m^3/s, one per sample
  double distance = 0;                     // travel distance L, m
  double releaseDuration = 0;              // Td, s; 0 for an instantaneous release
  double arrival = 0;                      // s after the release the times count from
  double recoveredMass = 0;                // ug; mass fractions are of this mass
                                           // (of the fitted total when 0)
  // Starting hints from the other analyses; 0 when there is none.
  double meanTransitTime = 0;    // s
  double momentDispersion = 0;   // m^2/s
  double chatwinDispersion = 0;  // m^2/s
  double peakTime = 0;           // s
};

// Never throws for bad data: a curve that cannot be fitted gives a result
// with no chosen model and the reason. No fitted model holds a number that
// is not finite.
FlowPathFitResult fitFlowPaths(const FlowPathFitInput& in);

// The solver library reports through its log on the standard error (a
// start it cannot evaluate, say); the fit gives its own reasons. The
// program sets the log to fatal messages once, before any fit.
void quietSolverLog();

// The fitted paths as model parameters (with their storage zone), for
// drawing the curve and its parts.
std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit);

}  // namespace kaldero
