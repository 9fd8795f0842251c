#include "analysis/flow_path_model.h"

#include <ceres/ceres.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

#include "numeric/ar1_errors.h"
#include "numeric/grid_least_squares.h"
#include "numeric/mobile_immobile.h"
#include "numeric/random.h"

namespace kaldero::flowfit {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// Bounds of ln u, ln d, ln M around the curve's own values, of ln beta, of
// ln w, of the baseline (share of the peak) and of the AR(1) coefficient
// at the median spacing.
constexpr double kVelocityRange = 6.907755278982137;     // ln 1e3
constexpr double kDispersionRange = 13.815510557964274;  // ln 1e6
constexpr double kMassRange = 13.815510557964274;
constexpr double kStorageRatioLow = 1e-4, kStorageRatioHigh = 1e2;
constexpr double kExchangeLow = 1e-4, kExchangeHigh = 1e4;
constexpr double kBaselineRange = 1;
// The AR(1) coefficient at the median spacing is fitted as theta with
// phi = kLag1Max / (1 + e^-theta): it stays in (0, kLag1Max) without
// bounds.
constexpr double kLag1Max = 0.9999;

// Lag-1 coefficient taken to start the AR(1) errors from the residuals of
// a start.
constexpr double kStartLag1Low = 0.05, kStartLag1High = 0.95;

double lag1Of(double theta) { return kLag1Max / (1 + std::exp(-theta)); }

double thetaOf(double phi) {
  const double p = std::clamp(phi / kLag1Max, 1e-12, 1 - 1e-12);
  return std::log(p / (1 - p));
}

// The residuals (model - y) / peak, whitened when the errors are AR(1), for
// Ceres; one parameter block holding every parameter of the model.
//
// With a reduction to the grid (reduced, of a reach fitted without AR(1)
// whitening or a bypass): its rows, then one row of the sum of squares no
// grid values reach (constant), so that the cost is the samples' cost.
class CurveCost final : public ceres::CostFunction {
 public:
  CurveCost(const Curve& c, const ModelForm& form,
            const numeric::GridLeastSquares* reduced = nullptr)
      : c_(c), spec_(form), ar_(c.t), reduced_(reduced) {
    set_num_residuals(static_cast<int>(reduced ? reduced->size() + 1 : c.size()));
    mutable_parameter_block_sizes()->push_back(form.size());
  }

  bool Evaluate(double const* const* p, double* r, double** J) const override {
    if (reduced_) return evaluateReduced(p[0], r, J ? J[0] : nullptr);
    const std::size_t n = c_.size();
    const int Kc = spec_.curveParameters(), K = spec_.size();
    double* jac = J ? J[0] : nullptr;
    e_.resize(n);
    if (jac) Je_.resize(n * static_cast<std::size_t>(Kc));
    if (!curveResiduals(c_, spec_, p[0], e_.data(), jac ? Je_.data() : nullptr)) return false;
    if (!spec_.ar1) {
      std::copy(e_.begin(), e_.end(), r);
      if (jac)
        for (std::size_t i = 0; i < n; ++i)
          for (int k = 0; k < Kc; ++k)
            jac[i * static_cast<std::size_t>(K) + static_cast<std::size_t>(k)] =
                Je_[static_cast<std::size_t>(k) * n + i];
      return true;
    }
    const double phi = lag1Of(p[0][spec_.ar1Index()]);
    ar_.setLag1(phi);
    ar_.whiten(e_, std::span<double>(r, n));
    if (jac) {
      column_.resize(n);
      for (int k = 0; k < Kc; ++k) {
        ar_.whitenColumn(std::span<const double>(Je_.data() + static_cast<std::size_t>(k) * n, n),
                         column_);
        for (std::size_t i = 0; i < n; ++i)
          jac[i * static_cast<std::size_t>(K) + static_cast<std::size_t>(k)] = column_[i];
      }
      // dr/dtheta = dr/dln tau dln tau/dtheta; ln tau = ln Delta - ln(-ln phi).
      ar_.whitenedDerivative(e_, column_);
      const double chain = phi > 0 ? -(1 - phi / kLag1Max) / std::log(phi) : 0.0;
      for (std::size_t i = 0; i < n; ++i)
        jac[i * static_cast<std::size_t>(K) + static_cast<std::size_t>(Kc)] = column_[i] * chain;
    }
    for (std::size_t i = 0; i < n; ++i)
      if (!std::isfinite(r[i])) return false;
    if (jac)
      for (std::size_t i = 0; i < n * static_cast<std::size_t>(K); ++i)
        if (!std::isfinite(jac[i])) return false;
    return true;
  }

 private:
  bool evaluateReduced(const double* x, double* r, double* jac) const {
    const std::size_t rows = reduced_->size();
    const std::size_t K = static_cast<std::size_t>(spec_.size());
    e_.resize(rows);
    if (jac) Je_.resize(rows * K);
    if (!gridResiduals(c_, *reduced_, spec_, x, e_.data(), jac ? Je_.data() : nullptr))
      return false;
    std::copy(e_.begin(), e_.end(), r);
    r[rows] = std::sqrt(reduced_->outside());
    if (jac) {
      for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t k = 0; k < K; ++k) jac[i * K + k] = Je_[k * rows + i];
      std::fill(jac + rows * K, jac + (rows + 1) * K, 0.0);
    }
    return true;
  }

  const Curve& c_;
  ModelForm spec_;
  mutable numeric::Ar1Errors ar_;
  const numeric::GridLeastSquares* reduced_;
  mutable std::vector<double> e_, Je_, column_;
};

// Stops a solve that has stalled: after the first 20 iterations, when the
// last ten have lowered the criterion by less than 0.02 (n times the
// relative fall of the cost, n the number of samples). A model with a
// parameter the curve hardly determines (a storage zone it does not show)
// otherwise crawls along a valley of nearly equal fits. The solve counts as
// settled there, the estimates within a small share of their standard
// errors of the end of the valley; whether the parameter is resolved is
// judged after.
class StallGuard final : public ceres::IterationCallback {
 public:
  explicit StallGuard(double samples) : samples_(samples) {}
  ceres::CallbackReturnType operator()(const ceres::IterationSummary& s) override {
    costs_.push_back(s.cost);
    const std::size_t k = costs_.size();
    if (k > 20 && samples_ * (costs_[k - 11] - s.cost) < 0.02 * s.cost)
      return ceres::SOLVER_TERMINATE_SUCCESSFULLY;
    return ceres::SOLVER_CONTINUE;
  }

 private:
  double samples_;
  std::vector<double> costs_;
};

}  // namespace

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

std::string ModelForm::label() const {
  std::string s = std::to_string(reachPaths());
  if (zones == ZoneLayout::Shared) s += "s";
  if (zones == ZoneLayout::PerPath) {
    s += "p:";
    for (int j = 0; j < paths; ++j)
      if (hasZone(j)) s += std::to_string(j + 1);
  }
  if (bypass) s += "+bypass";
  return decay ? s + "+decay" : s;
}

namespace {

// Path j at x in natural units: v, D, M and, with a zone, beta and
// alpha (0 without).
FlowPath naturalPath(const Curve& c, const ModelForm& form, const double* x, int j) {
  FlowPath p;
  const double u = std::exp(x[3 * j]), d = std::exp(x[3 * j + 1]);
  p.mass = std::exp(x[3 * j + 2]);
  if (!form.hasZone(j)) {
    p.velocity = u;
    p.dispersion = d;
    return p;
  }
  const int z = form.zoneIndex(j);
  p.storageRatio = std::exp(x[z]);
  const double w = std::exp(x[z + 1]);
  p.velocity = u * (1 + p.storageRatio);
  p.dispersion = d * (1 + p.storageRatio);
  p.exchangeRate = form.zones == ZoneLayout::Shared ? w / c.timeScale : w * p.velocity / c.L;
  return p;
}

}  // namespace

Parameters toParameters(const Curve& c, const ModelForm& form, const PathSet& s) {
  Parameters x(static_cast<std::size_t>(form.size()), 0.0);
  for (int j = 0; j < form.paths; ++j) {
    const FlowPath& p = s.paths[static_cast<std::size_t>(j)];
    const double k = form.hasZone(j) ? 1 + p.storageRatio : 1;
    x[static_cast<std::size_t>(3 * j)] = std::log(p.velocity / k);
    x[static_cast<std::size_t>(3 * j + 1)] = std::log(p.dispersion / k);
    x[static_cast<std::size_t>(3 * j + 2)] = std::log(p.mass);
    if (form.hasZone(j)) {
      const auto z = static_cast<std::size_t>(form.zoneIndex(j));
      x[z] = std::log(p.storageRatio);
      x[z + 1] = std::log(form.zones == ZoneLayout::Shared ? p.exchangeRate * c.timeScale
                                                           : p.exchangeRate * c.L / p.velocity);
    }
  }
  if (form.baseline) x[static_cast<std::size_t>(form.baselineIndex())] = s.baseline / c.peak;
  if (form.ar1)
    x[static_cast<std::size_t>(form.ar1Index())] =
        thetaOf(s.correlationTime > 0 ? std::exp(-c.medianSpacing / s.correlationTime) : 0.5);
  return x;
}

PathSet toPathSet(const Curve& c, const ModelForm& form, const Parameters& x) {
  PathSet s;
  for (int j = 0; j < form.paths; ++j) {
    s.paths.push_back(naturalPath(c, form, x.data(), j));
  }
  if (form.baseline) s.baseline = x[static_cast<std::size_t>(form.baselineIndex())] * c.peak;
  if (form.ar1) {
    const double phi = lag1Of(x[static_cast<std::size_t>(form.ar1Index())]);
    s.correlationTime = phi > 0 ? -c.medianSpacing / std::log(phi) : 0;
  }
  return s;
}

namespace {

// The path with decay lambda whose curve is that of the path p without
// decay (see reportedPaths); false when lambda is beyond what p allows.
bool decayedPath(const Curve& c, const FlowPath& p, double lambda, FlowPath& out) {
  out = p;
  double shift = lambda;
  if (p.storageRatio > 0) {
    const double alpha = p.exchangeRate - lambda;
    if (!(alpha > 0)) return false;
    out.exchangeRate = alpha;
    out.storageRatio = p.storageRatio * p.exchangeRate * p.exchangeRate / (alpha * alpha);
    shift = lambda * (1 + p.storageRatio * p.exchangeRate / alpha);
  }
  const double v2 = p.velocity * p.velocity - 4 * p.dispersion * shift;
  if (!(v2 > 0)) return false;
  out.velocity = std::sqrt(v2);
  out.mass = p.mass * std::exp(c.L * (p.velocity - out.velocity) / (2 * p.dispersion));
  out.decayRate = lambda;
  return std::isfinite(out.mass);
}

}  // namespace

PathSet reportedPaths(const Curve& c, const ModelForm& form, const Parameters& x) {
  PathSet s = toPathSet(c, form, x);
  if (!form.decay) return s;
  auto decayed = [&](double lambda, std::vector<FlowPath>* out) {
    double total = 0;
    for (const FlowPath& p : s.paths) {
      FlowPath d;
      if (!decayedPath(c, p, lambda, d)) return -1.0;
      total += d.mass;
      if (out) out->push_back(d);
    }
    return total;
  };
  // The largest rate the paths allow (each path's velocity stays real and
  // its zone's exchange positive), by bisection on whether it is allowed.
  double high = kInfinity;
  for (const FlowPath& p : s.paths) {
    high = std::min(high, p.velocity * p.velocity / (4 * p.dispersion));
    if (p.storageRatio > 0) high = std::min(high, p.exchangeRate);
  }
  // Bisection of [a, b] for where `below` turns false: the bracket.
  auto bisect = [](double a, double b, auto below) {
    for (int k = 0; k < 200 && b - a > 1e-15 * b; ++k) {
      const double mid = 0.5 * (a + b);
      (below(mid) ? a : b) = mid;
    }
    return std::pair{a, b};
  };
  const double largest =
      bisect(0.0, high, [&](double lambda) { return decayed(lambda, nullptr) > 0; }).first;
  // The rate whose masses add up to the injected mass (they grow with it).
  double lambda = 0;
  if (!(decayed(0, nullptr) < c.injectedMass)) {
    s.decayAtBound = true;
  } else if (!(decayed(largest, nullptr) > c.injectedMass)) {
    lambda = largest;
    s.decayAtBound = true;
  } else {
    const auto [a, b] = bisect(
        0.0, largest, [&](double rate) { return decayed(rate, nullptr) < c.injectedMass; });
    lambda = 0.5 * (a + b);
  }
  std::vector<FlowPath> paths;
  decayed(lambda, &paths);
  s.paths = paths;
  s.decayRate = lambda;
  return s;
}

namespace {

// A reach path's unit-mass responses (blocks of rows values: the values,
// then with derivatives those by v and D, and with a zone by beta and
// alpha), each made by convolve(response's cell integrals, block) and
// scaled to the input's unit integral.
template <typename Convolve>
void convolvedResponses(const Curve& c, const FlowPath& p, bool zone, bool derivatives,
                        std::size_t rows, std::vector<double>& out, Convolve convolve) {
  const numeric::GridConvolution& g = *c.input;
  const std::size_t M = g.cells();
  const std::size_t blocks = derivatives ? (zone ? 5 : 3) : 1;
  out.assign(blocks * rows, 0.0);
  const std::vector<double> G = cellIntegrals(c, p, zone, derivatives);
  const double unit = 1 / g.inputIntegral();
  for (std::size_t k = 0; k < blocks; ++k) {
    const std::span<double> block(out.data() + k * rows, rows);
    convolve(std::span<const double>(G.data() + k * M, M), block);
    for (double& x : block) x *= unit;
  }
}

}  // namespace

void pathResponses(const Curve& c, const FlowPath& p, bool zone, bool derivatives,
                   std::span<const double> t, std::vector<double>& out, bool fromRelease) {
  const std::size_t n = t.size();
  const std::size_t blocks = derivatives ? (zone ? 5 : 3) : 1;
  out.assign(blocks * n, 0.0);
  if (!c.input || fromRelease) {
    // From the release: a station's paths, or a reach's bypass over the
    // downstream station's whole distance.
    const double L = c.distanceFrom(fromRelease), Td = c.releaseDurationFrom(fromRelease);
    if (zone) {
      const numeric::StoragePathResponse path(L, p.velocity, p.dispersion, p.storageRatio,
                                              p.exchangeRate, Td);
      if (derivatives)
        path.valuesAndDerivatives(t, out);
      else
        path.values(t, out);
      return;
    }
    const numeric::PathResponse path(L, p.velocity, p.dispersion, Td);
    for (std::size_t i = 0; i < n; ++i) {
      const numeric::Response r = path.pulse(t[i]);
      out[i] = r.value;
      if (derivatives) {
        out[n + i] = r.dVelocity;
        out[2 * n + i] = r.dDispersion;
      }
    }
    return;
  }
  // Through the reach: each response by its integral over the input's
  // cells, then convolved with the input.
  const numeric::GridConvolution& g = *c.input;
  // The samples' times are read at every evaluation: their reading is
  // made once.
  const bool samples = c.inputReading && t.data() == c.t.data() && t.size() == c.t.size();
  convolvedResponses(c, p, zone, derivatives, n, out,
                     [&](std::span<const double> response, std::span<double> block) {
                       if (samples)
                         g.apply(response, *c.inputReading, block);
                       else
                         g.apply(response, t, block);
                     });
}

void nodeResponses(const Curve& c, const FlowPath& p, bool zone, bool derivatives,
                   std::vector<double>& out) {
  const numeric::GridConvolution& g = *c.input;
  convolvedResponses(c, p, zone, derivatives, g.cells(), out,
                     [&](std::span<const double> response, std::span<double> block) {
                       g.nodeValues(response, block);
                     });
}

std::vector<double> cellIntegrals(const Curve& c, const FlowPath& p, bool zone,
                                  bool derivatives) {
  const numeric::GridConvolution& g = *c.input;
  const std::size_t M = g.cells();
  const double h = g.step();
  const std::size_t blocks = derivatives ? (zone ? 5 : 3) : 1;
  std::vector<double> G(blocks * M);
  if (zone) {
    // A zone's response by the midpoint of each cell (its step response
    // is not at hand): exact to h^2 of the curvature.
    std::vector<double> mid(M);
    for (std::size_t j = 0; j < M; ++j) mid[j] = (static_cast<double>(j) + 0.5) * h;
    const numeric::StoragePathResponse path(c.L, p.velocity, p.dispersion, p.storageRatio,
                                            p.exchangeRate);
    if (derivatives)
      path.valuesAndDerivatives(mid, G);
    else
      path.values(mid, G);
    for (double& x : G) x *= h;
  } else {
    const numeric::PathResponse path(c.L, p.velocity, p.dispersion);
    numeric::Response before = path.step(0);
    for (std::size_t j = 0; j < M; ++j) {
      const numeric::Response next = path.step(static_cast<double>(j + 1) * h);
      G[j] = next.value - before.value;
      if (derivatives) {
        G[M + j] = next.dVelocity - before.dVelocity;
        G[2 * M + j] = next.dDispersion - before.dDispersion;
      }
      before = next;
    }
  }
  return G;
}

InputLinearization::InputLinearization(const Curve& c, const ModelForm& form,
                                       const Parameters& x)
    : c_(c),
      reading_(c.inputReading ? *c.inputReading : c.input->reading(c.t)),
      model_(Eigen::VectorXd::Zero(static_cast<Eigen::Index>(c.size()))) {
  const numeric::GridConvolution& g = *c.input;
  const std::size_t n = c.size();
  const double unit = 1 / g.inputIntegral();
  scale_.resize(n);
  for (std::size_t i = 0; i < n; ++i) scale_[i] = c.weight(i) * unit / (c.q[i] * c.peak);
  std::vector<double> h(n);
  for (int j = 0; j < form.paths; ++j) {
    if (form.fromRelease(j)) continue;  // a bypass does not carry the input
    const FlowPath p = naturalPath(c, form, x.data(), j);
    const std::vector<double> G = cellIntegrals(c, p, form.hasZone(j), false);
    const std::vector<std::complex<double>> S = g.responseSpectrum(G);
    if (spectrum_.empty()) spectrum_.assign(S.size(), 0.0);
    for (std::size_t k = 0; k < S.size(); ++k) spectrum_[k] += p.mass * S[k];
    g.apply(G, reading_, h);
    for (std::size_t i = 0; i < n; ++i)
      model_(static_cast<Eigen::Index>(i)) += p.mass * scale_[i] * h[i];
  }
}

Eigen::MatrixXd InputLinearization::adjoint(const Eigen::MatrixXd& X) const {
  const numeric::GridConvolution& g = *c_.input;
  const std::size_t n = c_.size();
  Eigen::MatrixXd out(X.cols(), static_cast<Eigen::Index>(g.cells()));
  std::vector<double> ybar(n), fbar(g.cells());
  for (Eigen::Index k = 0; k < X.cols(); ++k) {
    for (std::size_t i = 0; i < n; ++i) ybar[i] = X(static_cast<Eigen::Index>(i), k) * scale_[i];
    g.adjoint(spectrum_, reading_, ybar, fbar);
    for (std::size_t j = 0; j < fbar.size(); ++j) out(k, static_cast<Eigen::Index>(j)) = fbar[j];
  }
  return out;
}

Eigen::VectorXd InputLinearization::modelPart(const Eigen::MatrixXd& X) const {
  return X.transpose() * model_;
}

double InputLinearization::logIntegralChange(std::span<const double> dc) const {
  const numeric::GridConvolution& g = *c_.input;
  return g.integralOf(dc) / g.inputIntegral();
}

void InputLinearization::change(std::span<const double> dc, std::span<double> de) const {
  c_.input->convolve(dc, spectrum_, reading_, de);
  const double dR = logIntegralChange(dc);
  for (std::size_t i = 0; i < c_.size() && i < de.size(); ++i)
    de[i] = scale_[i] * de[i] - model_(static_cast<Eigen::Index>(i)) * dR;
}

InputDraws drawInputErrors(const numeric::GridConvolution& grid,
                           std::span<const double> inputTimes, std::span<const double> inputFlux,
                           std::span<const double> inputDischarges, const InputErrors& errors,
                           int draws, uint64_t seed) {
  const std::size_t m = inputTimes.size();
  InputDraws out;
  out.cells.resize(static_cast<Eigen::Index>(grid.cells()), draws);
  out.logIntegral.resize(draws);
  std::vector<double> sd(m);
  for (std::size_t i = 0; i < m; ++i) {
    const double q = std::max(inputDischarges[i], 0.0);
    const double reading = q > 0 ? std::abs(inputFlux[i]) / q : 0.0;
    sd[i] = std::hypot(errors.offset, errors.relative * reading) * q;
  }
  numeric::Ar1Errors process(inputTimes);
  process.setCorrelationTime(errors.correlationTime);
  numeric::Random random(seed);
  std::vector<double> w(m), df(m);
  for (int d = 0; d < draws; ++d) {
    for (double& z : w) z = random.normal();
    process.colour(w, df);
    for (std::size_t i = 0; i < m; ++i) df[i] *= sd[i];
    const std::vector<double> dc = grid.cellMeans(inputTimes, df);
    for (std::size_t k = 0; k < dc.size(); ++k) out.cells(static_cast<Eigen::Index>(k), d) = dc[k];
    out.logIntegral(d) = grid.integralOf(dc) / grid.inputIntegral();
  }
  return out;
}

void modelConcentrations(const Curve& c, std::span<const FlowPath> paths,
                         std::span<const double> t, std::span<const double> q,
                         std::span<double> y, bool fromRelease) {
  if (!c.input || fromRelease) {
    numeric::concentrations(t, q, c.distanceFrom(fromRelease), c.releaseDurationFrom(fromRelease),
                            paths, y);
    return;
  }
  std::fill(y.begin(), y.end(), 0.0);
  std::vector<double> h;
  for (const FlowPath& p : paths) {
    pathResponses(c, p, p.hasStorage(), false, t, h);
    for (std::size_t i = 0; i < t.size() && i < y.size(); ++i) y[i] += p.mass * h[i] / q[i];
  }
}

namespace {

// Adds path j's part to the model values e (n of them) and, when J is
// given, to their derivatives by the fitted parameters (column-major,
// columns ld apart): its responses h (blocks of n: the values, then by v,
// D, and with a zone by beta and alpha) times its mass over divisor(i).
template <typename Divisor>
void addPath(const ModelForm& form, int j, const FlowPath& p, const std::vector<double>& h,
             std::size_t n, std::size_t ld, Divisor divisor, double* e, double* J) {
  double* Ju = J ? J + static_cast<std::size_t>(3 * j) * ld : nullptr;
  double* Jd = Ju ? Ju + ld : nullptr;
  double* JM = Jd ? Jd + ld : nullptr;
  if (form.hasZone(j)) {
    double* Jb = J ? J + static_cast<std::size_t>(form.zoneIndex(j)) * ld : nullptr;
    double* Jw = Jb ? Jb + ld : nullptr;
    // The derivatives by the fitted parameters from those by v, D, beta,
    // alpha (chain rule; k = d ln(1 + beta) / d ln beta, and alpha =
    // w v / L moves with v for a zone of its own).
    const bool own = form.zones == ZoneLayout::PerPath;
    const double k = p.storageRatio / (1 + p.storageRatio);
    for (std::size_t i = 0; i < n; ++i) {
      const double f = p.mass / divisor(i);
      e[i] += f * h[i];
      if (!J) continue;
      const double dv = p.velocity * h[n + i], dD = p.dispersion * h[2 * n + i];
      const double da = p.exchangeRate * h[4 * n + i];
      Ju[i] = f * (dv + (own ? da : 0));
      Jd[i] = f * dD;
      JM[i] = f * h[i];
      Jb[i] += f * (p.storageRatio * h[3 * n + i] + k * (dv + dD + (own ? da : 0)));
      Jw[i] += f * da;
    }
  } else {
    for (std::size_t i = 0; i < n; ++i) {
      const double f = p.mass / divisor(i);
      e[i] += f * h[i];
      if (J) {
        Ju[i] = f * p.velocity * h[n + i];
        Jd[i] = f * p.dispersion * h[2 * n + i];
        JM[i] = f * h[i];
      }
    }
  }
}

bool allFinite(const double* x, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isfinite(x[i])) return false;
  return true;
}

}  // namespace

std::unique_ptr<numeric::GridLeastSquares> gridReduction(const Curve& c, const ModelForm& form) {
  if (!c.input || !c.inputReading || form.ar1 || form.bypass) return nullptr;
  const std::size_t n = c.size();
  std::vector<double> scale(n), target(n), extra(form.baseline ? n : 0);
  for (std::size_t i = 0; i < n; ++i) {
    scale[i] = c.weight(i) / (c.q[i] * c.peak);
    target[i] = c.weight(i) * c.y[i] / c.peak;
    if (form.baseline) extra[i] = c.weight(i);
  }
  auto reduced = std::make_unique<numeric::GridLeastSquares>(*c.inputReading, c.input->cells(),
                                                             scale, target, extra);
  if (!reduced->made()) return nullptr;
  return reduced;
}

bool gridResiduals(const Curve& c, const numeric::GridLeastSquares& reduced,
                   const ModelForm& form, const double* x, double* e, double* J) {
  // The model at the grid's nodes (unscaled: the reduction scales each
  // sample's row), then the baseline's coefficient.
  const std::size_t m = reduced.unknowns(), cells = c.input->cells(), rows = reduced.size();
  const std::size_t Kc = static_cast<std::size_t>(form.curveParameters());
  std::vector<double> z(m, 0.0), Jz(J ? m * Kc : 0, 0.0), h;
  for (int j = 0; j < form.paths; ++j) {
    const FlowPath p = naturalPath(c, form, x, j);
    nodeResponses(c, p, form.hasZone(j), J != nullptr, h);
    // The responses' blocks are cells long, the columns m: the baseline's
    // row, the last, is the baseline's alone.
    addPath(form, j, p, h, cells, m, [](std::size_t) { return 1.0; }, z.data(),
            J ? Jz.data() : nullptr);
  }
  if (form.baseline) {
    z[cells] = x[form.baselineIndex()];
    if (J) Jz[static_cast<std::size_t>(form.baselineIndex()) * m + cells] = 1;
  }
  if (!allFinite(z.data(), m) || (J && !allFinite(Jz.data(), m * Kc))) return false;
  reduced.residuals(z, std::span<double>(e, rows));
  if (J)
    for (std::size_t k = 0; k < Kc; ++k)
      reduced.transform(std::span<const double>(Jz.data() + k * m, m),
                        std::span<double>(J + k * rows, rows));
  return true;
}

bool curveResiduals(const Curve& c, const ModelForm& form, const double* x, double* e,
                    double* J) {
  const std::size_t n = c.size();
  std::fill(e, e + n, 0.0);
  const std::size_t Kc = static_cast<std::size_t>(form.curveParameters());
  if (J) std::fill(J, J + n * Kc, 0.0);
  std::vector<double> h;
  for (int j = 0; j < form.paths; ++j) {
    const FlowPath p = naturalPath(c, form, x, j);
    pathResponses(c, p, form.hasZone(j), J != nullptr, c.t, h, form.fromRelease(j));
    addPath(form, j, p, h, n, n, [&c](std::size_t i) { return c.q[i] * c.peak; }, e, J);
  }
  if (form.baseline) {
    const double b = x[form.baselineIndex()];
    for (std::size_t i = 0; i < n; ++i) e[i] += b;
    if (J) std::fill(J + static_cast<std::size_t>(form.baselineIndex()) * n,
                     J + static_cast<std::size_t>(form.baselineIndex() + 1) * n, 1.0);
  }
  for (std::size_t i = 0; i < n; ++i) e[i] -= c.y[i] / c.peak;
  // Weighted residuals (errors growing with the signal).
  if (!c.weights.empty()) {
    for (std::size_t i = 0; i < n; ++i) e[i] *= c.weights[i];
    if (J)
      for (std::size_t k = 0; k < Kc; ++k)
        for (std::size_t i = 0; i < n; ++i) J[k * n + i] *= c.weights[i];
  }
  return allFinite(e, n) && (!J || allFinite(J, n * Kc));
}

bool unitCurves(const Curve& c, const ModelForm& form, const double* x, Eigen::MatrixXd& H) {
  const std::size_t n = c.size();
  H.resize(static_cast<Eigen::Index>(n), form.paths);
  std::vector<double> h;
  for (int j = 0; j < form.paths; ++j) {
    pathResponses(c, naturalPath(c, form, x, j), form.hasZone(j), false, c.t, h,
                  form.fromRelease(j));
    for (std::size_t i = 0; i < n; ++i) {
      const double u = h[i] / c.q[i];
      if (!std::isfinite(u)) return false;
      H(static_cast<Eigen::Index>(i), j) = u;
    }
  }
  return true;
}

Bounds boundsFor(const Curve& c, const ModelForm& form) {
  Bounds b;
  const std::size_t K = static_cast<std::size_t>(form.size());
  b.lower.assign(K, -kInfinity);
  b.upper.assign(K, kInfinity);
  b.binding.assign(K, true);
  // The curve's own path, from its moments.
  double mean = c.mean > 0 ? c.mean : c.t.back();
  double variance = c.variance > 0 ? c.variance : 0.01 * mean * mean;
  const double v = c.L / mean;
  const double D = variance * v * v * v / (2 * c.L);
  const double centre[3] = {std::log(v), std::log(D), std::log(c.mass)};
  const double range[3] = {kVelocityRange, kDispersionRange, kMassRange};
  for (int j = 0; j < form.paths; ++j)
    for (int k = 0; k < 3; ++k) {
      // A bypass's velocity and dispersion over its own distance.
      const double shift = form.fromRelease(j) && k < 2 && c.bypassL > 0 && c.L > 0
                               ? std::log(c.bypassL / c.L)
                               : 0.0;
      b.lower[static_cast<std::size_t>(3 * j + k)] = centre[k] + shift - range[k];
      b.upper[static_cast<std::size_t>(3 * j + k)] = centre[k] + shift + range[k];
    }
  // Each zone's capacity ratio, and its exchange as w (see ModelForm): a
  // zone exchanging over a ten-thousandth to ten thousand times the travel
  // time.
  for (int j = 0; j < form.paths; ++j) {
    if (!form.hasZone(j) || (form.zones == ZoneLayout::Shared && j > 0)) continue;
    const std::size_t s = static_cast<std::size_t>(form.zoneIndex(j));
    b.lower[s] = std::log(kStorageRatioLow);
    b.upper[s] = std::log(kStorageRatioHigh);
    b.lower[s + 1] = std::log(kExchangeLow);
    b.upper[s + 1] = std::log(kExchangeHigh);
  }
  if (form.baseline) {
    const std::size_t s = static_cast<std::size_t>(form.baselineIndex());
    b.lower[s] = -kBaselineRange;
    b.upper[s] = kBaselineRange;
  }
  if (form.ar1) b.binding[static_cast<std::size_t>(form.ar1Index())] = false;
  return b;
}

// The bounds go to the solver as box constraints, whose projected steps
// keep a poorly determined parameter (a storage zone the curve hardly
// shows) from leaping out of range; an optimum on a bound is out of range.
Problem::Problem(const Curve& c, const ModelForm& form, const Bounds& bounds, Parameters start)
    : c_(c), spec_(form), x_(std::move(start)) {
  clampInside(x_, bounds);
  ceres::Problem::Options po;
  problem_ = std::make_unique<ceres::Problem>(po);
  // A reach fitted by least squares of its samples: thousands of rows
  // reduced to one a grid node, at the same cost.
  reduced_ = gridReduction(c, form);
  problem_->AddResidualBlock(new CurveCost(c, form, reduced_.get()), nullptr, x_.data());
  setBounds(*problem_, x_.data(), bounds);
}

void clampInside(Parameters& x, const Bounds& bounds) {
  for (std::size_t k = 0; k < x.size(); ++k) {
    const double width = bounds.upper[k] - bounds.lower[k];
    const double margin = std::isfinite(width) ? 1e-6 * width : 0;
    x[k] = std::clamp(x[k], bounds.lower[k] + margin, bounds.upper[k] - margin);
  }
}

void setBounds(ceres::Problem& problem, double* x, const Bounds& bounds) {
  for (std::size_t k = 0; k < bounds.lower.size(); ++k) {
    if (std::isfinite(bounds.lower[k]))
      problem.SetParameterLowerBound(x, static_cast<int>(k), bounds.lower[k]);
    if (std::isfinite(bounds.upper[k]))
      problem.SetParameterUpperBound(x, static_cast<int>(k), bounds.upper[k]);
  }
}

Problem::~Problem() = default;

double solveLeastSquares(ceres::Problem& problem, int iterations, double samples,
                         bool* converged) {
  ceres::Solver::Options o;
  o.minimizer_type = ceres::TRUST_REGION;
  o.trust_region_strategy_type = ceres::LEVENBERG_MARQUARDT;
  o.linear_solver_type = ceres::DENSE_QR;
  o.max_num_iterations = iterations;
  // A relative change of the cost of 1e-10 moves the estimates by less
  // than 1e-3 of their standard errors.
  o.function_tolerance = 1e-10;
  // Levenberg-Marquardt starts damped (the radius is the inverse of the
  // damping): undamped Gauss-Newton steps of these models overshoot by
  // orders of magnitude along poorly determined directions.
  o.initial_trust_region_radius = 100;
  o.parameter_tolerance = 1e-10;
  o.gradient_tolerance = 1e-14;
  o.num_threads = 1;
  o.logging_type = ceres::SILENT;
  o.minimizer_progress_to_stdout = false;
  // No line search after a projected step: it would evaluate the Jacobian
  // at every trial point.
  o.max_num_line_search_step_size_iterations = 0;
  StallGuard stall(samples);
  if (iterations > 20) o.callbacks.push_back(&stall);
  ceres::Solver::Summary s;
  ceres::Solve(o, &problem, &s);
  if (converged)
    *converged =
        s.termination_type == ceres::CONVERGENCE || s.termination_type == ceres::USER_SUCCESS;
  if (s.termination_type == ceres::FAILURE || !std::isfinite(s.final_cost)) return kInfinity;
  return s.final_cost;
}

double Problem::solve(int iterations, bool* converged) {
  return solveLeastSquares(*problem_, iterations, static_cast<double>(c_.size()), converged);
}

bool Problem::evaluate(std::vector<double>& r, std::vector<double>& J) const {
  const CurveCost cost(c_, spec_);
  r.resize(c_.size());
  J.resize(c_.size() * x_.size());
  const double* p = x_.data();
  double* jac = J.data();
  return cost.Evaluate(&p, r.data(), &jac);
}

double fitLinearParameters(const Curve& c, const ModelForm& form, PathSet& s) {
  const std::size_t N = static_cast<std::size_t>(form.paths);
  if (s.paths.size() != N) return kInfinity;
  for (const FlowPath& p : s.paths)
    if (!positive(p.velocity) || !positive(p.dispersion)) return kInfinity;
  for (int j = 0; j < form.paths; ++j) {
    const FlowPath& p = s.paths[static_cast<std::size_t>(j)];
    if (form.hasZone(j) && !p.hasStorage())
      return kInfinity;
  }
  for (FlowPath& p : s.paths)
    if (!positive(p.mass)) p.mass = c.mass / static_cast<double>(N);
  const Parameters x = toParameters(c, form, s);
  Eigen::MatrixXd H;
  if (!unitCurves(c, form, x.data(), H)) return kInfinity;
  const Eigen::Index n = static_cast<Eigen::Index>(c.size());
  const Eigen::Index columns = static_cast<Eigen::Index>(N) + (form.baseline ? 1 : 0);
  Eigen::MatrixXd A(n, columns);
  A.leftCols(static_cast<Eigen::Index>(N)) = H;
  if (form.baseline) A.col(columns - 1).setOnes();
  Eigen::VectorXd y = Eigen::Map<const Eigen::VectorXd>(c.y.data(), n);
  if (!c.weights.empty()) {
    const Eigen::Map<const Eigen::VectorXd> w(c.weights.data(), n);
    A = w.asDiagonal() * A;
    y = w.asDiagonal() * y;
  }
  const Eigen::VectorXd m = A.colPivHouseholderQr().solve(y);
  for (std::size_t j = 0; j < N; ++j) {
    const double mj = m(static_cast<Eigen::Index>(j));
    s.paths[j].mass = positive(mj) ? mj : 0.01 * c.mass / static_cast<double>(N);
  }
  if (form.baseline) s.baseline = std::clamp(m(columns - 1), -0.5 * c.peak, 0.5 * c.peak);
  Eigen::VectorXd coefficients(columns);
  for (std::size_t j = 0; j < N; ++j) coefficients(static_cast<Eigen::Index>(j)) = s.paths[j].mass;
  if (form.baseline) coefficients(columns - 1) = s.baseline;
  const Eigen::VectorXd e = (A * coefficients - y) / c.peak;
  if (!e.allFinite()) return kInfinity;
  if (!form.ar1) return e.squaredNorm();
  // The AR(1) errors start from the residuals' own lag-1 correlation.
  const std::span<const double> es(e.data(), static_cast<std::size_t>(n));
  const double phi =
      std::clamp(numeric::lag1Autocorrelation(es), kStartLag1Low, kStartLag1High);
  numeric::Ar1Errors ar(c.t);
  ar.setLag1(phi);
  s.correlationTime = ar.correlationTime();
  std::vector<double> r(static_cast<std::size_t>(n));
  ar.whiten(es, r);
  double sum = 0;
  for (double v : r) sum += v * v;
  return std::isfinite(sum) ? sum : kInfinity;
}

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

namespace {

// A path whose travel-time mean and variance are those given (the release
// removed), with the mass given.
FlowPath pathFromMoments(const Curve& c, double mean, double variance, double mass) {
  mean -= c.releaseMean();
  variance -= c.releaseVariance();
  if (!(mean > 0)) mean = std::max(c.mean, 1e-9);
  if (!(variance > 0)) variance = 0.01 * mean * mean;
  const double v = c.L / mean;
  return {v, variance * v * v * v / (2 * c.L), mass};
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

// A path with its peak at sample `top` of the series s and the width at
// half its height there (a Gaussian's standard deviation from it).
FlowPath pathFromPeak(const Curve& c, const std::vector<double>& s, std::size_t top,
                      double mass) {
  std::size_t a = top, b = top;
  while (a > 0 && s[a] > 0.5 * s[top]) --a;
  while (b + 1 < c.size() && s[b] > 0.5 * s[top]) ++b;
  // A cut-off curve: the rising side alone gives the width.
  const double halfWidth = b + 1 == c.size() && s[b] > 0.5 * s[top] ? c.t[top] - c.t[a]
                                                                     : 0.5 * (c.t[b] - c.t[a]);
  const double sigma = std::max(halfWidth / 1.1774, 1e-3 * std::fabs(c.t[top]));
  return pathFromMoments(c, c.t[top], sigma * sigma, mass);
}

// The paths and a new one where the smoothed residual is largest.
std::vector<FlowPath> pathsWithResidualPeak(const Curve& c, const PathSet& fewer) {
  std::vector<double> model(c.size());
  modelConcentrations(c, fewer.paths, c.t, c.q, model);
  std::vector<double> r(c.size());
  for (std::size_t i = 0; i < c.size(); ++i) r[i] = c.y[i] - fewer.baseline - model[i];
  const std::vector<double> s = smoothed(r);
  const std::size_t top =
      static_cast<std::size_t>(std::max_element(s.begin(), s.end()) - s.begin());
  if (!(s[top] > 0) || !(c.t[top] > 0)) return {};
  std::vector<FlowPath> paths = fewer.paths;
  for (FlowPath& p : paths) p.storageRatio = p.exchangeRate = 0;
  paths.push_back(pathFromPeak(c, s, top, 0));
  return paths;
}

// The start s given the zones of form: a path that keeps a zone keeps it; a
// path that gains one takes the capacity ratio beta and the exchange rate
// alpha, its velocity and dispersion raised by 1 + beta (the curve's mean
// velocity kept) unless `raise` is false (a zone too small to change them);
// a path that loses one takes its mean velocity v / (1 + beta).
PathSet withZonesOf(const Curve& c, const ModelForm& form, PathSet s, double beta = 0.1,
                    double alpha = 0, bool raise = true) {
  if (!(alpha > 0)) alpha = 3 / (c.mean > 0 ? c.mean : c.t.back());
  if (form.zones == ZoneLayout::Shared) {
    // One zone: that of the first path with one, on every path, the
    // paths' velocities kept (the zone was found where the paths' peaks
    // travel at their mobile velocity).
    const auto first = std::find_if(s.paths.begin(), s.paths.end(), [](const FlowPath& p) {
      return p.hasStorage();
    });
    if (first != s.paths.end()) {
      const double b = first->storageRatio, a = first->exchangeRate;
      for (FlowPath& p : s.paths) {
        p.storageRatio = b;
        p.exchangeRate = a;
      }
      return s;
    }
  }
  for (int j = 0; j < form.paths && j < static_cast<int>(s.paths.size()); ++j) {
    FlowPath& p = s.paths[static_cast<std::size_t>(j)];
    const bool has = p.hasStorage();
    if (form.hasZone(j) && !has) {
      const double k = raise ? 1 + beta : 1;
      p.velocity *= k;
      p.dispersion *= k;
      p.storageRatio = beta;
      p.exchangeRate = alpha;
    } else if (!form.hasZone(j) && has) {
      p.velocity /= 1 + p.storageRatio;
      p.dispersion /= 1 + p.storageRatio;
      p.storageRatio = p.exchangeRate = 0;
    } else if (!form.hasZone(j)) {
      p.storageRatio = p.exchangeRate = 0;
    }
  }
  return s;
}

}  // namespace

namespace {

// A reach's model with a bypass: the reach's paths of the fit without it
// (or the starts of that model), each with bypass paths from the release
// over the downstream distance: one from what that fit leaves (the
// positive residual's moments) and one at the downstream station's own
// mean transit time, and each twice as fast.
std::vector<PathSet> bypassStarts(const Curve& c, const FlowPathFitInput& in,
                                  const ModelForm& form, const StartHints& hints) {
  ModelForm reach = form;
  reach.bypass = false;
  reach.paths = form.paths - 1;
  std::vector<PathSet> bases;
  if (hints.withoutBypass && static_cast<int>(hints.withoutBypass->paths.size()) == reach.paths)
    bases.push_back(*hints.withoutBypass);
  else
    bases = startsFor(c, in, reach, StartHints{hints.fewer, hints.plain, hints.shared, nullptr});
  const double L = c.bypassL;
  std::vector<FlowPath> bypasses;
  const auto add = [&](double mean, double variance, double mass) {
    mean -= c.bypassTd / 2;
    if (!positive(mean) || !positive(L)) return;
    const double v = L / mean;
    const double D = positive(variance) ? variance * v * v * v / (2 * L) : 0.1 * v * L;
    for (const double k : {1.0, 2.0}) bypasses.push_back({k * v, k * D, mass});
  };
  if (!bases.empty()) {
    // What the first base leaves, as a curve of its own.
    Curve rest = c;
    std::vector<double> model(c.size());
    modelConcentrations(c, bases.front().paths, c.t, c.q, model);
    for (std::size_t i = 0; i < c.size(); ++i) rest.y[i] = c.y[i] - model[i];
    const Moments m = moments(rest, 0, c.size() - 1);
    if (m.mass > 0) add(m.mean, m.variance, m.mass);
  }
  if (positive(in.bypassMeanTime)) add(in.bypassMeanTime, 0, 0.1 * c.mass);
  std::vector<PathSet> starts;
  for (const PathSet& base : bases)
    for (const FlowPath& b : bypasses) {
      PathSet set = base;
      set.paths.push_back(b);
      starts.push_back(set);
    }
  return starts;
}

}  // namespace

std::vector<PathSet> startsFor(const Curve& c, const FlowPathFitInput& in, const ModelForm& form,
                               const StartHints& hints) {
  if (form.bypass) return bypassStarts(c, in, form, hints);
  const std::size_t N = static_cast<std::size_t>(form.paths);
  std::vector<std::vector<FlowPath>> pathStarts;
  const std::vector<double> s = smoothed(c.y);
  if (N == 1) {
    const FlowPath curve =
        pathFromMoments(c, c.mean + c.releaseMean(), c.variance + c.releaseVariance(), c.mass);
    std::vector<double> velocities{curve.velocity};
    if (positive(in.meanTransitTime)) velocities.push_back(c.L / in.meanTransitTime);
    if (positive(in.peakTime)) velocities.push_back(c.L / in.peakTime);
    std::vector<double> dispersions{curve.dispersion};
    if (positive(in.momentDispersion)) dispersions.push_back(in.momentDispersion);
    if (positive(in.chatwinDispersion)) dispersions.push_back(in.chatwinDispersion);
    for (double v : velocities)
      for (double D : dispersions) pathStarts.push_back({{v, D, c.mass}});
    // The highest peak's position and width, and each separated peak alone.
    const std::size_t top =
        static_cast<std::size_t>(std::max_element(s.begin(), s.end()) - s.begin());
    pathStarts.push_back({pathFromPeak(c, s, top, c.mass)});
    std::vector<std::size_t> peaks, splits;
    peaksAndSplits(c, kMaxPaths, peaks, splits);
    if (peaks.size() > 1) {
      for (const FlowPath& p : pathsFromSegments(c, splits)) pathStarts.push_back({p});
      for (std::size_t p : peaks) pathStarts.push_back({pathFromPeak(c, s, p, c.mass)});
    }
  } else {
    std::vector<std::size_t> peaks, splits;
    peaksAndSplits(c, N, peaks, splits);
    if (peaks.size() == N) {
      pathStarts.push_back(pathsFromSegments(c, splits));
      std::vector<FlowPath> byPeaks;
      for (std::size_t p : peaks) byPeaks.push_back(pathFromPeak(c, s, p, c.mass / N));
      pathStarts.push_back(byPeaks);
    }
    pathStarts.push_back(pathsFromSegments(c, massQuantileCuts(c, N)));
    // The same with narrower paths: cutting a curve at its minima leaves
    // each part the tails of its neighbours.
    const std::size_t made = pathStarts.size();
    for (std::size_t k = 0; k < made; ++k) {
      std::vector<FlowPath> narrow = pathStarts[k];
      for (FlowPath& p : narrow) p.dispersion *= 0.3;
      pathStarts.push_back(narrow);
    }
  }

  std::vector<PathSet> starts;
  const PathSet* fewer = hints.fewer;
  if (!form.storage()) {
    if (fewer && fewer->paths.size() + 1 == N) {
      const std::vector<FlowPath> more = pathsWithResidualPeak(c, *fewer);
      if (!more.empty()) {
        pathStarts.push_back(more);
        std::vector<FlowPath> narrow = more;
        narrow.back().dispersion *= 0.3;
        pathStarts.push_back(narrow);
      }
    }
    for (auto& p : pathStarts) {
      PathSet set;
      set.paths = p;
      if (fewer) set.baseline = fewer->baseline;
      starts.push_back(set);
    }
  } else {
    // Storage zones over the range that shows in a curve: a tenth to half
    // the mobile capacity, exchanged over a thirtieth of the mean travel
    // time (near equilibrium) to three times it.
    const double mean = c.mean > 0 ? c.mean : c.t.back();
    const double ratios[2] = {0.1, 0.5};
    const double rates[3] = {0.3 / mean, 3 / mean, 30 / mean};
    auto withStorage = [&](const PathSet& from) {
      for (double beta : ratios)
        for (double alpha : rates) {
          PathSet set = from;
          for (FlowPath& p : set.paths) p.storageRatio = p.exchangeRate = 0;
          starts.push_back(withZonesOf(c, form, set, beta, alpha));
        }
    };
    if (hints.plain && hints.plain->paths.size() == N) {
      // The fit without storage itself, with zones too small to change it:
      // the storage model starts no worse than the model it extends.
      PathSet set = *hints.plain;
      for (FlowPath& p : set.paths) p.storageRatio = p.exchangeRate = 0;
      starts.push_back(withZonesOf(c, form, set, 0.01, 3 / mean, false));
      withStorage(*hints.plain);
    }
    if (hints.shared && hints.shared->paths.size() == N)
      // For zones of their own, the paths sharing a zone: each zoned path
      // keeps it, the others lose it (at their mean velocity); for the
      // shared zone, the fit with zones of their own: every path takes
      // the first zone.
      starts.push_back(withZonesOf(c, form, *hints.shared));
    if (fewer && fewer->paths.size() + 1 == N) {
      std::vector<FlowPath> more = pathsWithResidualPeak(c, *fewer);
      if (!more.empty()) {
        PathSet set = *fewer;
        set.paths = more;
        const FlowPath* zone = nullptr;
        for (const FlowPath& p : fewer->paths)
          if (p.storageRatio > 0) zone = &p;
        starts.push_back(zone ? withZonesOf(c, form, set, zone->storageRatio, zone->exchangeRate)
                              : withZonesOf(c, form, set));
      }
    }
    if (starts.empty() && !pathStarts.empty()) {
      PathSet set;
      set.paths = pathStarts.front();
      withStorage(set);
    }
  }
  std::erase_if(starts, [N](const PathSet& set) {
    if (set.paths.size() != N) return true;
    return std::any_of(set.paths.begin(), set.paths.end(), [](const FlowPath& p) {
      return !positive(p.velocity) || !positive(p.dispersion);
    });
  });
  return starts;
}

}  // namespace kaldero::flowfit
