#include "analysis/flow_path_fit.h"

#include <ceres/ceres.h>
#include <glog/logging.h>

#include <Eigen/Dense>
#include <algorithm>
#include <array>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numeric>
#include <string>
#include <utility>

namespace kaldero {

namespace {

using numeric::FlowPath;
using Params = std::vector<std::array<double, 3>>;  // ln v, ln D, ln M per path

bool positive(double x) { return std::isfinite(x) && x > 0; }

// Iterations of a start, and of the best start carried to convergence.
constexpr int kStartIterations = 8;
constexpr int kFinalIterations = 100;
// Bounds of ln v, ln D and ln M around the curve's own values.
constexpr double kVelocityRange = 6.907755278982137;     // ln 1e3
constexpr double kDispersionRange = 13.815510557964274;  // ln 1e6
constexpr double kMassRange = 13.815510557964274;
// An RMSE below this share of the peak counts as exact in the AICc.
constexpr double kExactShare = 1e-9;

// Ceres reports through glog on the standard error stream (a start it
// cannot evaluate, a covariance of a Jacobian without full rank). The fit
// gives its own reasons, and this library writes to no stream: glog keeps
// quiet while a fit runs (the level is process-wide: fits on several threads
// at once would restore it in any order).
class QuietSolver {
 public:
  QuietSolver() : saved_(FLAGS_minloglevel) { FLAGS_minloglevel = google::GLOG_FATAL; }
  ~QuietSolver() { FLAGS_minloglevel = saved_; }
  QuietSolver(const QuietSolver&) = delete;
  QuietSolver& operator=(const QuietSolver&) = delete;

 private:
  int saved_;
};

// The curve as the fit sees it, with its own moments.
struct Curve {
  std::vector<double> t, y, q;
  double L = 0;
  double Td = 0;
  double peak = 0;      // largest concentration; residuals are divided by it
  double mass = 0;      // integral of y q dt, ug
  double mean = 0;      // mean travel time, the release's half duration removed, s
  double variance = 0;  // its variance, the release's share removed, s^2
  double sst = 0;       // sum of squares about the mean concentration
  std::size_t size() const { return t.size(); }
};

// Moments of max(y, 0) q over the samples [i0, i1]: mass, mean time and
// variance, by the trapezoidal rule.
struct Moments {
  double mass = 0, mean = 0, variance = 0;
};

Moments moments(const Curve& c, std::size_t i0, std::size_t i1) {
  double m0 = 0, m1 = 0, m2 = 0;
  for (std::size_t i = i0; i < i1; ++i) {
    const double dt = c.t[i + 1] - c.t[i];
    const double w0 = std::max(c.y[i], 0.0) * c.q[i];
    const double w1 = std::max(c.y[i + 1], 0.0) * c.q[i + 1];
    m0 += 0.5 * dt * (w0 + w1);
    m1 += 0.5 * dt * (w0 * c.t[i] + w1 * c.t[i + 1]);
    m2 += 0.5 * dt * (w0 * c.t[i] * c.t[i] + w1 * c.t[i + 1] * c.t[i + 1]);
  }
  Moments m;
  if (!(m0 > 0)) return m;
  m.mass = m0;
  m.mean = m1 / m0;
  m.variance = std::max(m2 / m0 - m.mean * m.mean, 0.0);
  return m;
}

// A path whose travel-time mean and variance are those given (the release
// removed), with the mass given.
FlowPath pathFromMoments(const Curve& c, double mean, double variance, double mass) {
  mean -= c.Td / 2;
  variance -= c.Td * c.Td / 12;
  if (!(mean > 0)) mean = std::max(c.mean, 1e-9);
  if (!(variance > 0)) variance = 0.01 * mean * mean;
  const double v = c.L / mean;
  return {v, variance * v * v * v / (2 * c.L), mass};
}

// Moving average over 2h + 1 samples, h from the sample count.
std::vector<double> smoothed(const std::vector<double>& y) {
  const std::size_t n = y.size();
  const std::size_t h = n / 100;
  std::vector<double> s(n);
  std::vector<double> prefix(n + 1, 0.0);
  for (std::size_t i = 0; i < n; ++i) prefix[i + 1] = prefix[i] + y[i];
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t a = i >= h ? i - h : 0, b = std::min(n - 1, i + h);
    s[i] = (prefix[b + 1] - prefix[a]) / static_cast<double>(b - a + 1);
  }
  return s;
}

// Why the data cannot be fitted at all; empty when they can.
std::string checkInput(const FlowPathFitInput& in) {
  const std::size_t n = in.times.size();
  if (in.concentrations.size() != n || in.discharges.size() != n)
    return "times, concentrations and discharges differ in number";
  if (in.paths != kAutomaticPaths && (in.paths < 1 || in.paths > kMaxPaths))
    return "the number of flow paths must be 1, 2 or 3";
  if (!positive(in.distance)) return "the travel distance is not positive";
  if (!std::isfinite(in.releaseDuration) || in.releaseDuration < 0)
    return "the release duration is negative or not a number";
  if (n < 5) return "the curve has " + std::to_string(n) + " samples; a fit needs at least 5";
  for (std::size_t i = 0; i < n; ++i) {
    const std::string at = " at sample " + std::to_string(i + 1);
    if (!std::isfinite(in.times[i]) || !std::isfinite(in.concentrations[i]) ||
        !std::isfinite(in.discharges[i]))
      return "a value is not a finite number" + at;
    if (!(in.discharges[i] > 0)) return "the discharge is not positive" + at;
    if (i > 0 && !(in.times[i] > in.times[i - 1])) return "the times do not increase" + at;
  }
  return {};
}

// Why the curve's shape cannot be fitted; empty when it can.
std::string checkShape(const Curve& c) {
  if (!(c.peak > 0)) return "no concentration is positive";
  if (!(c.sst > 0)) return "the curve is flat";
  const std::vector<double> s = smoothed(c.y);
  const auto top = std::max_element(s.begin(), s.end());
  const double after = *std::min_element(top, s.end());
  if (top + 1 == s.end() || after > 0.5 * *top)
    return "the curve does not fall after its peak (it never drops to half the peak)";
  if (!(c.mass > 0) || !(c.mean > 0)) return "the curve's mass lies before the release";
  return {};
}

// The residuals (model - measured) / peak for N paths of (ln v, ln D, ln M),
// with their derivatives.
class CurveCost final : public ceres::CostFunction {
 public:
  CurveCost(const Curve& c, int paths) : c_(c), paths_(paths) {
    set_num_residuals(static_cast<int>(c.size()));
    for (int j = 0; j < paths; ++j) mutable_parameter_block_sizes()->push_back(3);
  }

  bool Evaluate(double const* const* p, double* r, double** J) const override {
    const std::size_t n = c_.size();
    for (std::size_t i = 0; i < n; ++i) r[i] = -c_.y[i] / c_.peak;
    for (int j = 0; j < paths_; ++j) {
      const double v = std::exp(p[j][0]), D = std::exp(p[j][1]), M = std::exp(p[j][2]);
      const numeric::PathResponse path(c_.L, v, D, c_.Td);
      double* Jj = J ? J[j] : nullptr;
      for (std::size_t i = 0; i < n; ++i) {
        const numeric::Response h = path.pulse(c_.t[i]);
        const double f = M / (c_.q[i] * c_.peak);
        r[i] += f * h.value;
        if (Jj) {
          Jj[3 * i] = f * v * h.dVelocity;
          Jj[3 * i + 1] = f * D * h.dDispersion;
          Jj[3 * i + 2] = f * h.value;
        }
      }
    }
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(r[i])) return false;
    if (J)
      for (int j = 0; j < paths_; ++j)
        if (J[j])
          for (std::size_t i = 0; i < 3 * n; ++i)
            if (!std::isfinite(J[j][i])) return false;
    return true;
  }

 private:
  const Curve& c_;
  int paths_;
};

struct Bounds {
  std::array<double, 3> centre{};  // ln v, ln D, ln M of the curve
  std::array<double, 3> range{kVelocityRange, kDispersionRange, kMassRange};
  double lower(int k) const {
    return centre[static_cast<std::size_t>(k)] - range[static_cast<std::size_t>(k)];
  }
  double upper(int k) const {
    return centre[static_cast<std::size_t>(k)] + range[static_cast<std::size_t>(k)];
  }
};

// One least-squares problem of N paths; kept alive for the covariance.
class PathProblem {
 public:
  PathProblem(const Curve& c, const Bounds& b, const Params& start) : x_(start) {
    ceres::Problem::Options po;
    problem_ = std::make_unique<ceres::Problem>(po);
    std::vector<double*> blocks;
    for (auto& p : x_) {
      for (int k = 0; k < 3; ++k)
        p[static_cast<std::size_t>(k)] =
            std::clamp(p[static_cast<std::size_t>(k)], b.lower(k), b.upper(k));
      blocks.push_back(p.data());
    }
    problem_->AddResidualBlock(new CurveCost(c, static_cast<int>(x_.size())), nullptr, blocks);
  }

  // Runs the minimizer; returns the cost (half the scaled RSS), infinite when
  // the problem could not be evaluated. converged tells whether it stopped
  // on a tolerance rather than on the iteration limit.
  double solve(int iterations, bool* converged = nullptr) {
    ceres::Solver::Options o;
    o.minimizer_type = ceres::TRUST_REGION;
    o.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
    o.linear_solver_type = ceres::DENSE_QR;
    o.max_num_iterations = iterations;
    o.function_tolerance = 1e-12;
    o.parameter_tolerance = 1e-10;
    o.gradient_tolerance = 1e-14;
    o.num_threads = 1;
    o.logging_type = ceres::SILENT;
    o.minimizer_progress_to_stdout = false;
    ceres::Solver::Summary s;
    ceres::Solve(o, problem_.get(), &s);
    if (converged) *converged = s.termination_type == ceres::CONVERGENCE;
    if (s.termination_type == ceres::FAILURE || !std::isfinite(s.final_cost))
      return std::numeric_limits<double>::infinity();
    return s.final_cost;
  }

  // The covariance of (J^T J)^-1 of the scaled residuals, 3N x 3N; false
  // when J has not full rank.
  bool inverseNormalMatrix(Eigen::MatrixXd& out) {
    ceres::Covariance::Options o;
    o.algorithm_type = ceres::DENSE_SVD;
    o.null_space_rank = 0;
    o.apply_loss_function = false;
    o.num_threads = 1;
    ceres::Covariance cov(o);
    std::vector<const double*> blocks;
    for (const auto& p : x_) blocks.push_back(p.data());
    std::vector<std::pair<const double*, const double*>> pairs;
    for (const double* a : blocks)
      for (const double* b : blocks) pairs.emplace_back(a, b);
    if (!cov.Compute(pairs, problem_.get())) return false;
    const Eigen::Index k = static_cast<Eigen::Index>(3 * x_.size());
    Eigen::Matrix<double, Eigen::Dynamic, Eigen::Dynamic, Eigen::RowMajor> m(k, k);
    if (!cov.GetCovarianceMatrix(blocks, m.data())) return false;
    out = m;
    return true;
  }

  const Params& parameters() const { return x_; }

 private:
  Params x_;
  std::unique_ptr<ceres::Problem> problem_;
};

// Unit-mass concentrations of a path at the samples: response / Q.
std::vector<double> unitCurve(const Curve& c, double v, double D) {
  const numeric::PathResponse path(c.L, v, D, c.Td);
  std::vector<double> h(c.size());
  for (std::size_t i = 0; i < c.size(); ++i) h[i] = path.pulse(c.t[i]).value / c.q[i];
  return h;
}

// Sets the masses of the paths by linear least squares (the model is linear
// in them) and returns the RSS; masses that come out not positive take a
// small share of the curve's mass.
double fitMasses(const Curve& c, std::vector<FlowPath>& paths) {
  const std::size_t N = paths.size();
  const Eigen::Index n = static_cast<Eigen::Index>(c.size());
  Eigen::MatrixXd H(n, static_cast<Eigen::Index>(N));
  for (std::size_t j = 0; j < N; ++j) {
    const std::vector<double> h = unitCurve(c, paths[j].velocity, paths[j].dispersion);
    for (Eigen::Index i = 0; i < n; ++i)
      H(i, static_cast<Eigen::Index>(j)) = h[static_cast<std::size_t>(i)];
  }
  const Eigen::VectorXd y = Eigen::Map<const Eigen::VectorXd>(c.y.data(), n);
  const Eigen::VectorXd m = H.colPivHouseholderQr().solve(y);
  for (std::size_t j = 0; j < N; ++j) {
    const double mj = m(static_cast<Eigen::Index>(j));
    paths[j].mass = positive(mj) ? mj : 0.01 * c.mass / static_cast<double>(N);
  }
  Eigen::VectorXd mass(static_cast<Eigen::Index>(N));
  for (std::size_t j = 0; j < N; ++j) mass(static_cast<Eigen::Index>(j)) = paths[j].mass;
  const double rss = (H * mass - y).squaredNorm();
  return std::isfinite(rss) ? rss : std::numeric_limits<double>::infinity();
}

// Peaks of the smoothed curve, by prominence at least a twentieth of the
// highest: their sample positions in time order, at most N, with the
// positions of the lowest points between them.
void peaksAndSplits(const Curve& c, std::size_t N, std::vector<std::size_t>& peaks,
                    std::vector<std::size_t>& splits) {
  const std::vector<double> s = smoothed(c.y);
  const std::size_t n = s.size();
  const double top = *std::max_element(s.begin(), s.end());
  std::vector<std::pair<double, std::size_t>> found;  // prominence, position
  for (std::size_t i = 0; i < n; ++i) {
    const bool left = i == 0 || s[i] > s[i - 1];
    const bool right = i + 1 == n || s[i] >= s[i + 1];
    if (!left || !right || !(s[i] > 0)) continue;
    double lowLeft = s[i], lowRight = s[i];
    std::size_t k = i;
    while (k > 0 && s[k - 1] <= s[i]) lowLeft = std::min(lowLeft, s[--k]);
    if (k == 0) lowLeft = std::min(lowLeft, 0.0);
    k = i;
    while (k + 1 < n && s[k + 1] <= s[i]) lowRight = std::min(lowRight, s[++k]);
    if (k + 1 == n) lowRight = std::min(lowRight, 0.0);
    const double prominence = s[i] - std::max(lowLeft, lowRight);
    if (prominence >= 0.05 * top) found.emplace_back(prominence, i);
  }
  std::sort(found.begin(), found.end(), std::greater<>());
  if (found.size() > N) found.resize(N);
  peaks.clear();
  for (const auto& f : found) peaks.push_back(f.second);
  std::sort(peaks.begin(), peaks.end());
  splits.clear();
  for (std::size_t j = 0; j + 1 < peaks.size(); ++j) {
    const auto low = std::min_element(s.begin() + static_cast<std::ptrdiff_t>(peaks[j]),
                                      s.begin() + static_cast<std::ptrdiff_t>(peaks[j + 1]));
    splits.push_back(static_cast<std::size_t>(low - s.begin()));
  }
}

// Paths from the moments of the curve cut at the given sample positions.
std::vector<FlowPath> pathsFromSegments(const Curve& c, std::vector<std::size_t> cuts) {
  std::vector<FlowPath> paths;
  cuts.insert(cuts.begin(), 0);
  cuts.push_back(c.size() - 1);
  for (std::size_t j = 0; j + 1 < cuts.size(); ++j) {
    const Moments m = moments(c, cuts[j], cuts[j + 1]);
    if (!(m.mass > 0)) continue;
    paths.push_back(pathFromMoments(c, m.mean, m.variance, m.mass));
  }
  return paths;
}

// Cuts at the given shares of the curve's mass.
std::vector<std::size_t> massQuantileCuts(const Curve& c, std::size_t N) {
  std::vector<std::size_t> cuts;
  double cumulative = 0;
  std::size_t next = 1;
  for (std::size_t i = 0; i + 1 < c.size() && next < N; ++i) {
    cumulative += 0.5 * (c.t[i + 1] - c.t[i]) *
                  (std::max(c.y[i], 0.0) * c.q[i] + std::max(c.y[i + 1], 0.0) * c.q[i + 1]);
    if (cumulative >= c.mass * static_cast<double>(next) / static_cast<double>(N)) {
      cuts.push_back(i + 1);
      ++next;
    }
  }
  return cuts;
}

// The paths of a fit with one path fewer and a new one where the smoothed
// residual is largest, its width from where the residual falls to half.
std::vector<FlowPath> pathsWithResidualPeak(const Curve& c, std::vector<FlowPath> paths) {
  std::vector<double> r(c.size());
  for (std::size_t i = 0; i < c.size(); ++i)
    r[i] = c.y[i] - numeric::concentration(c.t[i], c.L, c.q[i], c.Td, paths);
  const std::vector<double> s = smoothed(r);
  const std::size_t top =
      static_cast<std::size_t>(std::max_element(s.begin(), s.end()) - s.begin());
  if (!(s[top] > 0) || !(c.t[top] > 0)) return {};
  std::size_t a = top, b = top;
  while (a > 0 && s[a] > 0.5 * s[top]) --a;
  while (b + 1 < c.size() && s[b] > 0.5 * s[top]) ++b;
  const double sigma = std::max((c.t[b] - c.t[a]) / 2.3548, 1e-3 * c.t[top]);
  paths.push_back(pathFromMoments(c, c.t[top], sigma * sigma, s[top]));
  return paths;
}

Params toParams(const std::vector<FlowPath>& paths) {
  Params x;
  for (const FlowPath& p : paths)
    x.push_back({std::log(p.velocity), std::log(p.dispersion), std::log(p.mass)});
  return x;
}

std::vector<FlowPath> toPaths(const Params& x) {
  std::vector<FlowPath> paths;
  for (const auto& p : x) paths.push_back({std::exp(p[0]), std::exp(p[1]), std::exp(p[2])});
  return paths;
}

// Starts for N paths, each with its masses fitted linearly.
std::vector<std::vector<FlowPath>> startsFor(const Curve& c, const FlowPathFitInput& in,
                                             std::size_t N,
                                             const std::vector<FlowPath>& fewerPaths) {
  std::vector<std::vector<FlowPath>> starts;
  if (N == 1) {
    const FlowPath curve =
        pathFromMoments(c, c.mean + c.Td / 2, c.variance + c.Td * c.Td / 12, c.mass);
    std::vector<double> velocities{curve.velocity};
    if (positive(in.meanTransitTime)) velocities.push_back(c.L / in.meanTransitTime);
    if (positive(in.peakTime)) velocities.push_back(c.L / in.peakTime);
    std::vector<double> dispersions{curve.dispersion};
    if (positive(in.momentDispersion)) dispersions.push_back(in.momentDispersion);
    if (positive(in.chatwinDispersion)) dispersions.push_back(in.chatwinDispersion);
    for (double v : velocities)
      for (double D : dispersions) starts.push_back({{v, D, c.mass}});
  } else {
    std::vector<std::size_t> peaks, splits;
    peaksAndSplits(c, N, peaks, splits);
    if (peaks.size() == N) starts.push_back(pathsFromSegments(c, splits));
    starts.push_back(pathsFromSegments(c, massQuantileCuts(c, N)));
    if (fewerPaths.size() + 1 == N) starts.push_back(pathsWithResidualPeak(c, fewerPaths));
    // The same with narrower paths: cutting a curve at its minima leaves
    // each part the tails of its neighbours.
    const std::size_t made = starts.size();
    for (std::size_t s = 0; s < made; ++s) {
      std::vector<FlowPath> narrow = starts[s];
      for (FlowPath& p : narrow) p.dispersion *= 0.3;
      starts.push_back(narrow);
    }
  }
  std::erase_if(starts, [N](const std::vector<FlowPath>& s) {
    if (s.size() != N) return true;
    return std::any_of(s.begin(), s.end(), [](const FlowPath& p) {
      return !positive(p.velocity) || !positive(p.dispersion);
    });
  });
  return starts;
}

// Estimate of a positive quantity x whose logarithm has the gradient g in
// the fitted parameters.
Estimate logEstimate(double x, const Eigen::VectorXd& g, const Eigen::MatrixXd& cov, double t) {
  const double se = std::sqrt(std::max(g.dot(cov * g), 0.0));
  return {x, x * se, x * std::exp(-t * se), x * std::exp(t * se)};
}

bool finite(const Estimate& e) {
  return std::isfinite(e.value) && std::isfinite(e.standardError) && std::isfinite(e.lower) &&
         std::isfinite(e.upper);
}

const char* const kParameterNames[3] = {"velocity", "dispersion coefficient", "mass"};

// The model of N paths: the best of the starts, its statistics and
// uncertainty. raw receives the optimum, fitted or not, for the next N.
PathModelFit fitModel(const Curve& c, const FlowPathFitInput& in, const Bounds& bounds,
                      std::size_t N, const std::vector<FlowPath>& fewerPaths,
                      std::vector<FlowPath>& raw) {
  PathModelFit fit;
  fit.pathCount = static_cast<int>(N);
  fit.samples = static_cast<int>(c.size());
  fit.parameters = static_cast<int>(3 * N);
  fit.degreesOfFreedom = fit.samples - fit.parameters;
  raw.clear();
  // No fit: the reason, and no paths or statistics that could be taken for
  // results.
  auto noFit = [&fit](std::string reason) {
    PathModelFit none;
    none.pathCount = fit.pathCount;
    none.samples = fit.samples;
    none.parameters = fit.parameters;
    none.degreesOfFreedom = fit.degreesOfFreedom;
    none.reason = std::move(reason);
    return none;
  };
  if (fit.samples < fit.parameters + 2)
    return noFit(std::to_string(N) + " path(s) need at least " +
                 std::to_string(fit.parameters + 2) + " samples");

  std::vector<std::vector<FlowPath>> starts = startsFor(c, in, N, fewerPaths);
  std::vector<std::pair<double, std::size_t>> ranked;
  for (std::size_t s = 0; s < starts.size(); ++s) ranked.emplace_back(fitMasses(c, starts[s]), s);
  std::sort(ranked.begin(), ranked.end());
  const std::size_t tried = std::min<std::size_t>(ranked.size(), N == 1 ? 2 : 4);

  std::unique_ptr<PathProblem> best;
  double bestCost = std::numeric_limits<double>::infinity();
  for (std::size_t r = 0; r < tried; ++r) {
    auto p = std::make_unique<PathProblem>(c, bounds, toParams(starts[ranked[r].second]));
    const double cost = p->solve(kStartIterations);
    if (cost < bestCost) {
      bestCost = cost;
      best = std::move(p);
    }
  }
  if (!best) return noFit("the model cannot be evaluated from any start");
  bool converged = false;
  bestCost = best->solve(kFinalIterations, &converged);
  const Params& x = best->parameters();
  raw = toPaths(x);
  if (!std::isfinite(bestCost)) return noFit("the model cannot be evaluated at the optimum");

  for (std::size_t j = 0; j < N; ++j)
    for (int k = 0; k < 3; ++k) {
      const double p = x[j][static_cast<std::size_t>(k)];
      if (!(p > bounds.lower(k) && p < bounds.upper(k)))
        return noFit("the fit drives the " + std::string(kParameterNames[k]) +
                     " of a path out of the range the curve allows");
    }
  if (!converged)
    return noFit("the fit does not settle within " + std::to_string(kFinalIterations) +
                 " iterations");

  const double n = static_cast<double>(c.size());
  const double k = static_cast<double>(fit.parameters);
  fit.rss = 2 * bestCost * c.peak * c.peak;
  fit.rmse = std::sqrt(fit.rss / n);
  fit.rSquared = 1 - fit.rss / c.sst;
  const double exact = n * (kExactShare * c.peak) * (kExactShare * c.peak);
  fit.aicc = n * std::log(std::max(fit.rss, exact) / n) + 2 * k + 2 * k * (k + 1) / (n - k - 1);
  fit.tQuantile = boost::math::quantile(
      boost::math::students_t(static_cast<double>(fit.degreesOfFreedom)), 0.975);

  Eigen::MatrixXd cov;
  if (!best->inverseNormalMatrix(cov))
    return noFit("the parameters cannot be told apart (the model's derivatives are dependent)");
  // s^2 (J^T J)^-1 in the scaled residuals.
  cov *= 2 * bestCost / static_cast<double>(fit.degreesOfFreedom);

  const Eigen::Index K = static_cast<Eigen::Index>(3 * N);
  double totalMass = 0;
  for (const FlowPath& p : raw) totalMass += p.mass;
  const bool ofRecovered = positive(in.recoveredMass);
  const double reference = ofRecovered ? in.recoveredMass : totalMass;
  auto unit = [K](Eigen::Index i) {
    Eigen::VectorXd e = Eigen::VectorXd::Zero(K);
    e(i) = 1;
    return e;
  };
  for (std::size_t j = 0; j < N; ++j) {
    const Eigen::Index iv = static_cast<Eigen::Index>(3 * j), iD = iv + 1, iM = iv + 2;
    const FlowPath& p = raw[j];
    FittedPath f;
    const double t = fit.tQuantile;
    f.velocity = logEstimate(p.velocity, unit(iv), cov, t);
    f.dispersion = logEstimate(p.dispersion, unit(iD), cov, t);
    f.mass = logEstimate(p.mass, unit(iM), cov, t);
    Eigen::VectorXd g = unit(iM);
    if (!ofRecovered)
      for (std::size_t m = 0; m < N; ++m)
        g(static_cast<Eigen::Index>(3 * m + 2)) -= raw[m].mass / totalMass;
    f.massFraction = logEstimate(p.mass / reference, g, cov, t);
    f.dispersivity = logEstimate(p.dispersion / p.velocity, unit(iD) - unit(iv), cov, t);
    f.peclet = logEstimate(p.velocity * c.L / p.dispersion, unit(iv) - unit(iD), cov, t);
    for (const Estimate* e :
         {&f.velocity, &f.dispersion, &f.mass, &f.massFraction, &f.dispersivity, &f.peclet})
      if (!finite(*e)) return noFit("the uncertainty of the parameters is not finite");
    // A path the data do not resolve: one of its parameters cannot be told
    // from zero at the 95 % level (t se >= value). Typically a narrow spike
    // fitted to noise, or two paths sharing one peak.
    const std::pair<const Estimate*, const char*> resolved[3] = {
        {&f.velocity, "velocity"}, {&f.dispersion, "dispersion coefficient"}, {&f.mass, "mass"}};
    for (const auto& [e, name] : resolved)
      if (!(t * e->standardError < e->value)) {
        char share[32];
        std::snprintf(share, sizeof share, "%.2g", e->standardError / e->value);
        return noFit("a path is not resolved by the data: its " + std::string(name) +
                     " has a relative standard error of " + share);
      }
    fit.paths.push_back(f);
  }
  std::sort(fit.paths.begin(), fit.paths.end(), [](const FittedPath& a, const FittedPath& b) {
    return a.velocity.value < b.velocity.value;
  });
  if (!std::isfinite(fit.rss) || !std::isfinite(fit.rmse) || !std::isfinite(fit.rSquared) ||
      !std::isfinite(fit.aicc) || !std::isfinite(fit.tQuantile))
    return noFit("the fit statistics are not finite");
  fit.fitted = true;
  return fit;
}

}  // namespace

FlowPathFitResult fitFlowPaths(const FlowPathFitInput& in) {
  const QuietSolver quiet;
  FlowPathFitResult result;
  result.reason = checkInput(in);
  if (!result.reason.empty()) return result;

  Curve c;
  c.t.assign(in.times.begin(), in.times.end());
  c.y.assign(in.concentrations.begin(), in.concentrations.end());
  c.q.assign(in.discharges.begin(), in.discharges.end());
  c.L = in.distance;
  c.Td = in.releaseDuration;
  c.peak = *std::max_element(c.y.begin(), c.y.end());
  const double mean = std::accumulate(c.y.begin(), c.y.end(), 0.0) / static_cast<double>(c.size());
  for (double y : c.y) c.sst += (y - mean) * (y - mean);
  const Moments m = moments(c, 0, c.size() - 1);
  c.mass = m.mass;
  c.mean = m.mean - c.Td / 2;
  c.variance = m.variance - c.Td * c.Td / 12;
  result.reason = checkShape(c);
  if (!result.reason.empty()) return result;

  const FlowPath centre = pathFromMoments(c, m.mean, m.variance, c.mass);
  Bounds bounds;
  bounds.centre = {std::log(centre.velocity), std::log(centre.dispersion), std::log(c.mass)};

  const std::size_t first = in.paths == kAutomaticPaths ? 1 : static_cast<std::size_t>(in.paths);
  const std::size_t last = in.paths == kAutomaticPaths ? kMaxPaths : first;
  std::vector<FlowPath> fewer, raw;
  // A fixed N > 1 still builds on the fits with fewer paths, for its starts.
  for (std::size_t N = 1; N <= last; ++N) {
    PathModelFit fit = fitModel(c, in, bounds, N, fewer, raw);
    fewer = raw;
    if (N >= first) result.models.push_back(std::move(fit));
  }
  for (std::size_t i = 0; i < result.models.size(); ++i) {
    const PathModelFit& f = result.models[i];
    if (f.fitted &&
        (result.chosen < 0 || f.aicc < result.models[static_cast<std::size_t>(result.chosen)].aicc))
      result.chosen = static_cast<int>(i);
  }
  if (result.chosen >= 0) {
    result.reason.clear();
  } else {
    result.reason = result.models.size() == 1 ? result.models[0].reason
                                              : "no number of flow paths could be fitted";
    if (result.models.size() > 1)
      for (const PathModelFit& f : result.models)
        result.reason += "; " + std::to_string(f.pathCount) + ": " + f.reason;
  }
  return result;
}

std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit) {
  std::vector<numeric::FlowPath> paths;
  for (const FittedPath& p : fit.paths)
    paths.push_back({p.velocity.value, p.dispersion.value, p.mass.value});
  return paths;
}

}  // namespace kaldero
