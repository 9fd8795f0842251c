#include "analysis/joint_fit.h"

#include <ceres/ceres.h>

#include <Eigen/Dense>
#include <algorithm>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <memory>

#include "analysis/flow_path_model.h"
#include "core/format.h"
#include "numeric/ar1_errors.h"

namespace kaldero {

namespace {

using namespace flowfit;

constexpr int kIterations = 200;
// Fits with the stations' deviations from their own fits, then from the
// joint residuals.
constexpr int kDeviationPasses = 2;
// Central differences in the log parameters: the cross derivatives (a
// station's residuals by the parameters above it) and the gradients of the
// quantities.
constexpr double kCrossStep = 1e-5;
constexpr double kQuantityStep = 1e-6;
constexpr double kRankRatio = 1e-14;
constexpr double kMicrogramsPerNanogram = 1e-3;
constexpr double kExactShare = 1e-9;
// The least deviation of a station's residuals, as a share of its peak: a
// curve fitted to rounding would otherwise outweigh the others by orders
// of magnitude and leave the joint problem without a usable Jacobian.
constexpr double kLeastDeviation = 1e-6;
// The modelled upstream flux is taken at this many points a cell of a
// reach's grid (linearly between them, as the grid takes a measured flux),
// which smooths it by a variance of (h / k)^2 / 6: on a curve of 9 cells a
// standard deviation the reach's dispersion comes out 1.6e-3 low at one
// point a cell, 1.2e-3 at two and 1.1e-3 at four, the rest the grid's own
// error (the reach fitted from the exact measured flux: 1.3e-3).
constexpr std::size_t kPointsPerCell = 2;

// The form of a model as its fit reports it (paths by velocity, a bypass
// last, the zones on the paths in that order), and its optimum.
ModelForm formOf(const PathModelFit& m) {
  ModelForm f;
  f.paths = m.pathCount + (m.bypass ? 1 : 0);
  f.zones = m.zones;
  f.bypass = m.bypass;
  f.baseline = m.baseline;
  for (std::size_t j = 0; j < m.zoned.size() && j < 32; ++j)
    if (m.zoned[j]) f.zoned |= 1u << j;
  return f;
}

PathSet optimumOf(const PathModelFit& m) {
  PathSet s;
  for (const FittedPath& p : m.paths) {
    FlowPath f;
    f.velocity = p.velocity.value;
    f.dispersion = p.dispersion.value;
    f.mass = p.mass.value;
    if (p.storage) {
      f.storageRatio = p.storageRatio.value;
      f.exchangeRate = p.exchangeRate.value;
    }
    s.paths.push_back(f);
  }
  if (m.baseline) s.baseline = m.baselineOffset.value;
  return s;
}

struct Stage {
  Curve curve;  // a reach's input replaced by the modelled upstream flux
  ModelForm form;
  std::size_t offset = 0, size = 0;  // of its parameters in the joint vector
  // A reach: the times at which the modelled upstream flux is taken (the
  // upstream station's samples and kPointsPerCell a cell of the grid), the
  // grid's step and last time (the chain's last sample at or below it).
  std::vector<double> nodes;
  double step = 0, lastTime = 0;
  double recoveredMass = 0;  // the shares' reference: a reach's the modelled flux's integral
  double deviation = 1;      // of the station's residuals, ng/L
  double scale() const { return curve.peak / deviation; }
};

// The chain of stages at some parameters: the reaches' inputs follow them.
class Chain {
 public:
  std::vector<Stage> stages;
  std::size_t residuals = 0, parameters = 0;

  // The modelled flux (ug/s) of the station of stage s at the times.
  void flux(std::size_t s, const double* x, std::span<const double> t,
            std::vector<double>& out) const {
    const Stage& g = stages[s];
    const Parameters xs(x + g.offset, x + g.offset + g.size);
    const PathSet set = toPathSet(g.curve, g.form, xs);
    const std::vector<double> ones(t.size(), 1.0);
    std::vector<double> part(t.size());
    out.assign(t.size(), 0.0);
    for (int j = 0; j < g.form.paths; ++j) {
      const FlowPath& p = set.paths[static_cast<std::size_t>(j)];
      modelConcentrations(g.curve, std::span(&p, 1), t, ones, part, g.form.fromRelease(j));
      for (std::size_t i = 0; i < t.size(); ++i) out[i] += part[i];
    }
  }

  // Every reach from stage `from` on takes the modelled flux above it at x;
  // false where a flux is not finite or carries nothing.
  bool takeFluxes(const double* x, std::size_t from = 1) {
    std::vector<double> f;
    for (std::size_t s = std::max<std::size_t>(from, 1); s < stages.size(); ++s) {
      Stage& g = stages[s];
      flux(s - 1, x, g.nodes, f);
      for (const double v : f)
        if (!std::isfinite(v)) return false;
      auto grid = std::make_shared<const numeric::GridConvolution>(g.nodes, f, g.lastTime, g.step);
      if (!(grid->inputIntegral() > 0)) return false;
      g.recoveredMass = grid->inputIntegral();
      g.curve.input = std::move(grid);
    }
    return true;
  }

  bool stageResiduals(std::size_t s, const double* x, std::vector<double>& e,
                      std::vector<double>* J) const {
    const Stage& g = stages[s];
    e.resize(g.curve.size());
    if (J) J->resize(g.curve.size() * g.size);
    return curveResiduals(g.curve, g.form, x + g.offset, e.data(), J ? J->data() : nullptr);
  }

  // The residuals over each station's deviation, stage after stage, and
  // with J their Jacobian (row-major, residuals x parameters).
  bool evaluate(const double* x, double* r, double* J) {
    if (!takeFluxes(x)) return false;
    std::vector<double> e, Js;
    std::size_t row = 0;
    if (J) std::fill(J, J + residuals * parameters, 0.0);
    for (std::size_t s = 0; s < stages.size(); ++s) {
      const Stage& g = stages[s];
      if (!stageResiduals(s, x, e, J ? &Js : nullptr)) return false;
      const std::size_t n = e.size();
      const double k = g.scale();
      for (std::size_t i = 0; i < n; ++i) r[row + i] = k * e[i];
      if (J)
        for (std::size_t c = 0; c < g.size; ++c)
          for (std::size_t i = 0; i < n; ++i)
            J[(row + i) * parameters + g.offset + c] = k * Js[c * n + i];
      row += n;
    }
    if (!J) return true;
    // By the parameters of the parts above: each moves the inputs of every
    // reach below it.
    std::vector<double> xp(x, x + parameters), ep, em;
    bool ok = true;
    for (std::size_t u = 0; u + 1 < stages.size() && ok; ++u)
      for (std::size_t c = 0; c < stages[u].size && ok; ++c) {
        const std::size_t k = stages[u].offset + c;
        std::size_t start = 0;
        for (std::size_t s = 0; s <= u; ++s) start += stages[s].curve.size();
        std::vector<std::vector<double>> plus;
        xp[k] = x[k] + kCrossStep;
        ok = takeFluxes(xp.data(), u + 1);
        for (std::size_t s = u + 1; s < stages.size() && ok; ++s) {
          ok = stageResiduals(s, xp.data(), ep, nullptr);
          plus.push_back(ep);
        }
        xp[k] = x[k] - kCrossStep;
        ok = ok && takeFluxes(xp.data(), u + 1);
        std::size_t row0 = start;
        for (std::size_t s = u + 1; s < stages.size() && ok; ++s) {
          ok = stageResiduals(s, xp.data(), em, nullptr);
          const std::vector<double>& p = plus[s - u - 1];
          const double scale = stages[s].scale();
          for (std::size_t i = 0; ok && i < em.size(); ++i) {
            const double d = scale * (p[i] - em[i]) / (2 * kCrossStep);
            if (!std::isfinite(d)) ok = false;
            J[(row0 + i) * parameters + k] = d;
          }
          row0 += em.size();
        }
        xp[k] = x[k];
      }
    return takeFluxes(x) && ok;
  }
};

class JointCost final : public ceres::CostFunction {
 public:
  explicit JointCost(Chain& chain) : chain_(chain) {
    set_num_residuals(static_cast<int>(chain.residuals));
    mutable_parameter_block_sizes()->push_back(static_cast<int>(chain.parameters));
  }
  bool Evaluate(double const* const* p, double* r, double** J) const override {
    return chain_.evaluate(p[0], r, J ? J[0] : nullptr);
  }

 private:
  Chain& chain_;
};

JointFitResult refused(std::string reason) {
  JointFitResult r;
  r.reason = std::move(reason);
  return r;
}

}  // namespace

JointFitResult fitJoint(std::span<const JointStage> parts) {
  if (parts.size() < 2) return refused("the chain has no reach");
  Chain chain;
  Parameters x;
  Bounds bounds;
  for (std::size_t s = 0; s < parts.size(); ++s) {
    const JointStage& p = parts[s];
    const PathModelFit* best = p.fit ? p.fit->best() : nullptr;
    if (!p.input || !best)
      return refused((s == 0 ? p.to : p.from + " to " + p.to) + " was not fitted");
    if (best->decay) return refused("the joint fit takes models without decay");
    if (p.input->errors != ErrorModel::Ar1 && p.input->errors != ErrorModel::Independent)
      return refused("the joint fit takes the errors ar1 or independent");
    if ((s == 0) != p.input->inputTimes.empty())
      return refused("the chain does not start at a station fitted from the release");
    Stage g;
    g.curve = curveOf(*p.input, false);
    g.form = formOf(*best);
    g.offset = x.size();
    g.size = static_cast<std::size_t>(g.form.curveParameters());
    g.recoveredMass = p.input->recoveredMass;
    g.deviation = std::max(best->rmse, kLeastDeviation * g.curve.peak);
    if (!(g.curve.peak > 0) || !(g.deviation > 0))
      return refused(p.to + " has no positive concentration");
    const Parameters xs = toParameters(g.curve, g.form, optimumOf(*best));
    x.insert(x.end(), xs.begin(), xs.end());
    const Bounds b = boundsFor(g.curve, g.form);
    bounds.lower.insert(bounds.lower.end(), b.lower.begin(), b.lower.end());
    bounds.upper.insert(bounds.upper.end(), b.upper.begin(), b.upper.end());
    bounds.binding.insert(bounds.binding.end(), b.binding.begin(), b.binding.end());
    chain.residuals += g.curve.size();
    chain.stages.push_back(std::move(g));
  }
  chain.parameters = x.size();
  // Every reach's grid reaches the chain's last sample below it, so that a
  // reach's modelled flux is not cut at its own station's last sample.
  double last = 0;
  for (std::size_t s = chain.stages.size(); s-- > 1;) {
    Stage& g = chain.stages[s];
    last = std::max(last, g.curve.t.back());
    g.step = g.curve.input->step();
    g.lastTime = last;
    const numeric::GridConvolution grid(std::vector<double>{0.0, 1.0}, std::vector<double>{0.0, 0.0},
                                        last, g.step);
    // The upstream station's own sample times, where its model is as
    // resolved as its data (a peak narrower than the grid's cells keeps its
    // mass), merged with the grid's points.
    const std::vector<double>& above = chain.stages[s - 1].curve.t;
    std::vector<double> times(kPointsPerCell * grid.cells() + 1);
    for (std::size_t k = 0; k < times.size(); ++k)
      times[k] = static_cast<double>(k) * g.step / static_cast<double>(kPointsPerCell);
    const double end = times.back();
    for (const double t : above)
      if (t > 0 && t < end) times.push_back(t);
    std::sort(times.begin(), times.end());
    g.nodes.clear();
    for (const double t : times)
      if (g.nodes.empty() || t > g.nodes.back() + 1e-9 * g.step) g.nodes.push_back(t);
    g.curve.inputReading =
        std::make_shared<const numeric::GridConvolution::Reading>(grid.reading(g.curve.t));
  }
  clampInside(x, bounds);
  if (!chain.takeFluxes(x.data())) return refused("the modelled upstream flux carries no tracer");

  // Least squares over each station's deviation; the deviations then from
  // the joint residuals, and the curves refitted.
  bool converged = false;
  const std::size_t S = chain.stages.size();
  std::vector<double> e;
  for (int pass = 0; pass < kDeviationPasses; ++pass) {
    ceres::Problem problem;
    problem.AddResidualBlock(new JointCost(chain), nullptr, x.data());
    setBounds(problem, x.data(), bounds);
    const double cost = solveLeastSquares(problem, kIterations,
                                          static_cast<double>(chain.residuals), &converged);
    if (!std::isfinite(cost) || !chain.takeFluxes(x.data()))
      return refused("the joint model cannot be evaluated");
    // The last solve's deviations are those the covariance takes.
    if (pass + 1 == kDeviationPasses) break;
    for (std::size_t s = 0; s < S; ++s) {
      Stage& g = chain.stages[s];
      if (!chain.stageResiduals(s, x.data(), e, nullptr))
        return refused("the joint model cannot be evaluated");
      double ss = 0;
      for (const double v : e) ss += v * v;
      const double d = g.curve.peak * std::sqrt(ss / static_cast<double>(e.size()));
      g.deviation = std::max(d, kLeastDeviation * g.curve.peak);
    }
  }

  // The residuals and Jacobian at the optimum.
  const std::size_t K = chain.parameters, n = chain.residuals;
  std::vector<double> r(n), J(n * K);
  if (!chain.evaluate(x.data(), r.data(), J.data()))
    return refused("the joint model cannot be evaluated at the optimum");
  JointFitResult out;
  out.samples = static_cast<int>(n);
  out.parameters = static_cast<int>(K);
  out.settled = converged;
  std::vector<std::string> cautions;
  if (!converged)
    cautions.push_back("the joint fit does not settle within " + std::to_string(kIterations) +
                       " iterations");

  // Each station's error process, and the sandwich.
  Eigen::MatrixXd H = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(K),
                                            static_cast<Eigen::Index>(K));
  Eigen::MatrixXd meat = H;
  std::vector<numeric::Ar1Errors> processes;
  std::vector<std::vector<double>> stageE(S);
  double effective = 0;
  std::size_t row = 0;
  for (std::size_t s = 0; s < S; ++s) {
    const Stage& g = chain.stages[s];
    const std::size_t ns = g.curve.size();
    const double k = g.scale();
    // This station's e and its Jacobian by every parameter.
    Eigen::MatrixXd Js(static_cast<Eigen::Index>(ns), static_cast<Eigen::Index>(K));
    std::vector<double>& es = stageE[s];
    es.resize(ns);
    for (std::size_t i = 0; i < ns; ++i) {
      es[i] = r[row + i] / k;
      for (std::size_t c = 0; c < K; ++c)
        Js(static_cast<Eigen::Index>(i), static_cast<Eigen::Index>(c)) = J[(row + i) * K + c] / k;
    }
    row += ns;
    numeric::Ar1Errors ar(g.curve.t);
    const bool correlated = parts[s].input->errors == ErrorModel::Ar1;
    if (correlated) {
      // Restricted to the parameters the station's residuals depend on: its
      // part's and those of the parts above it.
      const Eigen::MatrixXd own = Js.leftCols(static_cast<Eigen::Index>(g.offset + g.size));
      ar.fitLag1(es, &own);
    }
    // Less the AR(1) coefficient when it is estimated.
    const double dof =
        static_cast<double>(ns) - static_cast<double>(g.size) - (correlated ? 1.0 : 0.0);
    const double s2 = ar.whitenedSumOfSquares(es) / std::max(dof, 1.0);
    Eigen::MatrixXd colored(static_cast<Eigen::Index>(ns), static_cast<Eigen::Index>(K));
    std::vector<double> column(ns), c2(ns);
    for (Eigen::Index c = 0; c < static_cast<Eigen::Index>(K); ++c) {
      for (std::size_t i = 0; i < ns; ++i) column[i] = Js(static_cast<Eigen::Index>(i), c);
      ar.correlate(column, c2);
      for (std::size_t i = 0; i < ns; ++i) colored(static_cast<Eigen::Index>(i), c) = c2[i];
    }
    H += k * k * Js.transpose() * Js;
    meat += k * k * k * k * s2 * colored.transpose() * colored;
    effective += std::min(ar.effectiveSamples(), static_cast<double>(ns));
    processes.push_back(std::move(ar));
  }
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(H);
  const Eigen::VectorXd lambda = eig.eigenvalues();
  if (eig.info() != Eigen::Success || !(lambda.minCoeff() > kRankRatio * lambda.maxCoeff()))
    return refused("the parameters cannot be told apart (the joint model's derivatives are "
                   "dependent)");
  const Eigen::MatrixXd inverse =
      eig.eigenvectors() * lambda.cwiseInverse().asDiagonal() * eig.eigenvectors().transpose();
  const Eigen::MatrixXd cov = inverse * meat * inverse;
  out.effectiveSamples = effective;
  const double t = boost::math::quantile(
      boost::math::students_t(std::max(effective - static_cast<double>(K), 1.0)), 0.975);
  out.tQuantile = t;

  // The quantities of every part at the optimum and about it, in the
  // order of the parameters (a reach's shares follow the modelled flux
  // above it).
  auto quantitiesAt = [&](const Parameters& xq, std::vector<Quantities>& q) {
    if (!chain.takeFluxes(xq.data())) return false;
    q.clear();
    for (const Stage& g : chain.stages) {
      const Parameters xs(xq.begin() + static_cast<std::ptrdiff_t>(g.offset),
                          xq.begin() + static_cast<std::ptrdiff_t>(g.offset + g.size));
      q.push_back(quantitiesOf(g.curve, g.form, xs, g.recoveredMass));
    }
    return true;
  };
  std::vector<Quantities> q0;
  std::vector<std::vector<Quantities>> plus(K), minus(K);
  bool ok = quantitiesAt(x, q0);
  for (std::size_t k = 0; k < K && ok; ++k) {
    Parameters xp = x, xm = x;
    xp[k] += kQuantityStep;
    xm[k] -= kQuantityStep;
    ok = quantitiesAt(xp, plus[k]) && quantitiesAt(xm, minus[k]);
  }
  ok = chain.takeFluxes(x.data()) && ok;
  if (!ok) return refused("the joint model cannot be evaluated about the optimum");
  auto estimate = [&](auto get) {
    Eigen::VectorXd g(static_cast<Eigen::Index>(K));
    for (std::size_t k = 0; k < K; ++k)
      g(static_cast<Eigen::Index>(k)) =
          (std::log(get(plus[k])) - std::log(get(minus[k]))) / (2 * kQuantityStep);
    return logEstimate(get(q0), g, cov, t);
  };

  // Each part: its paths judged as a single fit judges them, then by
  // velocity (a bypass last), and its station's statistics.
  // A parameter at a bound of its range (one that binds).
  auto atBound = [&](std::size_t k) {
    return bounds.binding[k] && !(x[k] > bounds.lower[k] && x[k] < bounds.upper[k]);
  };
  // Estimate v of parameter k of a part's form (at offset in the joint
  // parameters): not resolved, with the reason, when t standard errors
  // reach its value or it sits on a bound.
  auto judge = [&](Estimate& v, std::size_t offset, int k, const ModelForm& form,
                   std::vector<std::string>& why) {
    const bool bound = atBound(offset + static_cast<std::size_t>(k));
    if (t * v.standardError < v.value && !bound) return;
    v.resolved = false;
    why.push_back(parameterName(form, k) +
                  (bound ? std::string(" is at the bound of the range the curve allows")
                         : " has a relative standard error of " +
                               fmt::general(v.standardError / v.value, 2)));
  };
  const auto& fields = kPathFields;
  double minusTwoLogL = 0;
  for (std::size_t s = 0; s < S; ++s) {
    const Stage& g = chain.stages[s];
    const JointStage& p = parts[s];
    const PathModelFit& own = *p.fit->best();
    PathModelFit fit;
    fit.pathCount = own.pathCount;
    fit.zones = own.zones;
    fit.bypass = own.bypass;
    fit.baseline = own.baseline;
    fit.fitted = true;
    fit.samples = static_cast<int>(g.curve.size());
    fit.parameters = static_cast<int>(g.size);
    // The error model's own parameters: the AR(1) coefficient.
    const int errorParameters = p.input->errors == ErrorModel::Ar1 ? 1 : 0;
    fit.degreesOfFreedom = fit.samples - fit.parameters - errorParameters;
    fit.criterionParameters = fit.parameters + 1 + errorParameters;
    fit.tQuantile = t;
    std::vector<std::string> partCautions;
    for (std::size_t j = 0; j < q0[s].paths.size(); ++j) {
      FittedPath f;
      f.storage = g.form.hasZone(static_cast<int>(j));
      f.bypass = g.form.fromRelease(static_cast<int>(j));
      for (int k = 0; k < kPathQuantities; ++k) {
        if (!f.storage && (k == kStorageRatio || k == kExchangeRate)) continue;
        const auto kk = static_cast<std::size_t>(k);
        f.*fields[k] = estimate([s, j, kk](const std::vector<Quantities>& q) {
          return q[s].paths[j][kk];
        });
      }
      // Resolved as a single fit judges it: t standard errors short of the
      // value and off the bounds of its range; a shared zone once, on the
      // first path.
      const int jj = static_cast<int>(j);
      judge(f.velocity, g.offset, 3 * jj, g.form, partCautions);
      judge(f.dispersion, g.offset, 3 * jj + 1, g.form, partCautions);
      judge(f.mass, g.offset, 3 * jj + 2, g.form, partCautions);
      if (f.storage && (g.form.zones == ZoneLayout::PerPath || j == 0)) {
        const int z = g.form.zoneIndex(jj);
        judge(f.storageRatio, g.offset, z, g.form, partCautions);
        judge(f.exchangeRate, g.offset, z + 1, g.form, partCautions);
      } else if (f.storage) {
        f.storageRatio.resolved = fit.paths.front().storageRatio.resolved;
        f.exchangeRate.resolved = fit.paths.front().exchangeRate.resolved;
      }
      fit.paths.push_back(f);
    }
    std::stable_sort(fit.paths.begin(), fit.paths.end(),
                     [](const FittedPath& a, const FittedPath& b) {
                       if (a.bypass != b.bypass) return b.bypass;
                       return a.velocity.value < b.velocity.value;
                     });
    for (const FittedPath& f : fit.paths) fit.zoned.push_back(f.storage);
    if (g.form.baseline && atBound(g.offset + static_cast<std::size_t>(g.form.baselineIndex())))
      partCautions.push_back("the baseline is at the bound of the range the curve allows");
    fit.totalMass = estimate([s](const std::vector<Quantities>& q) { return q[s].totalMass; });
    if (g.form.baseline) {
      const auto i = static_cast<Eigen::Index>(g.offset) + g.form.baselineIndex();
      const double se = std::sqrt(std::max(cov(i, i), 0.0)) * g.curve.peak;
      const double b = q0[s].baseline;
      fit.baselineOffset = {b, se, b - t * se, b + t * se};
    }
    // The station's statistics with the joint model.
    const std::vector<double>& es = stageE[s];
    const std::size_t ns = es.size();
    fit.modelValues.resize(ns);
    fit.residuals.resize(ns);
    std::vector<double> eu(ns);
    for (std::size_t i = 0; i < ns; ++i) {
      fit.residuals[i] = -es[i] * g.curve.peak;
      fit.modelValues[i] = g.curve.y[i] + es[i] * g.curve.peak;
      fit.rss += fit.residuals[i] * fit.residuals[i];
      eu[i] = fit.residuals[i] * kMicrogramsPerNanogram;
    }
    const double nd = static_cast<double>(ns);
    fit.rmse = std::sqrt(fit.rss / nd);
    fit.rSquared = 1 - fit.rss / g.curve.sst;
    const numeric::Ar1Errors& ar = processes[s];
    const double exact = nd * std::pow(kExactShare * g.curve.peak * kMicrogramsPerNanogram, 2);
    const double m2 = ar.minusTwoLogLikelihood(eu, exact);
    minusTwoLogL += m2;
    const double pc = static_cast<double>(fit.criterionParameters);
    fit.logLikelihood = -0.5 * m2;
    fit.aicc = m2 + 2 * pc + 2 * pc * (pc + 1) / (nd - pc - 1);
    fit.errors = errorStatistics(p.input->errors,
                                 p.input->errors == ErrorModel::Ar1 ? &ar : nullptr, es,
                                 fit.residuals, g.curve.medianSpacing, t);
    fit.settled = converged;
    for (const FittedPath& f : fit.paths) fit.resolved = fit.resolved && f.resolved();
    fit.resolved = fit.resolved && partCautions.empty();
    for (std::size_t k = 0; k < partCautions.size(); ++k)
      fit.caution += (k ? "; " : "") + partCautions[k];
    if (!fit.resolved)
      cautions.push_back((s == 0 ? p.to : p.from + " to " + p.to) + ": " + fit.caution);

    JointFitPart part;
    part.from = p.from;
    part.to = p.to;
    part.length = p.length;
    FlowPathFitResult& result = part.fit;
    result.models.push_back(std::move(fit));
    result.chosen = 0;
    result.times.assign(p.input->times.begin(), p.input->times.end());
    result.concentrations.assign(p.input->concentrations.begin(), p.input->concentrations.end());
    result.discharges.assign(p.input->discharges.begin(), p.input->discharges.end());
    result.arrival = p.input->arrival;
    result.distance = p.input->distance;
    result.releaseDuration = p.input->releaseDuration;
    result.samplesFitted = static_cast<int>(ns);
    result.recoveredMass = g.recoveredMass;
    result.sampleSource = p.fit->sampleSource;
    result.pathsAsked = p.fit->pathsAsked;
    result.storage = p.fit->storage;
    result.errorModel = p.input->errors;
    result.intervals = IntervalMethod::Covariance;  // no bootstrap of the joint fit
    result.baseline = own.baseline;
    result.reach = s > 0;
    result.joint = true;
    out.parts.push_back(std::move(part));
  }
  out.logLikelihood = -0.5 * minusTwoLogL;
  for (std::size_t k = 0; k < cautions.size(); ++k)
    out.caution += (k ? "; " : "") + cautions[k];
  // No number that is not finite reaches a result.
  for (const JointFitPart& p : out.parts) {
    const PathModelFit& m = p.fit.models.front();
    bool ok = std::isfinite(m.rss) && std::isfinite(m.rmse) && std::isfinite(m.rSquared) &&
              std::isfinite(m.aicc) && finite(m.totalMass) && finite(m.baselineOffset) &&
              finite(m.errors.lag1) && std::isfinite(m.errors.effectiveSamples) &&
              std::isfinite(m.errors.durbinWatson) && std::isfinite(m.errors.whitenedLag1);
    for (const FittedPath& f : m.paths)
      for (Estimate FittedPath::*field : fields) ok = ok && finite(f.*field);
    if (!ok) return refused("the uncertainty of the joint parameters is not finite");
  }
  if (!std::isfinite(out.logLikelihood) || !std::isfinite(out.tQuantile))
    return refused("the joint fit's statistics are not finite");
  out.fitted = true;
  return out;
}

}  // namespace kaldero
