// The result of a flow-path fit (--fit): every number of paths tried, with
// its statistics or why it gave no fit, and the fitted paths of each with
// their 95 % intervals. Computed by analysis/flow_path_fit.h; written by the
// fit file, the fit figure and the results files.
#pragma once

#include <string>
#include <vector>

namespace kaldero {

// The number of paths asked for: 1, 2, 3, or kAutomaticPaths (1 to 3, the
// smallest AICc).
inline constexpr int kAutomaticPaths = 0;
inline constexpr int kMaxPaths = 3;

// A fitted quantity: estimate, standard error and 95 % interval.
struct Estimate {
  double value = 0;
  double standardError = 0;
  double lower = 0;
  double upper = 0;
};

struct FittedPath {
  Estimate velocity;      // m/s
  Estimate dispersion;    // m^2/s
  Estimate mass;          // ug
  Estimate massFraction;  // of the recovered mass
  Estimate dispersivity;  // D / v, m
  Estimate peclet;        // v L / D
};

// The fit of one number of paths, or why there is none (then only the
// counts and the reason are set).
struct PathModelFit {
  int pathCount = 0;
  bool fitted = false;
  std::string reason;             // set when not fitted
  std::vector<FittedPath> paths;  // by increasing velocity
  int samples = 0;                // n
  int parameters = 0;             // k = 3 N
  int degreesOfFreedom = 0;       // n - k
  double rss = 0;                 // (ng/L)^2
  double rmse = 0;                // sqrt(RSS / n), ng/L
  double rSquared = 0;
  double aicc = 0;
  double tQuantile = 0;  // 0.975 quantile of Student's t, n - k d.f.
};

struct FlowPathFitResult {
  std::vector<PathModelFit> models;  // every number of paths tried, ascending
  int chosen = -1;                   // index in models of the chosen fit, -1 for none
  std::string reason;                // why nothing was fitted (chosen == -1)

  bool fitted() const { return chosen >= 0; }
  const PathModelFit* best() const {
    return chosen >= 0 ? &models[static_cast<std::size_t>(chosen)] : nullptr;
  }
};

}  // namespace kaldero
