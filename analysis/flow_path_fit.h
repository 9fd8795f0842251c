// Flow paths fitted to a breakthrough curve: one to three one-dimensional
// advection-dispersion paths (numeric/advection_dispersion.h), each with its
// own velocity v, dispersion coefficient D and mass M; as models of their
// own, the same paths sharing one mobile-immobile storage zone of capacity
// ratio beta and exchange rate alpha (numeric/mobile_immobile.h), or with a
// zone of its own on each of some of the paths (each choice tried);
// optionally a first-order decay rate lambda shared by the paths (s -> s +
// lambda in the Laplace domain) and a constant baseline offset.
//
// Decay: a path losing tracer at the rate lambda gives exactly the curve of
// a faster path without loss that carries less tracer (and, with a zone,
// one of a faster exchange), so no curve alone tells lambda. With decay the
// curve is fitted as without it and the paths reported are those that give
// the same curve while carrying the whole injected mass: the rate is the
// one the missing mass implies, its interval from the fitted masses'. A
// station that receives only part of the tracer shows its share as decay.
//
// Least squares (Levenberg-Marquardt, Ceres Solver, analytic derivatives,
// box constraints at the ranges below; the storage curves and their
// derivatives by de Hoog inversion of the Laplace transform at all
// samples at once) in parameters that keep every value positive and that
// the curve determines well: a path without a zone as ln v, ln D, ln M; a
// path with a zone as ln u, ln d, ln M with u = v / (1 + beta) and
// d = D / (1 + beta) (its velocity and dispersion in equilibrium with the
// zone, which the curve shows even near equilibrium), ln beta and ln w, w =
// alpha L / v for a zone of its own (the Damkoehler number) or alpha T for
// a zone the paths share (T the curve's mean travel time).
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
// - Ar1Relative: errors of standard deviation sqrt(a^2 + (b m)^2), m the
//   model (a fluorometer: an offset noise and a share of the reading),
//   correlated as Ar1. Iteratively reweighted least squares: the residuals
//   weighted by 1 / sqrt(1 + (kappa m / peak)^2), kappa = b peak / a by
//   maximum likelihood from the last fit's residuals, three passes; then
//   as Ar1 on the weighted residuals, the criterion with the weights'
//   Jacobian and kappa counted as a parameter.
//
// Starts: for one path, the moments of the whole curve, the hints of the
// other analyses, the peak's position and width, and each separated peak
// alone; for more paths, the curve split at its peaks and at quantiles of
// its mass, the peaks' positions and widths, and the fit with one path
// fewer plus a path where the residual is largest, each also with narrower
// paths; for storage, the fit without storage of as many paths with zones
// too small to change it (so that the storage model starts no worse than
// the model it extends), the same paths with zones over a range of sizes
// and exchange rates (near equilibrium included), the optimum of the paths
// sharing a zone (for zones of their own), and the storage fit with one
// path fewer plus a path where its residual is largest. The linear
// parameters (masses, baseline) of every start are set by linear least
// squares; the best starts are iterated briefly and the best of them
// carried to convergence (for one path without storage every distinct
// start), so that the optimum reported is never worse than the best start.
// A solve also counts as settled when ten iterations lower the criterion by
// less than 0.02 (a storage zone the curve does not show otherwise drifts
// along a valley of nearly equal fits). The paths are then ordered by
// velocity.
//
// A model is fitted whenever it can be evaluated and its parameters told
// apart (a Jacobian of full rank): a forced model always gives its
// estimates. It is flagged not resolved, with the reason, when a parameter
// sits on the bound of the range the curve allows (u beyond a factor 1e3
// of the curve's mean velocity, d or M beyond a factor 1e6 of its moment
// values, beta outside 1e-4..100, w outside 1e-4..1e4; with decay, no
// rate giving the injected mass) or when one of v, D, M, beta, alpha,
// lambda lies within t standard errors of zero; and not settled when the
// solver stops before it settles. The criterion chooses among the models resolved and settled
// (which keeps it from choosing paths made of noise); when none is, the
// best fitted model is shown, flagged.
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
// IntervalMethod::Bootstrap the chosen model is also refitted to sieve
// resamples of its residuals (their AR(1) innovations resampled and
// coloured again, numeric/resampling.h; seeded) and the 2.5 and 97.5 %
// percentiles of the refits are reported beside.
//
// Model choice: AICc = -2 ln L + 2p + 2p(p+1)/(n - p - 1) with the
// Gaussian likelihood of the error model at the estimates, residuals in
// ug/L (the unit in which RMSE is shown), p the curve's parameters plus the
// variance (and the AR(1) coefficient, and the relative scale); the
// smallest among the resolved models wins. A residual level below 1e-9 of the peak counts as
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
  // First-order decay, one rate for every path (s -> s + lambda), in
  // every model: the paths carry the whole injected mass and the rate is
  // what the missing mass implies (one curve's shape cannot tell decay from
  // faster paths carrying less tracer; see flowfit::reportedPaths). Needs
  // the injected mass.
  bool decay = false;
  SampleSource samples = SampleSource::Measured;
  // Reaches (--reach-bypass): every model also with a bypass from the
  // release past the upstream station (FlowPathFitInput::bypassDistance).
  bool reachBypass = false;
};

// The choices as the user names them (the command line). The models: "1"
// to "3" paths without a storage zone, "1s" to "3s" the same paths sharing
// one, "1p" to "3p" a zone of its own on some of the paths (each choice of
// them tried, the criterion chooses; "1p" is "1s"), "auto" 1 to 3 paths
// with every layout of zones (the criterion chooses); false, with o
// unchanged, for any other text.
bool parseFitModel(const std::string& name, FitOptions& o);
// The error model by its word: "ar1", "independent", "ar1-gls" or
// "ar1-relative".
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
  bool decay = false;     // --fit-decay
  bool reachBypass = false;  // --reach-bypass
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
  double injectedMass = 0;                 // ug; with decay the paths carry it all
  // Starting hints from the other analyses; 0 when there is none.
  double meanTransitTime = 0;    // s
  double momentDispersion = 0;   // m^2/s
  double chatwinDispersion = 0;  // m^2/s
  double peakTime = 0;           // s
  // A reach (--fit-reaches): the upstream station's measured flux (ug/s at
  // inputTimes, on the samples' time axis), which the paths carry in place
  // of the release (releaseDuration 0; numeric/grid_convolution.h, cells
  // of inputStep s); none for a station fitted from the injection.
  std::span<const double> inputTimes, inputFlux;
  double inputStep = 0;
  // The upstream station's discharges (m^3/s at inputTimes) and its
  // measurement errors: the flux's errors (the readings' times the
  // discharge) are carried into every interval of the reach (a linearized
  // propagation over drawn error series; none: the flux taken as exact).
  std::span<const double> inputDischarges;
  InputErrors inputErrors;
  // A reach's bypass (--reach-bypass): with the downstream station's travel
  // distance (m) every model of the reach is fitted also with one more path
  // from the release over that distance (tracer that does not pass the
  // upstream station), the criterion choosing; the release's duration (s)
  // and the downstream station's mean transit time (s, a starting hint).
  double bypassDistance = 0;
  double bypassReleaseDuration = 0;
  double bypassMeanTime = 0;
};

// Never throws for bad data: a curve that cannot be fitted gives a result
// with no chosen model and the reason. No fitted model holds a number that
// is not finite.
FlowPathFitResult fitFlowPaths(const FlowPathFitInput& in);

// The result of a fit that was not made for a reason outside its data (a
// reach whose station was not fitted): what was asked, no model, the reason.
FlowPathFitResult fitNotMade(const FitOptions& options, std::string reason);

// The solver library reports through its log on the standard error (a
// start it cannot evaluate, say); the fit gives its own reasons. The
// program sets the log to fatal messages once, before any fit.
void quietSolverLog();

// The concentrations (ng/L) at the times, with the discharges, of paths of
// a reach of the given length (m) that carry the input flux (ug/s at
// inputTimes, the grid's cells inputStep s; each path's mass the mass it
// carries, ug, of the flux's integral): the model of a reach fit, for
// drawing and for tests.
void reachConcentrations(std::span<const double> times, std::span<const double> discharges,
                         std::span<const double> inputTimes, std::span<const double> inputFlux,
                         double inputStep, double length,
                         std::span<const numeric::FlowPath> paths, std::span<double> out);

// The fitted paths as model parameters (with their storage zone), for
// drawing the curve and its parts.
std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit);

}  // namespace kaldero
