// The pieces of the flow-path fit (analysis/flow_path_fit.h): the curve as
// the fit sees it, the layout of a model's parameters, the model's values and
// derivatives at the samples, the least-squares problem with its error model,
// and the starting values. Internal to the fit.
#pragma once

#include <Eigen/Dense>
#include <array>
#include <cmath>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"

namespace ceres {
class Problem;
}

namespace kaldero::flowfit {

using numeric::FlowPath;

// A finite number above 0.
inline bool positive(double x) { return std::isfinite(x) && x > 0; }

// The curve as the fit sees it, with its own moments.
struct Curve {
  std::vector<double> t, y, q;  // s, ng/L, m^3/s
  double L = 0;
  double Td = 0;
  double peak = 0;      // largest concentration; residuals are divided by it
  double mass = 0;      // integral of max(y, 0) q dt, ug
  double mean = 0;      // mean travel time, the release's half duration removed, s
  double variance = 0;  // its variance, the release's share removed, s^2
  double sst = 0;       // sum of squares about the mean concentration, (ng/L)^2
  double medianSpacing = 0;  // s
  std::size_t size() const { return t.size(); }
};

// Moments of max(y, 0) q over the samples [i0, i1] by the trapezoidal rule.
struct Moments {
  double mass = 0, mean = 0, variance = 0;
};
Moments moments(const Curve& c, std::size_t i0, std::size_t i1);

// What a model is made of, and where its parameters lie in the parameter
// vector: per path ln v, ln D, ln M; then ln beta, ln alpha of the storage
// zone; then the baseline as a share of the peak; then the AR(1)
// coefficient at the median spacing as theta, phi = 0.9999 / (1 + e^-theta).
struct ModelForm {
  int paths = 1;
  bool storage = false;
  bool baseline = false;
  bool ar1 = false;

  int curveParameters() const { return 3 * paths + (storage ? 2 : 0) + (baseline ? 1 : 0); }
  int size() const { return curveParameters() + (ar1 ? 1 : 0); }
  int storageIndex() const { return 3 * paths; }
  int baselineIndex() const { return 3 * paths + (storage ? 2 : 0); }
  int ar1Index() const { return curveParameters(); }
};

using Parameters = std::vector<double>;

// A start or optimum in natural units.
struct PathSet {
  std::vector<FlowPath> paths;  // velocity, dispersion, mass (storage fields unused)
  double storageRatio = 0, exchangeRate = 0;
  double baseline = 0;          // ng/L
  double correlationTime = 0;   // s
};

Parameters toParameters(const Curve& c, const ModelForm& form, const PathSet& s);
PathSet toPathSet(const Curve& c, const ModelForm& form, const Parameters& x);

// The model's residuals e = (model - y) / peak at the samples and, when J is
// given, their derivatives by the curve's parameters (column-major, n rows,
// form.curveParameters() columns). False where the model cannot be
// evaluated (a value that is not finite).
bool curveResiduals(const Curve& c, const ModelForm& form, const double* x, double* e,
                    double* J);

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
  std::unique_ptr<ceres::Problem> problem_;
};

// Masses by linear least squares for the paths of a start (the model is
// linear in them, and in the baseline); masses not positive take a small
// share of the curve's mass. Returns the start's objective (sum of squares,
// whitened with the start's correlation time when AR(1)), infinite when it
// cannot be evaluated.
double fitLinearParameters(const Curve& c, const ModelForm& form, PathSet& s);

// Candidate starts for a model. fewer: the optimum of the same family with
// one path fewer (empty if none); same: the optimum of the other family
// (without storage for a storage model) with the same number of paths.
std::vector<PathSet> startsFor(const Curve& c, const FlowPathFitInput& in, const ModelForm& form,
                               const PathSet* fewer, const PathSet* same);

// The quantities reported for a model, per path in the order of the
// parameters: v, D, M, mass fraction, dispersivity, Peclet number, mean
// travel time, beta, alpha (the last two 0 without storage); then the total
// mass and the baseline (ng/L). The one definition of them: the intervals
// from the covariance take their gradients by the parameters, the
// bootstrap their values at every refit.
enum PathQuantity {
  kVelocity, kDispersion, kMass, kFraction, kDispersivity, kPeclet, kTravelTime,
  kStorageRatio, kExchangeRate, kPathQuantities
};
struct Quantities {
  std::vector<std::array<double, kPathQuantities>> paths;
  double totalMass = 0;
  double baseline = 0;
};
// recoveredMass 0: fractions of the total.
Quantities quantitiesOf(const Curve& c, const PathSet& s, double recoveredMass);
// The same with the paths ordered by velocity, as the fit reports them.
Quantities byVelocity(Quantities q);

// Refits the model to moving-block resamples of its residuals and sets the
// bootstrap intervals of the fit's estimates (numeric/block_bootstrap.h).
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
