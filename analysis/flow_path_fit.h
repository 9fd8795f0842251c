// Flow paths fitted to a breakthrough curve: one to three one-dimensional
// advection-dispersion paths (numeric/advection_dispersion.h), each with its
// own velocity v, dispersion coefficient D and mass M, and, as a model of its
// own, the same paths sharing a mobile-immobile storage zone of capacity
// ratio beta and exchange rate alpha (numeric/mobile_immobile.h); optionally
// a constant baseline offset.
//
// Least squares: the parameters are fitted as ln v, ln D, ln M (ln beta,
// ln alpha), which keeps them positive (Levenberg-Marquardt, Ceres Solver,
// analytic derivatives; the storage curves and their derivatives by de Hoog
// inversion of the Laplace transform at all samples at once).
//
// Errors (FitOptions::errors): independent with one variance (ordinary
// least squares), or, the default, a first-order autoregressive process in
// continuous time (numeric/ar1_errors.h) whose correlation time is
// estimated with the curve by exact Gaussian maximum likelihood: the
// residuals are whitened by the Prais-Winsten transformation for the times
// between the samples, so any sample spacing is taken as it is.
//
// Starts: for one path, the moments of the whole curve, the hints of the
// other analyses, the peak's position and width, and each separated peak
// alone; for more paths, the curve split at its peaks and at quantiles of
// its mass, and the fit with one path fewer plus a path where the residual
// is largest, each also with narrower paths; for storage, the paths of the
// fit without storage (or with one storage path fewer) with storage zones
// of a range of sizes and exchange rates. The masses of every start are set
// by linear least squares; the best starts are iterated briefly and the best
// of them carried to convergence, so that the optimum reported is never
// worse than the best start. The paths are then ordered by velocity.
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
// Uncertainty: the covariance of the log parameters is s^2 (J^T J)^-1 of
// the whitened residuals (for independent errors the residuals themselves),
// s^2 their sum of squares over n - k degrees of freedom. Derived
// quantities (mass fraction, dispersivity, Peclet number, mean travel time,
// total mass) follow by the delta method; the 95 % interval of a positive
// quantity is exp(ln x +- t se(ln x)), t Student's with n - k degrees of
// freedom; the baseline's is b +- t se(b). With IntervalMethod::Bootstrap the
// chosen model is also refitted to moving-block resamples of its residuals
// (numeric/block_bootstrap.h; block length from the residuals' lag-1
// correlation, seeded) and the 2.5 and 97.5 % percentiles of the refits are
// reported beside.
//
// Model choice: AICc = -2 ln L + 2p + 2p(p+1)/(n - p - 1) with the
// likelihood of the error model, residuals in ug/L, p the curve's parameters
// plus the variance (and the AR(1) coefficient); the smallest among the
// fitted models wins. A residual level below 1e-9 of the peak counts as
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

// The curve and what the fit needs to know about the test. The options are
// a base so that in.paths and the like read as before.
struct FlowPathFitInput : FitOptions {
  std::span<const double> times;           // s since the start of the release, increasing
  std::span<const double> concentrations;  // ng/L, background subtracted (may be negative)
  std::span<const double> discharges;      // m^3/s, one per sample
  double distance = 0;                     // travel distance L, m
  double releaseDuration = 0;              // Td, s; 0 for an instantaneous release
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

// The fitted paths as model parameters (with their storage zone), for
// drawing the curve and its parts.
std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit);

}  // namespace kaldero
