// The result of a flow-path fit (--fit): every model tried (number of paths,
// without storage, with one storage zone the paths share or with a zone of
// its own on some paths, optionally with first-order decay), with its
// statistics or why it gave no fit, the fitted paths of each with their
// 95 % intervals and whether the data resolve them, the error model's
// statistics and the residuals. Computed by analysis/flow_path_fit.h;
// written by the fit file, the fit figure and the results files.
//
// Units: times s, velocities m/s, dispersion coefficients m^2/s, masses ug,
// concentrations and residuals ng/L (as the fit's input), exchange rates
// 1/s; the likelihood and AICc are of the residuals in ug/L, the unit in
// which RMSE is shown.
#pragma once

#include <string>
#include <vector>

namespace kaldero {

// The number of paths asked for: 1, 2, 3, or kAutomaticPaths (1 to 3, the
// smallest AICc).
inline constexpr int kAutomaticPaths = 0;
inline constexpr int kMaxPaths = 3;

// How the errors of the concentrations are modelled:
// - Independent: one variance, ordinary least squares;
// - Ar1: a first-order autoregressive process in continuous time; the curve
//   fitted by least squares, the process estimated by maximum likelihood
//   from its residuals, the intervals and the criterion from that
//   likelihood (the default);
// - Ar1Gls: the same process estimated jointly with the curve by exact
//   maximum likelihood (generalised least squares): efficient when the
//   model is right, but on a curve whose shape the model misses it fits
//   the changes from sample to sample rather than the concentrations.
// - Ar1Relative: errors whose standard deviation grows with the signal,
//   sqrt(a^2 + (b model)^2) (a fluorometer: an offset noise and a few
//   percent of the reading), correlated as Ar1; the curve fitted by
//   weighted least squares, a, b and the correlation by maximum
//   likelihood from the residuals.
enum class ErrorModel { Independent, Ar1, Ar1Gls, Ar1Relative };

// The 95 % intervals: from the covariance at the optimum (always), and
// also from a residual bootstrap (the residuals' AR(1) process resampled).
enum class IntervalMethod { Covariance, Bootstrap };

// Storage zones: not tried (None), every layout tried beside the paths
// without (Allowed: the criterion chooses), one zone the paths share
// (Forced), or a zone of its own on some of the paths (PerPath: each
// choice of the paths that have one is tried, the criterion chooses).
enum class StorageChoice { None, Allowed, Forced, PerPath };

// The storage zones of a model: none, one the paths share, or one of its
// own on each path that has one.
enum class ZoneLayout { None, Shared, PerPath };

// What the concentrations fitted are: the measured samples (background
// subtracted), or a curve interpolated onto knots, whose neighbouring
// values are not independent measurements.
enum class SampleSource { Measured, Knots };

// A fitted quantity: estimate, standard error and 95 % interval from the
// covariance, and the sieve bootstrap's 95 % percentile interval
// when one was asked for.
struct Estimate {
  double value = 0;
  double standardError = 0;
  double lower = 0;
  double upper = 0;
  bool bootstrapped = false;
  double bootstrapLower = 0;
  double bootstrapUpper = 0;
  // A fitted parameter the data do not resolve: t standard errors reach
  // its value (it cannot be told from zero), or the optimum sits on the
  // bound of its range. Its interval is then wide, or meaningless at a
  // bound.
  bool resolved = true;
};

struct FittedPath {
  Estimate velocity;      // m/s, of the mobile water with a storage zone
  Estimate dispersion;    // m^2/s
  Estimate mass;          // ug
  Estimate massFraction;  // of the recovered mass (of the fitted total without one)
  Estimate dispersivity;  // D / v, m
  Estimate peclet;        // v L / D
  Estimate meanTravelTime;  // (1 + beta) L / v, s (L / v without storage)
  bool storage = false;     // the two below are set only with a storage zone
  Estimate storageRatio;    // beta: immobile over mobile capacity
  Estimate exchangeRate;    // alpha, 1/s
  // A reach's bypass: tracer that reaches the downstream station from the
  // release without passing the upstream one, on a path of the downstream
  // station's whole travel distance (its Peclet number and travel time of
  // that distance; its massFraction a share of the tracer the downstream
  // station receives).
  bool bypass = false;
  bool resolved() const {
    return velocity.resolved && dispersion.resolved && mass.resolved &&
           (!storage || (storageRatio.resolved && exchangeRate.resolved));
  }
};

// The residuals' correlation and the error model's statistics.
struct ErrorStatistics {
  ErrorModel model = ErrorModel::Independent;
  // AR(1): the lag-1 coefficient at the median spacing, with an interval
  // from its asymptotic variance (1 - phi^2) / n; 0 for independent errors.
  Estimate lag1;
  double correlationTime = 0;   // s, tau of exp(-dt / tau); 0 for independent errors
  double medianSpacing = 0;     // s
  double effectiveSamples = 0;  // the information of the samples as independent ones
  double durbinWatson = 0;      // of the residuals
  double residualLag1 = 0;      // lag-1 autocorrelation of the residuals
  double whitenedLag1 = 0;      // the same of the whitened residuals (AR(1)); near 0 if it holds
  // Ar1Relative: the standard deviation sqrt(a^2 + (b model)^2) of the
  // errors, a in ng/L and b a share of the model.
  double offsetError = 0;    // a
  double relativeError = 0;  // b
};

struct BootstrapSummary {
  int replicates = 0;   // resamples asked for
  int failed = 0;       // of them, those whose refit did not converge (left out)
  double lag1 = 0;      // of the AR(1) process the resamples are drawn from
  unsigned long long seed = 0;
};

// The fit of one model, or why there is none (then only the counts and the
// reason are set).
struct PathModelFit {
  int pathCount = 0;
  ZoneLayout zones = ZoneLayout::None;
  // Which paths have a zone (by increasing velocity once fitted).
  std::vector<bool> zoned;
  bool decay = false;    // first-order decay, one rate for every path
  // A reach: a bypass path besides the pathCount paths of the reach (the
  // last of paths).
  bool bypass = false;
  bool fitted = false;
  std::string reason;             // set when not fitted
  // Fitted, but a parameter the data do not resolve (Estimate::resolved),
  // or the solver stopped before it settled: the estimates stand with
  // their wide intervals, and the automatic choice passes the model over.
  bool resolved = true;
  bool settled = true;
  std::string caution;            // why not resolved or not settled
  std::vector<FittedPath> paths;  // by increasing velocity
  int samples = 0;                // n
  int parameters = 0;             // of the curve: 3 N, + 2 a zone, + 1 for decay, + 1 with a baseline
  int degreesOfFreedom = 0;       // n - parameters, - 1 for the AR(1) coefficient
  double rss = 0;                 // (ng/L)^2, of the residuals
  double rmse = 0;                // sqrt(RSS / n), ng/L
  double rSquared = 0;
  double logLikelihood = 0;       // ln L of the residuals in ug/L, at the estimated variance
  int criterionParameters = 0;    // parameters + variance (+ AR(1) coefficient)
  double aicc = 0;                // -2 ln L + 2p + 2p(p+1)/(n-p-1), p = criterionParameters
  // 0.975 quantile of Student's t of the intervals: degreesOfFreedom for
  // independent errors, effective samples - parameters (at least 1) for AR(1).
  double tQuantile = 0;
  ErrorStatistics errors;
  bool baseline = false;
  Estimate baselineOffset;        // ng/L, set with a baseline
  Estimate totalMass;             // ug, the paths together: the estimate of the total mass
  Estimate decayRate;             // 1/s, set with decay
  std::vector<double> modelValues;  // the model at the samples, ng/L
  std::vector<double> residuals;    // measured - model, ng/L
  BootstrapSummary bootstrap;     // when bootstrap intervals were made

  // "2" paths, "2s" sharing a zone, "2p:1" a zone on path 1 only ("2p:12"
  // one on each), "+decay" with decay.
  std::string label() const {
    std::string s = std::to_string(pathCount);
    if (zones == ZoneLayout::Shared) s += "s";
    if (zones == ZoneLayout::PerPath) {
      s += "p:";
      for (std::size_t j = 0; j < zoned.size(); ++j)
        if (zoned[j]) s += std::to_string(j + 1);
    }
    if (bypass) s += "+bypass";
    return decay ? s + "+decay" : s;
  }
  // In words: "2 paths sharing a storage zone", "2 paths, a storage zone
  // of its own on path 1, with decay", "1 path and a bypass".
  std::string description() const {
    std::string zones;
    if (this->zones == ZoneLayout::Shared)
      zones = pathCount == 1 ? " with a storage zone" : " sharing a storage zone";
    if (this->zones == ZoneLayout::PerPath) {
      std::string which;
      int count = 0;
      for (std::size_t j = 0; j < zoned.size(); ++j)
        if (zoned[j]) {
          which += (which.empty() ? "" : " and ") + std::to_string(j + 1);
          ++count;
        }
      zones = count > 1 ? ", a storage zone of its own on paths " + which
                        : ", a storage zone of its own on path " + which;
    }
    return std::to_string(pathCount) + (pathCount == 1 ? " path" : " paths") + zones +
           (bypass ? " and a bypass" : "") + (decay ? ", with decay" : "");
  }
  // Some path with a storage zone.
  bool storage() const { return zones != ZoneLayout::None; }
  // Chosen by the criterion only when every parameter is resolved and the
  // solver settled.
  bool choosable() const { return fitted && resolved && settled; }
};

// The measurement errors of a reach's upstream station, as its own fit
// estimated them: the standard deviation sqrt(a^2 + (b c)^2) of a reading
// c, AR(1) in continuous time with the correlation time (0: independent).
struct InputErrors {
  double offset = 0;           // a, ng/L
  double relative = 0;         // b
  double correlationTime = 0;  // s
  bool any() const { return offset > 0 || relative > 0; }
};

struct FlowPathFitResult {
  std::vector<PathModelFit> models;  // every model tried, by paths, without storage first
  int chosen = -1;                   // index in models of the chosen fit, -1 for none
  std::string reason;                // why nothing was fitted (chosen == -1)
  // The criterion chose the most paths tried (automatic choice only): a
  // further path might lower it still; the extra paths then describe the
  // curve's shape rather than separate routes.
  bool stillImprovingAtLargest = false;

  // What was fitted and how: the samples as the fit took them (times since
  // the tracer reached the flow zone, `arrival` after the release), the
  // travel distance and the release duration.
  std::vector<double> times;           // s
  std::vector<double> concentrations;  // ng/L, background subtracted, signed
  std::vector<double> discharges;      // m^3/s
  double arrival = 0;                  // s after the release
  double distance = 0;                 // m
  double releaseDuration = 0;          // s
  int samplesFitted = 0;
  SampleSource sampleSource = SampleSource::Measured;
  double recoveredMass = 0;   // ug, as given (0 for none)
  int pathsAsked = kAutomaticPaths;
  StorageChoice storage = StorageChoice::Allowed;
  ErrorModel errorModel = ErrorModel::Ar1;
  IntervalMethod intervals = IntervalMethod::Covariance;
  bool baseline = false;
  bool decay = false;  // asked for
  // The model chosen is not resolved (no model tried was): its estimates
  // stand with their flags.
  bool chosenUnresolved = false;
  // A reach, fitted from an upstream flux; the upstream errors carried into
  // its intervals (none: the upstream flux taken as exact).
  bool reach = false;
  InputErrors inputErrors;
  // A part of a joint fit (--fit-joint): a reach's input is the modelled
  // flux of its upstream station, whose parameters' errors are in the
  // intervals.
  bool joint = false;

  // The chosen model on a drawing grid over the samples (times as above,
  // linear over the samples and denser near their start, so that a
  // logarithmic time axis draws it as smoothly): the fitted sum with its
  // 95 % band (the delta method on the parameters' covariance, the fit's
  // own t quantile), and each path's share when there are several. Empty
  // without a fit. Every figure of the fit draws this curve.
  struct ModelCurve {
    std::vector<double> times;  // s
    std::vector<double> sum, low, high;  // ng/L
    std::vector<std::vector<double>> paths;  // ng/L, by the paths' order
  };
  ModelCurve curve;

  bool fitted() const { return chosen >= 0; }
  // Some model tried has a reach's bypass.
  bool bypassTried() const {
    for (const PathModelFit& m : models)
      if (m.bypass) return true;
    return false;
  }
  const PathModelFit* best() const {
    return chosen >= 0 ? &models[static_cast<std::size_t>(chosen)] : nullptr;
  }
};


// A joint fit (--fit-joint): the first station of a chain fitted from the
// release and every reach after it fitted at once, each reach carrying the
// modelled flux of the station above it (so that the first reach is shared
// by every station below), each station with its own errors (AR(1), or
// independent with those errors asked for). Each
// part keeps the model its own fit chose; its estimates and 95 % intervals
// are of the joint fit, the statistics of its own station's samples.
struct JointFitPart {
  std::string from;  // the upstream station's data file; empty: the release
  std::string to;    // the station's data file
  double length = 0;  // m: the station's distance from the release, or the reach's length
  // One model (chosen), its paths with the joint intervals; the samples it
  // fitted; no drawing curve.
  FlowPathFitResult fit;
};

struct JointFitResult {
  bool fitted = false;
  std::string reason;  // why not (fitted false)
  std::vector<JointFitPart> parts;  // the first station, then the reaches down the chain
  int samples = 0;      // of every station together
  int parameters = 0;   // of the curves together
  double effectiveSamples = 0;
  double tQuantile = 0;  // of every interval: the effective samples less the parameters
  double logLikelihood = 0;  // of every station, ug/L, each with its AR(1) errors
  bool settled = true;
  std::string caution;  // a part not resolved, or the solver not settled
};

}  // namespace kaldero
