#include "analysis/flow_path_fit.h"

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

#include "analysis/flow_path_model.h"
#include "core/error.h"
#include "core/format.h"
#include "numeric/ar1_errors.h"
#include "numeric/golden_section.h"

namespace kaldero {

namespace {

using namespace flowfit;

// Iterations of a start, and of the best starts carried to convergence
// (more with a storage zone: a slow exchange, a tenth of the mobile travel
// time or less, converges slowly; a zone the curve does not show, which
// drifts along a valley of nearly equal fits, is stopped by the stall
// guard of the solve instead).
constexpr int kStartIterations = 8;
constexpr int kFinalIterations = 100;
constexpr int kFinalStorageIterations = 400;
// A residual level below this share of the peak counts as exact in the
// criterion.
constexpr double kExactShare = 1e-9;
// A cut-off curve: at least this many samples after its peak, and below
// this share of the peak after it.
constexpr std::size_t kSamplesAfterPeak = 3;
constexpr double kFallAfterPeak = 0.9;
// ng/L in ug/L: the criterion's unit is that of the RMSE shown.
constexpr double kMicrogramsPerNanogram = 1e-3;
// The smallest ratio of the normal matrix's eigenvalues taken as full rank
// (that of Ceres Solver's covariance).
constexpr double kRankRatio = 1e-14;

// Error series drawn from a reach's upstream errors to carry them into its
// intervals, from a seed of their own (the same series for every model).
constexpr int kInputDraws = 400;
constexpr uint64_t kInputSeed = 0x7265616368ULL;

// A reason the fit is not made, as the one error type.
Status refusal(std::string reason) { return reasonError(std::move(reason)); }

// Why the data cannot be fitted at all; none when they can.
Status checkInput(const FlowPathFitInput& in) {
  const std::size_t n = in.times.size();
  if (in.concentrations.size() != n || in.discharges.size() != n)
    return refusal("times, concentrations and discharges differ in number");
  if (in.paths != kAutomaticPaths && (in.paths < 1 || in.paths > kMaxPaths))
    return refusal("the number of flow paths must be 1, 2 or 3");
  if (in.intervals == IntervalMethod::Bootstrap && in.bootstrapReplicates < 20)
    return refusal("bootstrap intervals need at least 20 replicates");
  if (!positive(in.distance)) return refusal("the travel distance is not positive");
  if (in.decay && !positive(in.injectedMass))
    return refusal("decay needs the injected mass (the paths carry it all)");
  if (!std::isfinite(in.releaseDuration) || in.releaseDuration < 0)
    return refusal("the release duration is negative or not a number");
  if (n < 5) return refusal("the curve has " + std::to_string(n) + " samples; a fit needs at least 5");
  if (!in.inputTimes.empty()) {
    // A reach: the upstream flux it carries.
    const std::size_t m = in.inputTimes.size();
    if (in.inputFlux.size() != m || m < 2)
      return refusal("the upstream flux has fewer than two samples");
    if (in.decay) return refusal("a reach is fitted without decay");
    if (!positive(in.inputStep)) return refusal("the reach's grid step is not positive");
    if (!(in.times[n - 1] / in.inputStep < 4e6))
      return refusal("the reach's grid would hold more than 4 million cells");
    double integral = 0;
    for (std::size_t i = 0; i < m; ++i) {
      if (!std::isfinite(in.inputTimes[i]) || !std::isfinite(in.inputFlux[i]))
        return refusal("an upstream flux is not a finite number");
      if (i > 0) {
        if (!(in.inputTimes[i] > in.inputTimes[i - 1]))
          return refusal("the upstream times do not increase");
        integral += 0.5 * (in.inputFlux[i] + in.inputFlux[i - 1]) *
                    (in.inputTimes[i] - in.inputTimes[i - 1]);
      }
    }
    if (!positive(integral)) return refusal("the upstream station's flux carries no tracer");
  }
  for (std::size_t i = 0; i < n; ++i) {
    const std::string at = " at sample " + std::to_string(i + 1);
    if (!std::isfinite(in.times[i]) || !std::isfinite(in.concentrations[i]) ||
        !std::isfinite(in.discharges[i]))
      return refusal("a value is not a finite number" + at);
    if (!(in.discharges[i] > 0)) return refusal("the discharge is not positive" + at);
    if (i > 0 && !(in.times[i] > in.times[i - 1])) return refusal("the times do not increase" + at);
  }
  return std::nullopt;
}

// Why the curve's shape cannot be fitted; none when it can. A curve cut
// off in its tail is fitted when its peak is resolved.
Status checkShape(const Curve& c) {
  if (!(c.peak > 0)) return refusal("no concentration is positive");
  if (!(c.sst > 0)) return refusal("the curve is flat");
  const std::vector<double> s = smoothed(c.y);
  const auto top = std::max_element(s.begin(), s.end());
  const std::size_t after = static_cast<std::size_t>(s.end() - top) - 1;
  const double lowest = *std::min_element(top, s.end());
  if (after < kSamplesAfterPeak || !(lowest < kFallAfterPeak * *top))
    return refusal("the curve does not fall after its peak (a fit needs a peak followed by at least " +
           std::to_string(kSamplesAfterPeak) + " samples and a fall below " +
           std::to_string(static_cast<int>(100 * kFallAfterPeak)) + " % of it)");
  if (!(c.mass > 0) || !(c.mean > 0)) return refusal("the curve's mass lies before the release");
  return std::nullopt;
}


std::string share(double x) { return fmt::general(x, 2); }

const char* const kParameterNames[3] = {"velocity", "dispersion coefficient", "mass"};

// The fit of one model and its optimum (fitted or not), which the models
// with more paths or with storage start from.
struct ModelRun {
  PathModelFit fit;
  bool haveOptimum = false;
  PathSet optimum;
  Parameters x;
  Eigen::MatrixXd covariance;  // of the curve's parameters, when fitted
  std::vector<double> weights;  // of the residuals, errors growing with the signal
};

// Runs the starts and carries the best to convergence: the starts are
// ranked by their objective with the linear parameters fitted, the best few
// iterated briefly, the best of those to convergence.
std::unique_ptr<Problem> bestOptimum(const Curve& c, const ModelForm& form, const Bounds& bounds,
                                     std::vector<PathSet>& starts, bool& converged) {
  std::vector<std::pair<double, std::size_t>> ranked;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const double objective = fitLinearParameters(c, form, starts[k]);
    if (std::isfinite(objective)) ranked.emplace_back(objective, k);
  }
  std::sort(ranked.begin(), ranked.end());
  // Curves of paths without storage are cheap: more starts, each converged.
  const std::size_t tried = std::min<std::size_t>(
      ranked.size(), form.storage() ? (form.paths == 1 ? 3 : 2) : form.paths == 1 ? 8 : 4);
  const std::size_t carried = form.storage() ? 1 : form.paths == 1 ? tried : 2;
  std::vector<std::pair<double, std::unique_ptr<Problem>>> brief;
  for (std::size_t r = 0; r < tried; ++r) {
    auto p = std::make_unique<Problem>(c, form, bounds,
                                       toParameters(c, form, starts[ranked[r].second]));
    const double cost = p->solve(kStartIterations);
    if (std::isfinite(cost)) brief.emplace_back(cost, std::move(p));
  }
  std::sort(brief.begin(), brief.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::unique_ptr<Problem> best;
  double bestCost = std::numeric_limits<double>::infinity();
  converged = false;
  std::vector<double> carriedCosts;
  for (std::size_t r = 0; r < brief.size() && carriedCosts.size() < carried; ++r) {
    // Starts that have already met (the same cost) are carried once.
    const double briefCost = brief[r].first;
    if (std::any_of(carriedCosts.begin(), carriedCosts.end(),
                    [&](double c) { return std::fabs(c - briefCost) <= 1e-7 * c; }))
      continue;
    carriedCosts.push_back(briefCost);
    bool ok = false;
    const double cost =
        brief[r].second->solve(form.storage() ? kFinalStorageIterations : kFinalIterations, &ok);
    // A converged optimum beats one that is not, then the lower cost.
    if (!std::isfinite(cost)) continue;
    if (!best || (ok && !converged) || (ok == converged && cost < bestCost)) {
      best = std::move(brief[r].second);
      bestCost = cost;
      converged = ok;
    }
  }
  return best;
}

// The relative scale kappa of errors growing with the signal: the
// residuals r about the model m have the variance
// sigma^2 (1 + (kappa m / peak)^2), sigma^2 profiled out; kappa by maximum
// likelihood over a logarithmic grid of 1e-3 to 1e3 (and 0), refined by
// golden-section search between the best point's neighbours.
double relativeScale(const std::vector<double>& r, const std::vector<double>& m, double peak) {
  const std::size_t n = r.size();
  auto criterion = [&](double kappa) {
    double s = 0, logs = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const double x = kappa * std::max(m[i], 0.0) / peak;
      const double v = 1 + x * x;
      s += r[i] * r[i] / v;
      logs += std::log(v);
    }
    return static_cast<double>(n) * std::log(std::max(s, 1e-300) / static_cast<double>(n)) + logs;
  };
  constexpr int kGrid = 61;
  auto at = [](int k) { return std::pow(10.0, -3 + 6.0 * k / (kGrid - 1)); };
  int bestK = -1;
  double best = criterion(0);
  for (int k = 0; k < kGrid; ++k)
    if (const double f = criterion(at(k)); f < best) {
      best = f;
      bestK = k;
    }
  if (bestK < 0) return 0;
  const double a = std::log(bestK > 0 ? at(bestK - 1) : at(0) / 10);
  const double b = std::log(bestK + 1 < kGrid ? at(bestK + 1) : at(kGrid - 1) * 10);
  return std::exp(
      numeric::goldenSectionMinimum([&](double x) { return criterion(std::exp(x)); }, a, b, 40));
}

// What a reach's upstream errors add to its estimates, to first order: the
// covariance of the curve's parameters, and their covariance with the
// logarithm of the flux's integral (of which the paths' shares are) and
// that log's variance. Each error series drawn on the flux (c.inputDraws)
// moves the residuals by de = L dc - m dlnR and the least-squares estimate
// by -(J^T J)^-1 J^T de; with the joint AR(1) fit J is whitened, and J^T W
// de = (W^T J)^T de.
struct InputCovariance {
  bool made = false;
  Eigen::MatrixXd parameters;
  Eigen::VectorXd withLogIntegral;
  double logIntegral = 0;
};

InputCovariance inputCovariance(const Curve& c, const ModelForm& form, const Parameters& x,
                                const Eigen::MatrixXd& Jc, const Eigen::MatrixXd& inverse,
                                const numeric::Ar1Errors* whitening) {
  InputCovariance out;
  if (!c.input || !c.inputDraws) return out;
  const InputDraws& draws = *c.inputDraws;
  Eigen::MatrixXd X = Jc;
  if (whitening) {
    std::vector<double> column(c.size()), back(c.size());
    for (Eigen::Index k = 0; k < Jc.cols(); ++k) {
      for (std::size_t i = 0; i < c.size(); ++i) column[i] = Jc(static_cast<Eigen::Index>(i), k);
      whitening->whitenTransposed(column, back);
      for (std::size_t i = 0; i < c.size(); ++i) X(static_cast<Eigen::Index>(i), k) = back[i];
    }
  }
  const InputLinearization linear(c, form, x);
  // X^T de for every draw, then the estimates' changes.
  const Eigen::MatrixXd projected = linear.adjoint(X) * draws.cells -
                                    linear.modelPart(X) * draws.logIntegral.transpose();
  const Eigen::MatrixXd dx = -(inverse * projected);
  if (!dx.allFinite()) return out;
  const double D = static_cast<double>(draws.cells.cols());
  out.made = true;
  out.parameters = dx * dx.transpose() / D;
  out.withLogIntegral = dx * draws.logIntegral / D;
  out.logIntegral = draws.logIntegral.squaredNorm() / D;
  return out;
}

ModelRun runModel(const Curve& c0, const FlowPathFitInput& in, const ModelForm& form,
                  const StartHints& hints) {
  ModelRun run;
  PathModelFit& fit = run.fit;
  fit.pathCount = form.reachPaths();
  fit.bypass = form.bypass;
  fit.zones = form.zones;
  for (int j = 0; j < form.paths; ++j) fit.zoned.push_back(form.hasZone(j));
  fit.decay = form.decay;
  fit.baseline = form.baseline;
  fit.samples = static_cast<int>(c0.size());
  const bool correlated = in.errors != ErrorModel::Independent;
  const bool relative = in.errors == ErrorModel::Ar1Relative;
  fit.parameters = form.curveParameters();
  // The error model's own parameters: the AR(1) coefficient, and the
  // relative scale of errors growing with the signal.
  const int errorParameters = (correlated ? 1 : 0) + (relative ? 1 : 0);
  fit.degreesOfFreedom = fit.samples - fit.parameters - errorParameters;
  fit.criterionParameters = fit.parameters + 1 + errorParameters;
  fit.errors.model = in.errors;
  // No fit: the reason, and no paths or statistics that could be taken for
  // results.
  auto noFit = [&fit](std::string reason) {
    PathModelFit none;
    none.pathCount = fit.pathCount;
    none.zones = fit.zones;
    none.zoned = fit.zoned;
    none.decay = fit.decay;
    none.bypass = fit.bypass;
    none.baseline = fit.baseline;
    none.samples = fit.samples;
    none.parameters = fit.parameters;
    none.degreesOfFreedom = fit.degreesOfFreedom;
    none.criterionParameters = fit.criterionParameters;
    none.errors.model = fit.errors.model;
    none.reason = std::move(reason);
    fit = std::move(none);
  };
  if (fit.degreesOfFreedom < 2) {
    noFit("model " + form.label() + " needs at least " +
          std::to_string(fit.samples - fit.degreesOfFreedom + 2) + " samples");
    return run;
  }

  // The weighted curve of errors growing with the signal; declared before
  // the problems that refer to it.
  Curve weighted;
  const Bounds bounds = boundsFor(c0, form);
  std::vector<PathSet> starts = startsFor(c0, in, form, hints);
  bool converged = false;
  std::unique_ptr<Problem> best = bestOptimum(c0, form, bounds, starts, converged);
  if (!best) {
    noFit("the model cannot be evaluated from any start");
    return run;
  }
  const std::size_t n = c0.size();
  std::vector<double> e0(n);
  double kappa = 0;  // the relative scale of the errors
  if (relative) {
    // Iteratively reweighted least squares: the weights 1 / sqrt(1 +
    // (kappa m / peak)^2) from the model and residuals of the last fit,
    // refitted from its optimum.
    weighted = c0;
    for (int pass = 0; pass < 3; ++pass) {
      if (!curveResiduals(c0, form, best->parameters().data(), e0.data(), nullptr)) break;
      std::vector<double> r(n), m(n);
      for (std::size_t i = 0; i < n; ++i) {
        r[i] = -e0[i] * c0.peak;
        m[i] = c0.y[i] + e0[i] * c0.peak;
      }
      kappa = relativeScale(r, m, c0.peak);
      weighted.weights.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        const double x = kappa * std::max(m[i], 0.0) / c0.peak;
        weighted.weights[i] = 1 / std::sqrt(1 + x * x);
      }
      auto refit = std::make_unique<Problem>(weighted, form, bounds, best->parameters());
      bool ok = false;
      const double cost =
          refit->solve(form.storage() ? kFinalStorageIterations : kFinalIterations, &ok);
      if (!std::isfinite(cost)) break;
      best = std::move(refit);
      converged = ok;
    }
    run.weights = weighted.weights;
  }
  const Curve& c = relative ? weighted : c0;
  run.x = best->parameters();
  run.optimum = toPathSet(c, form, run.x);
  run.haveOptimum = true;

  // A parameter on the bound of its range, or a solve stopped before it
  // settled: the estimates stand, flagged.
  std::vector<std::string> cautions;
  std::vector<bool> atBound(static_cast<std::size_t>(form.size()), false);
  for (int k = 0; k < form.size(); ++k) {
    const std::size_t kk = static_cast<std::size_t>(k);
    if (!bounds.binding[kk]) continue;
    const double p = run.x[kk];
    if (!(p > bounds.lower[kk] && p < bounds.upper[kk])) {
      atBound[kk] = true;
      cautions.push_back(parameterName(form, k) + " is at the bound of the range the curve allows");
    }
  }
  if (!converged) {
    fit.settled = false;
    cautions.push_back("the fit does not settle within " +
                       std::to_string(form.storage() ? kFinalStorageIterations : kFinalIterations) +
                       " iterations");
  }

  // Residuals and the Jacobian at the optimum (whitened for the joint
  // AR(1) fit, weighted for errors growing with the signal).
  std::vector<double> r, J;
  std::vector<double> e(n);
  if (!best->evaluate(r, J) || !curveResiduals(c, form, run.x.data(), e.data(), nullptr) ||
      !curveResiduals(c0, form, run.x.data(), e0.data(), nullptr)) {
    noFit("the model cannot be evaluated at the optimum");
    return run;
  }
  fit.modelValues.resize(n);
  fit.residuals.resize(n);
  fit.rss = 0;
  for (std::size_t i = 0; i < n; ++i) {
    fit.residuals[i] = -e0[i] * c.peak;
    fit.modelValues[i] = c.y[i] + e0[i] * c.peak;
    fit.rss += fit.residuals[i] * fit.residuals[i];
  }
  const double nd = static_cast<double>(n);
  fit.rmse = std::sqrt(fit.rss / nd);
  fit.rSquared = 1 - fit.rss / c.sst;

  // The Jacobian of the curve's parameters.
  const Eigen::Index Kc = form.curveParameters(), K = form.size();
  Eigen::MatrixXd Jc(static_cast<Eigen::Index>(n), Kc);
  double ss = 0;
  for (std::size_t i = 0; i < n; ++i) {
    ss += r[i] * r[i];
    for (Eigen::Index k = 0; k < Kc; ++k)
      Jc(static_cast<Eigen::Index>(i), k) =
          J[i * static_cast<std::size_t>(K) + static_cast<std::size_t>(k)];
  }

  // The error process: jointly fitted, or estimated from the (weighted)
  // residuals by restricted maximum likelihood.
  numeric::Ar1Errors ar(c.t);
  if (in.errors == ErrorModel::Ar1Gls)
    ar.setCorrelationTime(run.optimum.correlationTime);
  else if (correlated)
    ar.fitLag1(e, &Jc);

  // The likelihood in ug/L (with independent errors the error process is
  // left uncorrelated: the plain sum of squares). Weighted residuals
  // u = w r: ln L of r is that of u plus the sum of ln w.
  std::vector<double> eu(n);
  double logWeights = 0;
  for (std::size_t i = 0; i < n; ++i) {
    eu[i] = -e[i] * c.peak * kMicrogramsPerNanogram;
    logWeights += std::log(c.weight(i));
  }
  const double exact = nd * std::pow(kExactShare * c.peak * kMicrogramsPerNanogram, 2);
  const double minusTwoLogL = ar.minusTwoLogLikelihood(eu, exact) - 2 * logWeights;
  const double p = static_cast<double>(fit.criterionParameters);
  fit.logLikelihood = -0.5 * minusTwoLogL;
  fit.aicc = minusTwoLogL + 2 * p + 2 * p * (p + 1) / (nd - p - 1);
  const double tResidual = boost::math::quantile(
      boost::math::students_t(static_cast<double>(fit.degreesOfFreedom)), 0.975);

  // The error model's statistics.
  fit.errors = errorStatistics(in.errors, correlated ? &ar : nullptr, e, fit.residuals,
                               c.medianSpacing, tResidual);
  ErrorStatistics& es = fit.errors;
  if (relative) {
    // sqrt(a^2 + (b m)^2): the weighted residuals have the variance a^2.
    es.offsetError = c.peak * std::sqrt(ar.whitenedSumOfSquares(e) / nd);
    es.relativeError = es.offsetError * kappa / c.peak;
  }
  // Student's t for the intervals: with correlated errors the variance is
  // known only as well as the effective sample count allows, so the degrees
  // of freedom are those of the effective samples (at least one).
  fit.tQuantile = correlated
                      ? boost::math::quantile(
                            boost::math::students_t(std::max(
                                std::min(es.effectiveSamples, nd) - fit.parameters, 1.0)),
                            0.975)
                      : tResidual;

  // Covariance of the curve's parameters.
  // - independent errors: s^2 (J^T J)^-1, s^2 = RSS / (n - k);
  // - AR(1) with the curve fitted by least squares (weighted for errors
  //   growing with the signal): the sandwich s^2 (J^T J)^-1 J^T R J
  //   (J^T J)^-1, R the fitted correlation and s^2 the whitened sum of
  //   squares over n - k - 1;
  // - joint AR(1): s^2 (J^T J)^-1 of the whitened residuals (the AR(1)
  //   coefficient is asymptotically independent of the curve's parameters).
  const Eigen::MatrixXd normal = Jc.transpose() * Jc;
  const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(normal);
  const Eigen::VectorXd lambda = eig.eigenvalues();
  if (eig.info() != Eigen::Success || !(lambda.minCoeff() > kRankRatio * lambda.maxCoeff())) {
    noFit("the parameters cannot be told apart (the model's derivatives are dependent)");
    return run;
  }
  const Eigen::MatrixXd inverse =
      eig.eigenvectors() * lambda.cwiseInverse().asDiagonal() * eig.eigenvectors().transpose();
  Eigen::MatrixXd cov;
  if (in.errors == ErrorModel::Ar1 || relative) {
    Eigen::MatrixXd colored(static_cast<Eigen::Index>(n), Kc);
    std::vector<double> column(n), x(n);
    for (Eigen::Index k = 0; k < Kc; ++k) {
      for (std::size_t i = 0; i < n; ++i) column[i] = Jc(static_cast<Eigen::Index>(i), k);
      ar.correlate(column, x);
      for (std::size_t i = 0; i < n; ++i) colored(static_cast<Eigen::Index>(i), k) = x[i];
    }
    const double s2 = ar.whitenedSumOfSquares(e) / static_cast<double>(fit.degreesOfFreedom);
    cov = inverse * (colored.transpose() * colored) * inverse * s2;
  } else {
    cov = inverse * (ss / static_cast<double>(fit.degreesOfFreedom));
  }

  // A reach: its upstream errors added, and the log of the flux's integral
  // taken as one more parameter of the quantities (the shares are of it).
  const InputCovariance upstream =
      inputCovariance(c, form, run.x, Jc, inverse, in.errors == ErrorModel::Ar1Gls ? &ar : nullptr);
  Eigen::MatrixXd full = cov;
  if (c.inputDraws && !upstream.made)
    cautions.push_back("the upstream errors cannot be carried into its intervals");
  if (upstream.made) {
    cov += upstream.parameters;
    full.resize(Kc + 1, Kc + 1);
    full.topLeftCorner(Kc, Kc) = cov;
    full.block(0, Kc, Kc, 1) = upstream.withLogIntegral;
    full.block(Kc, 0, 1, Kc) = upstream.withLogIntegral.transpose();
    full(Kc, Kc) = upstream.logIntegral;
  }

  const std::size_t N = static_cast<std::size_t>(form.paths);
  const double t = fit.tQuantile;
  // Every derived quantity from the one definition of them (quantitiesOf),
  // its interval from the gradient of its logarithm by the curve's
  // parameters (central differences in the log parameters).
  const Quantities q = quantitiesOf(c, form, run.x, in.recoveredMass);
  constexpr double kStep = 1e-6;
  std::vector<Quantities> plus(static_cast<std::size_t>(Kc)), minus(static_cast<std::size_t>(Kc));
  for (Eigen::Index k = 0; k < Kc; ++k) {
    Parameters xp = run.x, xm = run.x;
    xp[static_cast<std::size_t>(k)] += kStep;
    xm[static_cast<std::size_t>(k)] -= kStep;
    plus[static_cast<std::size_t>(k)] = quantitiesOf(c, form, xp, in.recoveredMass);
    minus[static_cast<std::size_t>(k)] = quantitiesOf(c, form, xm, in.recoveredMass);
  }
  std::optional<Quantities> morePassed, lessPassed;  // the flux's integral moved
  if (upstream.made) {
    morePassed = quantitiesOf(c, form, run.x, in.recoveredMass * std::exp(kStep));
    lessPassed = quantitiesOf(c, form, run.x, in.recoveredMass * std::exp(-kStep));
  }
  auto estimate = [&](auto get) {
    Eigen::VectorXd g(full.rows());
    for (Eigen::Index k = 0; k < Kc; ++k)
      g(k) = (std::log(get(plus[static_cast<std::size_t>(k)])) -
              std::log(get(minus[static_cast<std::size_t>(k)]))) /
             (2 * kStep);
    if (upstream.made) g(Kc) = (std::log(get(*morePassed)) - std::log(get(*lessPassed))) / (2 * kStep);
    return logEstimate(get(q), g, full, t);
  };
  // A fitted parameter the data do not resolve: t standard errors reach
  // its value (it cannot be told from zero at the 95 % level), or it sits
  // on a bound. Typically a narrow spike fitted to noise, two paths
  // sharing one peak, or a zone the curve does not show.
  auto judge = [&](Estimate& x, int index, const std::string& name) {
    const bool bound = index >= 0 && atBound[static_cast<std::size_t>(index)];
    if (t * x.standardError < x.value && !bound) return;
    x.resolved = false;
    if (!bound)
      cautions.push_back(name + " has a relative standard error of " +
                         share(x.standardError / x.value));
  };
  fit.totalMass = estimate([](const Quantities& x) { return x.totalMass; });
  const auto& fields = kPathFields;
  for (std::size_t j = 0; j < N; ++j) {
    FittedPath f;
    const int jj = static_cast<int>(j);
    f.storage = form.hasZone(jj);
    f.bypass = form.fromRelease(jj);
    for (int k = 0; k < kPathQuantities; ++k) {
      if (!f.storage && (k == kStorageRatio || k == kExchangeRate)) continue;
      f.*fields[k] = estimate([j, k](const Quantities& x) { return x.paths[j][static_cast<std::size_t>(k)]; });
    }
    for (Estimate FittedPath::*field : fields)
      if (!finite(f.*field)) {
        noFit("the uncertainty of the parameters is not finite");
        return run;
      }
    judge(f.velocity, 3 * jj, parameterName(form, 3 * jj));
    judge(f.dispersion, 3 * jj + 1, parameterName(form, 3 * jj + 1));
    judge(f.mass, 3 * jj + 2, parameterName(form, 3 * jj + 2));
    if (f.storage && (form.zones == ZoneLayout::PerPath || j == 0)) {
      const int z = form.zoneIndex(jj);
      judge(f.storageRatio, z, parameterName(form, z));
      judge(f.exchangeRate, z + 1, parameterName(form, z + 1));
    } else if (f.storage) {
      // The shared zone, judged once on the first path.
      f.storageRatio.resolved = fit.paths.front().storageRatio.resolved;
      f.exchangeRate.resolved = fit.paths.front().exchangeRate.resolved;
    }
    fit.paths.push_back(f);
  }
  if (form.decay) {
    if (q.decayAtBound) {
      // No rate gives the injected mass: the paths carry it already (0),
      // or lose more than any rate the paths allow explains.
      fit.decayRate.value = fit.decayRate.lower = fit.decayRate.upper = q.decayRate;
      fit.decayRate.resolved = false;
      cautions.push_back("no decay rate makes the paths carry the injected mass (they carry " +
                         share(q.totalMass / c.injectedMass) + " of it without decay)");
    } else {
      fit.decayRate = estimate([](const Quantities& x) { return x.decayRate; });
      judge(fit.decayRate, -1, "the decay rate");
    }
  }
  if (form.baseline) {
    const Eigen::Index i = form.baselineIndex();
    const double se = std::sqrt(std::max(cov(i, i), 0.0)) * c.peak;
    const double b = run.optimum.baseline;
    fit.baselineOffset = {b, se, b - t * se, b + t * se};
  }
  // By velocity, a bypass last.
  std::stable_sort(fit.paths.begin(), fit.paths.end(),
                   [](const FittedPath& a, const FittedPath& b) {
                     if (a.bypass != b.bypass) return b.bypass;
                     return a.velocity.value < b.velocity.value;
                   });
  for (std::size_t j = 0; j < N; ++j) fit.zoned[j] = fit.paths[j].storage;
  run.covariance = cov;
  if (!std::isfinite(fit.rss) || !std::isfinite(fit.rmse) || !std::isfinite(fit.rSquared) ||
      !std::isfinite(fit.aicc) || !std::isfinite(fit.tQuantile) || !finite(fit.totalMass) ||
      !finite(fit.baselineOffset) || !finite(fit.decayRate) || !finite(es.lag1) ||
      !std::isfinite(es.durbinWatson) || !std::isfinite(es.effectiveSamples) ||
      !std::isfinite(es.whitenedLag1) || !std::isfinite(es.offsetError) ||
      !std::isfinite(es.relativeError)) {
    noFit("the fit statistics are not finite");
    return run;
  }
  fit.fitted = true;
  for (const FittedPath& f : fit.paths) fit.resolved = fit.resolved && f.resolved();
  fit.resolved = fit.resolved && fit.decayRate.resolved && cautions.empty();
  for (std::size_t k = 0; k < cautions.size(); ++k)
    fit.caution += (k ? "; " : "") + cautions[k];
  return run;
}

// The drawing grid over the samples: kGridLinear times evenly spread and
// kGridEarly more spread evenly in the logarithm of the time from the first
// positive sample time, merged.
constexpr int kGridLinear = 400, kGridEarly = 200;

std::vector<double> drawingGrid(const Curve& c) {
  const double t0 = c.t.front(), t1 = c.t.back();
  std::vector<double> grid;
  for (int i = 0; i < kGridLinear; ++i) grid.push_back(t0 + (t1 - t0) * i / (kGridLinear - 1));
  const auto first = std::find_if(c.t.begin(), c.t.end(), [](double t) { return t > 0; });
  if (first != c.t.end() && *first < t1) {
    const double a = std::log(*first), b = std::log(t1);
    for (int i = 0; i < kGridEarly; ++i) grid.push_back(std::exp(a + (b - a) * i / (kGridEarly - 1)));
  }
  std::sort(grid.begin(), grid.end());
  grid.erase(std::unique(grid.begin(), grid.end()), grid.end());
  return grid;
}

// The discharge at time t, linear between the samples and constant beyond.
double dischargeAt(const Curve& c, double t) {
  const auto it = std::lower_bound(c.t.begin(), c.t.end(), t);
  if (it == c.t.begin()) return c.q.front();
  if (it == c.t.end()) return c.q.back();
  const auto i = static_cast<std::size_t>(it - c.t.begin());
  const double w = (t - c.t[i - 1]) / (c.t[i] - c.t[i - 1]);
  return c.q[i - 1] + w * (c.q[i] - c.q[i - 1]);
}

// The chosen model on the drawing grid, its 95 % band by the delta method
// (the model's derivatives by the curve's parameters at the grid, the
// parameters' covariance and the fit's t quantile) and each path's share.
FlowPathFitResult::ModelCurve modelCurve(const Curve& c, const ModelForm& form,
                                         const Parameters& x, const Eigen::MatrixXd& cov,
                                         const PathModelFit& fit) {
  FlowPathFitResult::ModelCurve out;
  Curve g;
  g.t = drawingGrid(c);
  g.q.resize(g.t.size());
  for (std::size_t i = 0; i < g.t.size(); ++i) g.q[i] = dischargeAt(c, g.t[i]);
  g.y.assign(g.t.size(), 0.0);
  g.L = c.L;
  g.Td = c.Td;
  g.bypassL = c.bypassL;
  g.bypassTd = c.bypassTd;
  g.input = c.input;
  g.peak = c.peak;
  const std::size_t n = g.t.size();
  const auto Kc = static_cast<std::size_t>(form.curveParameters());
  std::vector<double> e(n), J(n * Kc);
  if (!curveResiduals(g, form, x.data(), e.data(), J.data())) return out;
  out.times = g.t;
  for (std::size_t i = 0; i < n; ++i) {
    const double model = e[i] * c.peak;
    Eigen::VectorXd row(static_cast<Eigen::Index>(Kc));
    for (std::size_t k = 0; k < Kc; ++k) row(static_cast<Eigen::Index>(k)) = J[k * n + i] * c.peak;
    const double se = cov.rows() == static_cast<Eigen::Index>(Kc)
                          ? std::sqrt(std::max(row.dot(cov * row), 0.0))
                          : 0.0;
    out.sum.push_back(model);
    out.low.push_back(model - fit.tQuantile * se);
    out.high.push_back(model + fit.tQuantile * se);
  }
  const std::vector<numeric::FlowPath> paths = modelPaths(fit);
  if (paths.size() > 1)
    for (std::size_t k = 0; k < paths.size(); ++k) {
      std::vector<double> y(n);
      modelConcentrations(c, {&paths[k], 1}, g.t, g.q, y, fit.paths[k].bypass);
      out.paths.push_back(std::move(y));
    }
  return out;
}

}  // namespace

namespace flowfit {

// Estimate of a positive quantity x whose logarithm has the gradient g in
// the fitted parameters.
bool finite(const Estimate& e) {
  return std::isfinite(e.value) && std::isfinite(e.standardError) && std::isfinite(e.lower) &&
         std::isfinite(e.upper) && std::isfinite(e.bootstrapLower) &&
         std::isfinite(e.bootstrapUpper);
}

Estimate logEstimate(double x, const Eigen::VectorXd& g, const Eigen::MatrixXd& cov, double t) {
  const double se = std::sqrt(std::max(g.dot(cov * g), 0.0));
  Estimate e;
  e.value = x;
  e.standardError = x * se;
  e.lower = x * std::exp(-t * se);
  e.upper = x * std::exp(t * se);
  return e;
}

std::string parameterName(const ModelForm& form, int k) {
  if (k < 3 * form.paths)
    return "the " + std::string(kParameterNames[k % 3]) +
           (form.fromRelease(k / 3) ? " of the bypass" : " of path " + std::to_string(k / 3 + 1));
  for (int j = 0; j < form.paths; ++j)
    if (form.hasZone(j) && (k == form.zoneIndex(j) || k == form.zoneIndex(j) + 1)) {
      const std::string what = k == form.zoneIndex(j) ? "capacity ratio" : "exchange rate";
      return form.zones == ZoneLayout::Shared
                 ? "the storage zone's " + what
                 : "the " + what + " of path " + std::to_string(j + 1) + "'s storage zone";
    }
  return "the baseline";
}

ErrorStatistics errorStatistics(ErrorModel model, const numeric::Ar1Errors* ar,
                                std::span<const double> e, std::span<const double> residuals,
                                double medianSpacing, double t) {
  ErrorStatistics es;
  es.model = model;
  es.medianSpacing = medianSpacing;
  es.durbinWatson = numeric::durbinWatson(residuals);
  es.residualLag1 = numeric::lag1Autocorrelation(residuals);
  const double nd = static_cast<double>(e.size());
  if (ar) {
    const double phi = ar->lag1();
    const double se = std::sqrt(std::max(1 - phi * phi, 0.0) / nd);
    es.lag1 = {phi, se, std::max(0.0, phi - t * se), std::min(0.9999, phi + t * se)};
    es.correlationTime = ar->correlationTime();
    es.effectiveSamples = ar->effectiveSamples();
    std::vector<double> w(e.size());
    ar->whiten(e, w);
    es.whitenedLag1 = numeric::lag1Autocorrelation(w);
  } else {
    es.effectiveSamples = nd;
    es.whitenedLag1 = es.residualLag1;
  }
  return es;
}

Curve curveOf(const FlowPathFitInput& in, bool withInputErrors) {
  Curve c;
  c.t.assign(in.times.begin(), in.times.end());
  c.y.assign(in.concentrations.begin(), in.concentrations.end());
  c.q.assign(in.discharges.begin(), in.discharges.end());
  c.L = in.distance;
  c.Td = in.releaseDuration;
  if (!in.inputTimes.empty()) {
    c.input = std::make_shared<const numeric::GridConvolution>(in.inputTimes, in.inputFlux,
                                                               c.t.back(), in.inputStep);
    c.inputReading =
        std::make_shared<const numeric::GridConvolution::Reading>(c.input->reading(c.t));
    c.bypassL = in.bypassDistance;
    c.bypassTd = in.bypassReleaseDuration;
    if (withInputErrors && in.inputErrors.any() &&
        in.inputDischarges.size() == in.inputTimes.size() && c.input->inputIntegral() > 0)
      c.inputDraws = std::make_shared<const InputDraws>(
          drawInputErrors(*c.input, in.inputTimes, in.inputFlux, in.inputDischarges,
                          in.inputErrors, kInputDraws, kInputSeed));
  }
  c.peak = *std::max_element(c.y.begin(), c.y.end());
  const double mean = std::accumulate(c.y.begin(), c.y.end(), 0.0) / static_cast<double>(c.size());
  for (double y : c.y) c.sst += (y - mean) * (y - mean);
  const Moments m = moments(c, 0, c.size() - 1);
  c.mass = m.mass;
  c.mean = m.mean - c.releaseMean();
  c.variance = m.variance - c.releaseVariance();
  c.medianSpacing = numeric::Ar1Errors(c.t).medianSpacing();
  c.timeScale = c.mean > 0 ? c.mean : c.t.back();
  c.injectedMass = in.injectedMass;
  return c;
}

Quantities quantitiesOf(const Curve& c, const ModelForm& form, const Parameters& x,
                        double recoveredMass) {
  const PathSet s = reportedPaths(c, form, x);
  Quantities out;
  for (const FlowPath& p : s.paths) out.totalMass += p.mass;
  const double reference =
      positive(recoveredMass) && !form.decay ? recoveredMass : out.totalMass;
  for (std::size_t j = 0; j < s.paths.size(); ++j) {
    const FlowPath& p = s.paths[j];
    // A bypass: over the downstream station's distance, its share of the
    // tracer that station receives.
    const bool bypass = form.fromRelease(static_cast<int>(j));
    const double L = bypass ? c.bypassL : c.L;
    out.paths.push_back({p.velocity, p.dispersion, p.mass,
                         p.mass / (bypass ? out.totalMass : reference), p.dispersion / p.velocity,
                         p.velocity * L / p.dispersion, (1 + p.storageRatio) * L / p.velocity,
                         p.storageRatio, p.exchangeRate});
  }
  out.decayRate = s.decayRate;
  out.decayAtBound = s.decayAtBound;
  out.baseline = s.baseline;
  return out;
}

Quantities byVelocity(Quantities q, bool bypassLast) {
  const auto end = bypassLast && !q.paths.empty() ? q.paths.end() - 1 : q.paths.end();
  std::sort(q.paths.begin(), end,
            [](const auto& a, const auto& b) { return a[kVelocity] < b[kVelocity]; });
  return q;
}

}  // namespace flowfit

void reachConcentrations(std::span<const double> times, std::span<const double> discharges,
                         std::span<const double> inputTimes, std::span<const double> inputFlux,
                         double inputStep, double length,
                         std::span<const numeric::FlowPath> paths, std::span<double> out) {
  std::fill(out.begin(), out.end(), 0.0);
  if (times.empty() || inputTimes.size() < 2) return;
  Curve c;
  c.L = length;
  c.input = std::make_shared<const numeric::GridConvolution>(inputTimes, inputFlux, times.back(),
                                                             inputStep);
  if (!(c.input->inputIntegral() != 0)) return;
  modelConcentrations(c, paths, times, discharges, out);
}

void quietSolverLog() { FLAGS_minloglevel = google::GLOG_FATAL; }

FlowPathFitResult fitNotMade(const FitOptions& options, std::string reason) {
  FlowPathFitResult result;
  result.pathsAsked = options.paths;
  result.storage = options.storage;
  result.errorModel = options.errors;
  result.intervals = options.intervals;
  result.baseline = options.baseline;
  result.decay = options.decay;
  result.sampleSource = options.samples;
  result.reason = std::move(reason);
  return result;
}

FlowPathFitResult fitFlowPaths(const FlowPathFitInput& in) {
  FlowPathFitResult result = fitNotMade(in, "");
  result.recoveredMass = positive(in.recoveredMass) ? in.recoveredMass : 0;
  if (const Status refused = checkInput(in)) {
    result.reason = refused->message;
    return result;
  }
  result.times.assign(in.times.begin(), in.times.end());
  result.concentrations.assign(in.concentrations.begin(), in.concentrations.end());
  result.discharges.assign(in.discharges.begin(), in.discharges.end());
  result.arrival = in.arrival;
  result.distance = in.distance;
  result.releaseDuration = in.releaseDuration;
  result.samplesFitted = static_cast<int>(in.times.size());

  Curve c = curveOf(in, true);
  result.reach = c.input != nullptr;
  if (c.inputDraws) result.inputErrors = in.inputErrors;
  if (const Status refused = checkShape(c)) {
    result.reason = refused->message;
    return result;
  }

  const bool automatic = in.paths == kAutomaticPaths;
  const int first = automatic ? 1 : in.paths;
  const int last = automatic ? kMaxPaths : in.paths;
  // The layouts of zones reported; the model without storage, and the one
  // sharing a zone, are fitted for the starts they give in any case.
  const bool reportPlain = in.storage == StorageChoice::None || in.storage == StorageChoice::Allowed;
  const bool reportShared =
      in.storage == StorageChoice::Forced || in.storage == StorageChoice::Allowed;
  const bool perPath = in.storage == StorageChoice::Allowed || in.storage == StorageChoice::PerPath;
  const bool shared = reportShared || perPath;
  // A reach with --reach-bypass: every model also with a bypass.
  const bool bypass = c.input && in.bypassDistance > in.distance;
  // Every number of paths up to the last is fitted, those below the first
  // only for the starts they give.
  struct Optimum {
    ModelForm form;
    Parameters x;
    Eigen::MatrixXd covariance;
    std::vector<double> weights;
  };
  std::vector<Optimum> optima;
  auto hint = [](const ModelRun& r) { return r.haveOptimum ? &r.optimum : nullptr; };
  // The families of models carried from N - 1 paths to N: without storage
  // and sharing a zone.
  ModelRun previous[2];
  for (int N = 1; N <= last; ++N) {
    std::vector<ModelForm> forms;
    ModelForm form;
    form.paths = N;
    form.baseline = in.baseline;
    form.ar1 = in.errors == ErrorModel::Ar1Gls;
    forms.push_back(form);
    if (shared) {
      form.zones = ZoneLayout::Shared;
      forms.push_back(form);
    }
    if (perPath && N > 1) {
      // Each choice of the paths with a zone of their own (every path with
      // one differs from one zone shared).
      form.zones = ZoneLayout::PerPath;
      for (unsigned mask = 1; mask < (1u << N); ++mask) {
        form.zoned = mask;
        forms.push_back(form);
      }
    }
    ModelRun current[2];  // without storage, sharing a zone
    // The best fit with zones of their own, and where the shared zone's fit
    // was reported, for the second start of the shared zone below.
    ModelRun bestOwn;
    std::ptrdiff_t sharedAt = -1;
    for (ModelForm f : forms) {
      f.decay = in.decay;
      const int family = f.zones == ZoneLayout::None ? 0 : f.zones == ZoneLayout::Shared ? 1 : -1;
      const bool report = N >= first && (f.zones == ZoneLayout::None ? reportPlain
                                         : f.zones == ZoneLayout::Shared ? reportShared
                                                                         : perPath);
      StartHints h;
      if (family >= 0) h.fewer = hint(previous[family]);
      if (f.storage()) h.plain = hint(current[0]);
      if (f.zones == ZoneLayout::PerPath) h.shared = hint(current[1]);
      ModelRun run = runModel(c, in, f, h);
      if (report) {
        if (family == 1) sharedAt = static_cast<std::ptrdiff_t>(result.models.size());
        result.models.push_back(run.fit);
        optima.push_back({f, run.x, run.covariance, run.weights});
      }
      // A reach's model with a bypass too, started from the one without.
      if (bypass && report) {
        ModelForm b = f;
        b.bypass = true;
        ++b.paths;
        StartHints hb = h;
        hb.withoutBypass = run.haveOptimum ? &run.optimum : nullptr;
        ModelRun with = runModel(c, in, b, hb);
        result.models.push_back(with.fit);
        optima.push_back({b, with.x, with.covariance, with.weights});
      }
      if (f.zones == ZoneLayout::PerPath && run.haveOptimum && run.fit.fitted &&
          (!bestOwn.haveOptimum || run.fit.aicc < bestOwn.fit.aicc))
        bestOwn = run;
      if (family >= 0) current[family] = std::move(run);
    }
    // The shared zone started again from the best fit with zones of their
    // own, every path given its zone: the starts without a zone miss a
    // shared zone whose tails hide under the slower path, which that fit
    // has found on one path. The better of the two fits stands.
    if (bestOwn.haveOptimum && current[1].haveOptimum) {
      ModelForm f = forms[1];
      f.decay = in.decay;
      StartHints h;
      h.shared = &bestOwn.optimum;
      ModelRun again = runModel(c, in, f, h);
      const PathModelFit& old = current[1].fit;
      if (again.fit.fitted && (!old.fitted || again.fit.aicc < old.aicc)) {
        if (sharedAt >= 0) {
          result.models[static_cast<std::size_t>(sharedAt)] = again.fit;
          optima[static_cast<std::size_t>(sharedAt)] = {f, again.x, again.covariance,
                                                        again.weights};
        }
        current[1] = std::move(again);
      }
    }
    for (int a = 0; a < 2; ++a) previous[a] = std::move(current[a]);
  }
  // Two choices of the paths with a zone of their own that, ordered by
  // velocity once fitted, are the same model: the better fit of it stands
  // (a fit over a failure, then the smaller criterion).
  for (std::size_t i = 0; i < result.models.size(); ++i)
    for (std::size_t k = i + 1; k < result.models.size();) {
      const PathModelFit &a = result.models[i], &b = result.models[k];
      if (a.label() != b.label()) {
        ++k;
        continue;
      }
      const bool better = b.fitted && (!a.fitted || b.aicc < a.aicc);
      if (better) {
        result.models[i] = std::move(result.models[k]);
        optima[i] = std::move(optima[k]);
      }
      result.models.erase(result.models.begin() + static_cast<std::ptrdiff_t>(k));
      optima.erase(optima.begin() + static_cast<std::ptrdiff_t>(k));
    }
  // The smallest criterion among the models whose every parameter is
  // resolved; when none is, the smallest among those fitted, flagged.
  int fallback = -1;
  for (std::size_t i = 0; i < result.models.size(); ++i) {
    const PathModelFit& f = result.models[i];
    const int k = static_cast<int>(i);
    if (f.choosable() &&
        (result.chosen < 0 || f.aicc < result.models[static_cast<std::size_t>(result.chosen)].aicc))
      result.chosen = k;
    if (f.fitted &&
        (fallback < 0 || f.aicc < result.models[static_cast<std::size_t>(fallback)].aicc))
      fallback = k;
  }
  if (result.chosen < 0 && fallback >= 0) {
    result.chosen = fallback;
    result.chosenUnresolved = true;
  }
  if (result.chosen >= 0) {
    result.reason.clear();
    result.stillImprovingAtLargest =
        in.paths == kAutomaticPaths && result.best()->pathCount == kMaxPaths;
    const auto& [form, x, covariance, weights] = optima[static_cast<std::size_t>(result.chosen)];
    c.weights = weights;
    if (in.intervals == IntervalMethod::Bootstrap)
      bootstrapIntervals(c, form, boundsFor(c, form), x, result.recoveredMass,
                         in.bootstrapReplicates, in.bootstrapSeed,
                         result.models[static_cast<std::size_t>(result.chosen)]);
    result.curve = modelCurve(c, form, x, covariance, *result.best());
  } else {
    result.reason = result.models.size() == 1 ? result.models[0].reason
                                              : "no number of flow paths could be fitted";
    if (result.models.size() > 1)
      for (const PathModelFit& f : result.models)
        result.reason += "; " + f.label() + ": " + f.reason;
  }
  return result;
}

std::vector<numeric::FlowPath> modelPaths(const PathModelFit& fit) {
  std::vector<numeric::FlowPath> paths;
  for (const FittedPath& p : fit.paths)
    paths.push_back({p.velocity.value, p.dispersion.value, p.mass.value,
                     p.storage ? p.storageRatio.value : 0.0,
                     p.storage ? p.exchangeRate.value : 0.0,
                     fit.decay ? fit.decayRate.value : 0.0});
  return paths;
}

}  // namespace kaldero
