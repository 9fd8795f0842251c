// The pieces of the flow-path fit (analysis/flow_path_fit.h): the curve as
// the fit sees it, the layout of a model's parameters, the model's values and
// derivatives at the samples, the least-squares problem with its error model,
// and the starting values. Internal to the fit.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"
#include "numeric/grid_convolution.h"

namespace ceres {
class Problem;
}

namespace kaldero::numeric {
class Ar1Errors;
class GridLeastSquares;
}

namespace kaldero::flowfit {

using numeric::FlowPath;

// A finite number above 0.
inline bool positive(double x) { return std::isfinite(x) && x > 0; }

struct InputDraws;

// The curve as the fit sees it, with its own moments.
struct Curve {
  std::vector<double> t, y, q;  // s, ng/L, m^3/s
  double L = 0;
  double Td = 0;
  // A reach's bypass path: from the release over the downstream station's
  // travel distance (m), the release lasting bypassTd (s).
  double bypassL = 0, bypassTd = 0;
  double peak = 0;      // largest concentration; residuals are divided by it
  double mass = 0;      // integral of max(y, 0) q dt, ug
  double mean = 0;      // mean travel time, the release's half duration removed, s
  double variance = 0;  // its variance, the release's share removed, s^2
  double sst = 0;       // sum of squares about the mean concentration, (ng/L)^2
  double medianSpacing = 0;  // s
  // The time scale of a zone several paths share (its exchange is fitted
  // as alpha times it): the mean travel time, else the last time.
  double timeScale = 1;     // s
  // With decay: the mass released, which the paths carry before the loss.
  double injectedMass = 0;  // ug
  // Weights of the residuals (errors growing with the signal): the
  // residual of sample i counts as (model - y) w_i / peak. Empty: 1.
  std::vector<double> weights;
  // A reach (analysis/reach_fit.h): the upstream station's measured flux,
  // which the paths carry in place of the release (their responses are
  // convolved with it, scaled to a unit integral, so that a path's mass is
  // the mass it carries); null for a station fitted from the injection.
  std::shared_ptr<const numeric::GridConvolution> input;
  // Where the input's grid is read at the samples' times t (made once).
  std::shared_ptr<const numeric::GridConvolution::Reading> inputReading;
  // Errors drawn on the input (drawInputErrors), which the reach's intervals
  // carry; null when the input is taken as exact.
  std::shared_ptr<const InputDraws> inputDraws;
  // The release's (or the input's) own mean time and variance, to which
  // the paths' travel times add.
  // The distance and release duration of a path from the release: the
  // station's, or with fromRelease a reach's bypass.
  double distanceFrom(bool fromRelease) const { return fromRelease ? bypassL : L; }
  double releaseDurationFrom(bool fromRelease) const { return fromRelease ? bypassTd : Td; }
  double releaseMean() const { return input ? input->inputMean() : Td / 2; }
  double releaseVariance() const { return input ? input->inputVariance() : Td * Td / 12; }
  std::size_t size() const { return t.size(); }
  double weight(std::size_t i) const { return weights.empty() ? 1.0 : weights[i]; }
};

// The curve of a fit's input (checked before): its samples, the reach's
// input grid and where it is read, its moments; with withInputErrors the
// upstream errors drawn on a reach's input (when it has any).
Curve curveOf(const FlowPathFitInput& in, bool withInputErrors);

// The statistics of a fit's residuals (measured - model, ng/L) and of its
// error process ar (null for independent errors), e the residuals as the
// process sees them; the lag-1 coefficient's interval with the quantile t.
ErrorStatistics errorStatistics(ErrorModel model, const numeric::Ar1Errors* ar,
                                std::span<const double> e, std::span<const double> residuals,
                                double medianSpacing, double t);

// Every number of the estimate is finite.
bool finite(const Estimate& e);

// The estimate of a positive quantity x whose logarithm has the gradient g
// in parameters of covariance cov: its interval exp(ln x +- t se(ln x)).
Estimate logEstimate(double x, const Eigen::VectorXd& g, const Eigen::MatrixXd& cov, double t);

// Moments of max(y, 0) q over the samples [i0, i1] by the trapezoidal rule.
struct Moments {
  double mass = 0, mean = 0, variance = 0;
};
Moments moments(const Curve& c, std::size_t i0, std::size_t i1);

// What a model is made of, and where its parameters lie in the parameter
// vector: per path ln u, ln d, ln M; then per storage zone ln beta, ln w;
// then the baseline as a share of the peak; then the AR(1) coefficient at
// the median spacing as theta, phi = 0.9999 / (1 + e^-theta).
//
// A path without a zone has u = v and d = D. A path with a zone is fitted
// by what its curve shows best: the mean velocity u = v / (1 + beta) and
// d = D / (1 + beta) (the velocity and dispersion of the zone in
// equilibrium), the capacity ratio beta and, for a zone of its own, the
// Damkoehler number w = alpha L / v (exchanges during the mobile travel
// time). Near equilibrium (w large) the curve hardly depends on beta and w
// at fixed u and d; fitted as v, D, beta, alpha those four move together.
// A zone several paths share has w = alpha T (T the curve's time scale).
//
// Decay adds no parameter: the curve of paths that lose tracer at the rate
// lambda is exactly the curve of faster paths without loss that carry less
// tracer (see reportedPaths), so the curve is fitted without it and the
// paths with decay are those that carry the whole injected mass.
struct ModelForm {
  int paths = 1;
  ZoneLayout zones = ZoneLayout::None;
  unsigned zoned = 0;  // PerPath: bit j set when path j (parameter order) has a zone
  bool decay = false;
  bool baseline = false;
  bool ar1 = false;
  // A reach: the last of the paths is a bypass from the release (never with
  // a zone).
  bool bypass = false;

  bool storage() const { return zones != ZoneLayout::None; }
  bool fromRelease(int j) const { return bypass && j == paths - 1; }
  int reachPaths() const { return bypass ? paths - 1 : paths; }
  bool hasZone(int j) const {
    if (fromRelease(j)) return false;
    return zones == ZoneLayout::Shared || (zones == ZoneLayout::PerPath && ((zoned >> j) & 1u));
  }
  int zoneCount() const {
    if (zones == ZoneLayout::Shared) return 1;
    if (zones == ZoneLayout::None) return 0;
    int n = 0;
    for (int j = 0; j < paths; ++j) n += hasZone(j);
    return n;
  }
  // The index of ln beta of the zone of path j (ln w follows).
  int zoneIndex(int j) const {
    if (zones == ZoneLayout::Shared) return storageIndex();
    int k = 0;
    for (int i = 0; i < j; ++i) k += hasZone(i);
    return storageIndex() + 2 * k;
  }
  int storageIndex() const { return 3 * paths; }
  int baselineIndex() const { return storageIndex() + 2 * zoneCount(); }
  int curveParameters() const { return baselineIndex() + (baseline ? 1 : 0); }
  int size() const { return curveParameters() + (ar1 ? 1 : 0); }
  int ar1Index() const { return curveParameters(); }
  // The model's paths with their zones: "2", "2s", "2p:1" (paths in
  // parameter order), "+decay".
  std::string label() const;
};

using Parameters = std::vector<double>;

// A start or optimum in natural units: each path's velocity, dispersion
// and mass, and its zone's capacity ratio and exchange rate (0 without);
// with decay (reportedPaths alone), its rate.
struct PathSet {
  std::vector<FlowPath> paths;
  double decayRate = 0;         // 1/s
  bool decayAtBound = false;    // no rate gives the injected mass
  double baseline = 0;          // ng/L
  double correlationTime = 0;   // s
};

// The parameters of the paths of s (without decay), and back.
Parameters toParameters(const Curve& c, const ModelForm& form, const PathSet& s);
PathSet toPathSet(const Curve& c, const ModelForm& form, const Parameters& x);

// The paths as reported: those of toPathSet, or with decay the paths that
// give the same curve while carrying the injected mass c.injectedMass. A
// path without decay of velocity v', dispersion D and zone beta', alpha'
// is the path with decay lambda of
//   alpha = alpha' - lambda,  beta = beta' alpha'^2 / alpha^2,
//   v^2 = v'^2 - 4 D c,  c = lambda (1 + beta' alpha' / alpha)  (c = lambda
//   without a zone),
// carrying M = M' exp(L (v' - v) / (2 D)): in the Laplace domain s + lambda
// in the exponent sqrt(v^2 + 4 D (s + beta alpha s / (s + alpha))) is the
// same as s with the primed parameters plus the constant c. The rate
// shared by the paths is the one whose masses add up to the injected mass
// (they grow with it); 0, at its bound, when the paths carry the injected
// mass already.
PathSet reportedPaths(const Curve& c, const ModelForm& form, const Parameters& x);

// The model's residuals e = (model - y) / peak at the samples and, when J is
// given, their derivatives by the curve's parameters (column-major, n rows,
// form.curveParameters() columns). False where the model cannot be
// evaluated (a value that is not finite).
// The unit-mass responses (1/s) of path p at the times t, from the release
// or through the reach's input: the values, then with derivatives those by
// v and D (and, for a path with a zone, by beta and alpha), each t.size()
// long, into out.
void pathResponses(const Curve& c, const FlowPath& p, bool zone, bool derivatives,
                   std::span<const double> t, std::vector<double>& out,
                   bool fromRelease = false);
// A reach path's unit-mass responses at the input grid's nodes (c.input,
// numeric::GridConvolution::nodeValues): blocks of cells() as
// pathResponses gives them at the samples.
void nodeResponses(const Curve& c, const FlowPath& p, bool zone, bool derivatives,
                   std::vector<double>& out);
// A path's unit-mass response through the reach's input grid (c.input) by
// its integral over each cell (with derivatives, those by v and D, and with
// a zone by beta and alpha, each a block of cells()).
std::vector<double> cellIntegrals(const Curve& c, const FlowPath& p, bool zone,
                                  bool derivatives);

// A reach's scaled residuals (curveResiduals of c, weights included) at
// the parameters x to first order in the upstream flux's cell means (those
// of c.input):
//   de = L dc - m dlnR,   dlnR = h sum_k dc_k / integral,
// L the paths' responses convolved with dc and scaled as the residuals
// scale them, m the paths' part of the residuals (the responses are scaled
// by the flux's integral, which the change moves by dlnR).
class InputLinearization {
 public:
  InputLinearization(const Curve& c, const ModelForm& form, const Parameters& x);
  // X^T L (K x cells) for the columns of X (n x K).
  Eigen::MatrixXd adjoint(const Eigen::MatrixXd& X) const;
  // X^T m.
  Eigen::VectorXd modelPart(const Eigen::MatrixXd& X) const;
  // dlnR of a change of the cell means.
  double logIntegralChange(std::span<const double> dc) const;
  // de of a change of the cell means.
  void change(std::span<const double> dc, std::span<double> de) const;

 private:
  const Curve& c_;
  numeric::GridConvolution::Reading reading_;    // the grid at the samples' times
  std::vector<std::complex<double>> spectrum_;  // of sum_j M_j G_j
  std::vector<double> scale_;                   // w_i / (integral q_i peak)
  Eigen::VectorXd model_;                       // m
};

// Errors drawn on a reach's upstream flux, as its cells see them: each a
// series of the upstream readings' errors (AR(1) at their times, standard
// deviation sqrt(a^2 + (b c)^2)) times the discharge, by its cell means.
struct InputDraws {
  Eigen::MatrixXd cells;        // cells x draws
  Eigen::VectorXd logIntegral;  // each draw's dlnR
};
InputDraws drawInputErrors(const numeric::GridConvolution& grid,
                           std::span<const double> inputTimes, std::span<const double> inputFlux,
                           std::span<const double> inputDischarges, const InputErrors& errors,
                           int draws, uint64_t seed);

// The concentrations (ng/L) the paths give at the times t with the
// discharges q, into y (from the release when fromRelease: a bypass).
void modelConcentrations(const Curve& c, std::span<const FlowPath> paths,
                         std::span<const double> t, std::span<const double> q,
                         std::span<double> y, bool fromRelease = false);

bool curveResiduals(const Curve& c, const ModelForm& form, const double* x, double* e,
                    double* J);
// A reach's samples reduced to its input grid (numeric/grid_least_squares.h):
// its rows scaled and weighted as curveResiduals scales them, the baseline
// as the extra column. Null where no reduction holds: a station, AR(1)
// whitening, a bypass (read at the samples' own times), or rows the
// reduction refuses.
std::unique_ptr<numeric::GridLeastSquares> gridReduction(const Curve& c, const ModelForm& form);
// A reach's residuals reduced by gridReduction(c, form): reduced.size()
// values into e and, when J is given, their derivatives (column-major).
// Their squares add up to those of curveResiduals less reduced.outside().
bool gridResiduals(const Curve& c, const numeric::GridLeastSquares& reduced,
                   const ModelForm& form, const double* x, double* e, double* J);

// The unit-mass curves (1 / Q times the response, ng/L per ug) of the paths
// at the samples: n x paths.
bool unitCurves(const Curve& c, const ModelForm& form, const double* x, Eigen::MatrixXd& H);

// Bounds of the parameters.
struct Bounds {
  std::vector<double> lower, upper;
  // Whether a parameter at its bound makes the fit out of range (the AR(1)
  // coefficient may sit at its bounds).
  std::vector<bool> binding;
};
Bounds boundsFor(const Curve& c, const ModelForm& form);

// One least-squares problem: the residuals whitened by the error model,
// kept alive for the Jacobian at the optimum.
class Problem {
 public:
  Problem(const Curve& c, const ModelForm& form, const Bounds& bounds, Parameters start);
  ~Problem();
  Problem(const Problem&) = delete;
  Problem& operator=(const Problem&) = delete;

  // Runs the minimizer; returns the cost (half the sum of squares of the
  // whitened scaled residuals), infinite when the problem could not be
  // evaluated. converged: stopped on a tolerance, not on the limit.
  double solve(int iterations, bool* converged = nullptr);
  const Parameters& parameters() const { return x_; }
  // The whitened residuals and their Jacobian by every parameter at the
  // current parameters (row-major n x size).
  bool evaluate(std::vector<double>& r, std::vector<double>& J) const;

 private:
  const Curve& c_;
  ModelForm spec_;
  Parameters x_;
  // A reach's samples reduced to its grid (null: the samples are fitted);
  // the solver's cost refers to it, so it is declared before the solver.
  std::unique_ptr<numeric::GridLeastSquares> reduced_;
  std::unique_ptr<ceres::Problem> problem_;
};

// Moves x strictly inside the bounds (a millionth of each range), where
// the solver may move either way; and gives the bounds to the solver as
// box constraints on the parameter block x.
void clampInside(Parameters& x, const Bounds& bounds);
void setBounds(ceres::Problem& problem, double* x, const Bounds& bounds);

// Runs Levenberg-Marquardt on a problem of these models (damped start, no
// line search, stopped also when ten iterations lower the criterion of the
// samples by less than 0.02): the final cost, infinite when it could not
// be evaluated; converged: stopped on a tolerance, not on the limit.
double solveLeastSquares(ceres::Problem& problem, int iterations, double samples,
                         bool* converged);

// The name of parameter k of the form ("the velocity of path 2"), for the
// cautions.
std::string parameterName(const ModelForm& form, int k);

// Masses by linear least squares for the paths of a start (the model is
// linear in them, and in the baseline); masses not positive take a small
// share of the curve's mass. Returns the start's objective (sum of squares,
// whitened with the start's correlation time when AR(1)), infinite when it
// cannot be evaluated.
double fitLinearParameters(const Curve& c, const ModelForm& form, PathSet& s);

// What a model's starts may take from the models fitted before it (each
// may be null): the optimum of the same family with one path fewer, of the
// paths without storage of the same number, and of the paths sharing a
// zone (for the shared zone itself: of the best fit with zones of their
// own).
struct StartHints {
  const PathSet* fewer = nullptr;
  const PathSet* plain = nullptr;
  const PathSet* shared = nullptr;
  // A reach's model with a bypass: the optimum of the same model without.
  const PathSet* withoutBypass = nullptr;
};
std::vector<PathSet> startsFor(const Curve& c, const FlowPathFitInput& in, const ModelForm& form,
                               const StartHints& hints);

// The quantities reported for a model, per path in the order of the
// parameters: v, D, M, mass fraction, dispersivity, Peclet number, mean
// travel time, beta, alpha (the last two 0 without a zone); then the total
// mass, the decay rate and the baseline (ng/L). The one definition of them: the intervals
// from the covariance take their gradients by the parameters, the
// bootstrap their values at every refit.
enum PathQuantity {
  kVelocity, kDispersion, kMass, kFraction, kDispersivity, kPeclet, kTravelTime,
  kStorageRatio, kExchangeRate, kPathQuantities
};
struct Quantities {
  std::vector<std::array<double, kPathQuantities>> paths;
  double totalMass = 0;
  double decayRate = 0;
  bool decayAtBound = false;  // no rate gives the injected mass
  double baseline = 0;
};
// The estimate of each path quantity, in the order above.
inline constexpr Estimate FittedPath::*kPathFields[kPathQuantities] = {
    &FittedPath::velocity,       &FittedPath::dispersion,   &FittedPath::mass,
    &FittedPath::massFraction,   &FittedPath::dispersivity, &FittedPath::peclet,
    &FittedPath::meanTravelTime, &FittedPath::storageRatio, &FittedPath::exchangeRate};
// Of the paths reported at x (reportedPaths); the fractions are of the
// recovered mass, or of the paths' total without one or with decay (whose
// paths carry the injected mass).
Quantities quantitiesOf(const Curve& c, const ModelForm& form, const Parameters& x,
                        double recoveredMass);
// The same with the paths ordered by velocity, as the fit reports them.
Quantities byVelocity(Quantities q, bool bypassLast = false);

// Refits the model to resamples of its residuals and sets the bootstrap
// intervals of the fit's estimates (the residuals' AR(1) process fitted,
// its innovations resampled and the process rebuilt: a sieve bootstrap).
void bootstrapIntervals(const Curve& c, const ModelForm& form, const Bounds& bounds,
                        const Parameters& optimum, double recoveredMass, int replicates,
                        unsigned long long seed, PathModelFit& fit);

// Peaks of the smoothed curve by prominence (at least a twentieth of the
// highest), at most N, in time order, and the lowest points between them.
void peaksAndSplits(const Curve& c, std::size_t N, std::vector<std::size_t>& peaks,
                    std::vector<std::size_t>& splits);
// Moving average over 2h + 1 samples, h from the sample count.
std::vector<double> smoothed(const std::vector<double>& y);

}  // namespace kaldero::flowfit
