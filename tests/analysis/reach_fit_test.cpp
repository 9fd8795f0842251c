// A reach between two stations fitted from the upstream station's measured
// flux (analysis/station_fit.h, the fit of analysis/flow_path_fit.h).
#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <cmath>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/flow_path_model.h"
#include "analysis/station_fit.h"
#include "numeric/advection_dispersion.h"
#include "numeric/grid_least_squares.h"
#include "numeric/random.h"

namespace kaldero {
namespace {

// A station sampled every dt s to the last time: the flux concentration
// (ng/L) of M ug through paths of the given lengths, velocities and
// dispersion coefficients in series from the release, at Q m3/s, by the
// test's own quadrature of the second path's response against the first's
// (or in closed form for one path). Two paths in series of one velocity
// and dispersion coefficient are one path of their summed length.
FitSamples station(double L, double v, double D, double M, double Q, double dt, double last) {
  FitSamples s;
  for (double t = dt; t <= last; t += dt) {
    s.times.push_back(t);
    s.concentrations.push_back(M / Q * numeric::diracResponse(t, L, v, D).value);
    s.discharges.push_back(Q);
  }
  return s;
}

// The convolution of two paths' responses at t by the midpoint rule on
// steps of h s.
double inSeries(double t, double L1, double v1, double D1, double L2, double v2, double D2,
                double h) {
  double sum = 0;
  for (double tau = 0.5 * h; tau < t; tau += h)
    sum += numeric::diracResponse(tau, L1, v1, D1).value *
           numeric::diracResponse(t - tau, L2, v2, D2).value;
  return sum * h;
}

FitOptions onePath() {
  FitOptions o;
  o.paths = 1;
  o.storage = StorageChoice::None;
  o.errors = ErrorModel::Independent;
  return o;
}

TEST(ReachFit, TheReachOfOnePathIsFoundFromTheUpstreamFlux) {
  // 150 m then 620 m of one path (v 0.05 m/s, D 0.05 m2/s): the reach
  // fitted from the upstream flux is that path, carrying all the tracer.
  const double v = 0.05, D = 0.05, M = 5e7;
  const ReachEnd up{station(150, v, D, M, 0.4, 20, 12000), 150, 150 / v, {}, 0};
  const ReachEnd down{station(770, v, D, M, 0.6, 60, 40000), 770, 770 / v, {}, 0};
  std::vector<double> flux;
  const FlowPathFitInput in = reachFitInput(onePath(), up, down, flux);
  EXPECT_DOUBLE_EQ(in.distance, 620);
  EXPECT_NEAR(in.recoveredMass / M, 1.0, 1e-3);
  const FlowPathFitResult r = fitFlowPaths(in);
  const PathModelFit* best = r.best();
  ASSERT_NE(best, nullptr) << r.reason;
  ASSERT_EQ(best->paths.size(), 1u);
  EXPECT_NEAR(best->paths[0].velocity.value / v, 1.0, 1e-3);
  EXPECT_NEAR(best->paths[0].dispersion.value / D, 1.0, 1e-2);
  EXPECT_NEAR(best->paths[0].massFraction.value, 1.0, 1e-3);
  EXPECT_GT(best->rSquared, 0.99999);
}

TEST(ReachFit, TwoPathsOfTheReachAndTheirSharesAreFound) {
  // The reach splits the flux: 70 % by a fast path, 30 % by a slow one;
  // with 1 % noise of the peak, autocorrelated.
  const double v = 0.05, D = 0.05, M = 5e7, Q = 0.5;
  const ReachEnd up{station(150, v, D, M, Q, 20, 12000), 150, 3000, {}, 0};
  ReachEnd reach{{}, 770, 20000, {}, 0};
  FitSamples& down = reach.samples;
  numeric::Random noise(9);
  double e = 0, peak = 0;
  for (double t = 120; t <= 60000; t += 120) {
    const double c = M / Q *
                     (0.7 * inSeries(t, 150, v, D, 620, 0.06, 0.08, 5) +
                      0.3 * inSeries(t, 150, v, D, 620, 0.02, 0.03, 5));
    down.times.push_back(t);
    down.concentrations.push_back(c);
    down.discharges.push_back(Q);
    peak = std::max(peak, c);
  }
  for (double& c : down.concentrations) {
    e = 0.6 * e + 0.8 * noise.normal();
    c += 0.01 * peak * e;
  }
  FitOptions o = onePath();
  o.paths = 2;
  o.errors = ErrorModel::Ar1;
  std::vector<double> flux;
  const FlowPathFitResult r =
      fitFlowPaths(reachFitInput(o, up, reach, flux));
  const PathModelFit* best = r.best();
  ASSERT_NE(best, nullptr) << r.reason;
  ASSERT_EQ(best->paths.size(), 2u);
  // By velocity: the slow path first.
  EXPECT_NEAR(best->paths[0].velocity.value / 0.02, 1.0, 0.02);
  EXPECT_NEAR(best->paths[1].velocity.value / 0.06, 1.0, 0.02);
  EXPECT_NEAR(best->paths[0].dispersion.value / 0.03, 1.0, 0.1);
  EXPECT_NEAR(best->paths[1].dispersion.value / 0.08, 1.0, 0.1);
  EXPECT_NEAR(best->paths[0].massFraction.value, 0.3, 0.05);
  EXPECT_NEAR(best->paths[1].massFraction.value, 0.7, 0.05);
}

// The residuals' change for a small change of the upstream flux is that of
// the model evaluated anew with the changed flux as its input (the paths'
// masses, the discharges, the peak, the weights and the flux's integral, by
// which the responses are scaled, all as the fit takes them); the adjoint
// gives X^T of it for any columns X.
TEST(ReachFit, AFluxChangeMovesTheResidualsAsTheModelWithTheChangedFlux) {
  const FitSamples up = station(150, 0.05, 0.05, 5e7, 0.4, 20, 12000);
  std::vector<double> flux(up.times.size());
  for (std::size_t i = 0; i < flux.size(); ++i) flux[i] = up.concentrations[i] * 0.4;
  flowfit::Curve c;
  for (double t = 60; t <= 40000; t += 60) {
    c.t.push_back(t);
    c.y.push_back(0);
    c.q.push_back(0.5 + 1e-5 * t);
  }
  c.L = 620;
  c.peak = 3e4;
  c.weights.assign(c.t.size(), 0.5);
  c.input = std::make_shared<const numeric::GridConvolution>(up.times, flux, c.t.back(), 60);
  flowfit::ModelForm form;
  form.paths = 2;
  form.zones = ZoneLayout::PerPath;
  form.zoned = 2u;  // a zone on the second path
  const flowfit::Parameters x{std::log(0.06), std::log(0.08), std::log(3e7),
                              std::log(0.02), std::log(0.03), std::log(2e7),
                              std::log(0.3),  std::log(0.5)};
  ASSERT_EQ(static_cast<int>(x.size()), form.size());
  const flowfit::InputLinearization linear(c, form, x);
  std::vector<double> df(flux.size()), moved(flux);
  for (std::size_t i = 0; i < df.size(); ++i) {
    df[i] = 1e-4 * (flux[i] * std::sin(0.01 * static_cast<double>(i)) + 30);
    moved[i] += df[i];
  }
  const std::vector<double> dc = c.input->cellMeans(up.times, df);
  std::vector<double> de(c.size()), e0(c.size()), e1(c.size());
  linear.change(dc, de);
  flowfit::Curve changed = c;
  changed.input = std::make_shared<const numeric::GridConvolution>(up.times, moved, c.t.back(), 60);
  ASSERT_TRUE(flowfit::curveResiduals(c, form, x.data(), e0.data(), nullptr));
  ASSERT_TRUE(flowfit::curveResiduals(changed, form, x.data(), e1.data(), nullptr));
  double largest = 0;
  for (std::size_t i = 0; i < c.size(); ++i) largest = std::max(largest, std::abs(e1[i] - e0[i]));
  ASSERT_GT(largest, 1e-8);
  for (std::size_t i = 0; i < c.size(); i += 7) EXPECT_NEAR(de[i], e1[i] - e0[i], 1e-4 * largest);
  // First order in the change (its square left out).
  const double dR = std::log(changed.input->inputIntegral() / c.input->inputIntegral());
  EXPECT_NEAR(linear.logIntegralChange(dc), dR, 1e-3 * std::abs(dR));
  // X^T de by the adjoint, for columns unlike each other.
  Eigen::MatrixXd X(static_cast<Eigen::Index>(c.size()), 3);
  for (Eigen::Index i = 0; i < X.rows(); ++i) {
    X(i, 0) = 1;
    X(i, 1) = std::cos(0.003 * static_cast<double>(i));
    X(i, 2) = static_cast<double>(i % 17) - 8;
  }
  const Eigen::Map<const Eigen::VectorXd> dcv(dc.data(), static_cast<Eigen::Index>(dc.size()));
  const Eigen::Map<const Eigen::VectorXd> dev(de.data(), static_cast<Eigen::Index>(de.size()));
  const Eigen::VectorXd direct = X.transpose() * dev;
  const Eigen::VectorXd byAdjoint =
      linear.adjoint(X) * dcv - linear.modelPart(X) * linear.logIntegralChange(dc);
  for (Eigen::Index k = 0; k < 3; ++k)
    EXPECT_NEAR(byAdjoint(k), direct(k), 1e-9 * direct.cwiseAbs().maxCoeff());
}

// The reach's problem reduced to its grid is the samples' problem: the same
// cost (with the part no grid values reach), gradient and normal matrix, for
// a model of two paths, a zone of its own on one and a baseline, samples
// weighted, several a cell, on a varying discharge.
TEST(ReachFit, TheProblemReducedToTheGridIsTheSamplesProblem) {
  const FitSamples up = station(150, 0.05, 0.05, 5e7, 0.4, 20, 12000);
  std::vector<double> flux(up.times.size());
  for (std::size_t i = 0; i < flux.size(); ++i) flux[i] = up.concentrations[i] * 0.4;
  flowfit::Curve c;
  numeric::Random noise(4);
  for (double t = 45; t <= 40000; t += 37 + 40 * noise.uniform()) {
    c.t.push_back(t);
    c.q.push_back(0.5 + 1e-5 * t);
    c.y.push_back(2e3 * std::exp(-std::pow((t - 15000) / 4000, 2)) + 50 * noise.normal());
    c.weights.push_back(0.5 + 0.5 * noise.uniform());
  }
  c.L = 620;
  c.peak = 2e3;
  c.input = std::make_shared<const numeric::GridConvolution>(up.times, flux, c.t.back(), 300);
  c.inputReading =
      std::make_shared<const numeric::GridConvolution::Reading>(c.input->reading(c.t));
  flowfit::ModelForm form;
  form.paths = 2;
  form.zones = ZoneLayout::PerPath;
  form.zoned = 2u;
  form.baseline = true;
  const flowfit::Parameters x{std::log(0.06), std::log(0.08), std::log(3e7),
                              std::log(0.02), std::log(0.03), std::log(2e7),
                              std::log(0.3),  std::log(0.5),  0.02};
  ASSERT_EQ(static_cast<int>(x.size()), form.size());
  const std::size_t n = c.size(), K = x.size();
  std::vector<double> scale(n), target(n);
  for (std::size_t i = 0; i < n; ++i) {
    scale[i] = c.weights[i] / (c.q[i] * c.peak);
    target[i] = c.weights[i] * c.y[i] / c.peak;
  }
  const numeric::GridLeastSquares reduced(*c.inputReading, c.input->cells(), scale, target,
                                          c.weights);
  ASSERT_TRUE(reduced.made());
  ASSERT_LT(reduced.size(), n / 5);
  std::vector<double> e(n), J(n * K), er(reduced.size()), Jr(reduced.size() * K);
  ASSERT_TRUE(flowfit::curveResiduals(c, form, x.data(), e.data(), J.data()));
  ASSERT_TRUE(flowfit::gridResiduals(c, reduced, form, x.data(), er.data(), Jr.data()));
  const Eigen::Map<const Eigen::VectorXd> ev(e.data(), static_cast<Eigen::Index>(n)),
      erv(er.data(), static_cast<Eigen::Index>(er.size()));
  const Eigen::Map<const Eigen::MatrixXd> Jm(J.data(), static_cast<Eigen::Index>(n),
                                             static_cast<Eigen::Index>(K)),
      Jrm(Jr.data(), static_cast<Eigen::Index>(er.size()), static_cast<Eigen::Index>(K));
  EXPECT_NEAR(erv.squaredNorm() + reduced.outside(), ev.squaredNorm(), 1e-10 * ev.squaredNorm());
  const Eigen::VectorXd g = Jm.transpose() * ev, gr = Jrm.transpose() * erv;
  for (std::size_t k = 0; k < K; ++k)
    EXPECT_NEAR(gr(static_cast<Eigen::Index>(k)), g(static_cast<Eigen::Index>(k)),
                1e-9 * g.cwiseAbs().maxCoeff())
        << flowfit::parameterName(form, static_cast<int>(k));
  const Eigen::MatrixXd H = Jm.transpose() * Jm, Hr = Jrm.transpose() * Jrm;
  EXPECT_LT((Hr - H).cwiseAbs().maxCoeff(), 1e-9 * H.cwiseAbs().maxCoeff());
}

// The upstream errors widen the reach's intervals and leave its estimates
// as they are; errors that vanish give the intervals of an exact flux.
TEST(ReachFit, TheUpstreamErrorsWidenTheIntervalsAndNotTheEstimates) {
  const double v = 0.05, D = 0.05, M = 5e7;
  ReachEnd up{station(150, v, D, M, 0.4, 20, 12000), 150, 150 / v, {}, 0};
  ReachEnd down{station(770, v, D, M, 0.6, 60, 40000), 770, 770 / v, {}, 0};
  numeric::Random noise(4);
  double peak = 0;
  for (double c : down.samples.concentrations) peak = std::max(peak, c);
  for (double& c : down.samples.concentrations) c += 0.005 * peak * noise.normal();
  double upPeak = 0;
  for (double c : up.samples.concentrations) upPeak = std::max(upPeak, c);
  FitOptions o = onePath();
  o.errors = ErrorModel::Ar1;
  const auto fitWith = [&](InputErrors e) {
    up.errors = e;
    std::vector<double> flux;
    return fitFlowPaths(reachFitInput(o, up, down, flux));
  };
  const FlowPathFitResult exact = fitWith({});
  const FlowPathFitResult tiny = fitWith({1e-9 * upPeak, 0, 600});
  const FlowPathFitResult noisy = fitWith({0.01 * upPeak, 0, 600});
  const FlowPathFitResult growing = fitWith({0.002 * upPeak, 0.03, 600});
  for (const FlowPathFitResult* r : {&exact, &tiny, &noisy, &growing}) ASSERT_TRUE(r->fitted());
  EXPECT_TRUE(exact.reach && !exact.inputErrors.any());
  EXPECT_DOUBLE_EQ(noisy.inputErrors.offset, 0.01 * upPeak);
  const FittedPath& a = exact.best()->paths[0];
  for (const FlowPathFitResult* r : {&tiny, &noisy, &growing}) {
    const FittedPath& b = r->best()->paths[0];
    EXPECT_DOUBLE_EQ(b.velocity.value, a.velocity.value);
    EXPECT_DOUBLE_EQ(b.massFraction.value, a.massFraction.value);
  }
  const FittedPath& t = tiny.best()->paths[0];
  EXPECT_NEAR(t.velocity.standardError / a.velocity.standardError, 1, 1e-6);
  EXPECT_NEAR(t.massFraction.standardError / a.massFraction.standardError, 1, 1e-6);
  for (const FlowPathFitResult* r : {&noisy, &growing}) {
    const FittedPath& b = r->best()->paths[0];
    EXPECT_GT(b.velocity.standardError, 1.2 * a.velocity.standardError);
    EXPECT_GT(b.dispersion.standardError, 1.2 * a.dispersion.standardError);
    EXPECT_GT(b.massFraction.standardError, 1.2 * a.massFraction.standardError);
  }
}

// Tracer that reaches the downstream station from the release without
// passing the upstream one: with --reach-bypass the criterion takes the
// bypass where the curve has one (its velocity over the whole 770 m, its
// share of the downstream mass) and leaves it out where it has none.
TEST(ReachFit, ABypassFromTheReleaseIsFoundWhereTheCurveHasOne) {
  const double v = 0.05, D = 0.05, M = 5e7, Q = 0.5, Mb = 1e7;
  const ReachEnd up{station(150, v, D, M, Q, 20, 12000), 150, 3000, {}, 0};
  ReachEnd reach{{}, 770, 20000, {}, 0};
  FitSamples& down = reach.samples;
  numeric::Random noise(12);
  double e = 0, peak = 0;
  for (double t = 120; t <= 60000; t += 120) {
    const double c = 0.7 * M / Q * inSeries(t, 150, v, D, 620, 0.03, 0.04, 5) +
                     Mb / Q * numeric::diracResponse(t, 770, 0.08, 0.1).value;
    down.times.push_back(t);
    down.concentrations.push_back(c);
    down.discharges.push_back(Q);
    peak = std::max(peak, c);
  }
  std::vector<double> errors;
  for (std::size_t i = 0; i < down.times.size(); ++i) {
    e = 0.6 * e + 0.8 * noise.normal();
    errors.push_back(0.005 * peak * e);
  }
  ReachEnd plain = reach;  // the same reach without the bypass in its curve
  for (std::size_t i = 0; i < down.times.size(); ++i) {
    down.concentrations[i] += errors[i];
    plain.samples.concentrations[i] +=
        errors[i] - Mb / Q * numeric::diracResponse(down.times[i], 770, 0.08, 0.1).value;
  }
  FitOptions o = onePath();
  o.errors = ErrorModel::Ar1;
  o.reachBypass = true;
  std::vector<double> flux;
  const FlowPathFitInput in = reachFitInput(o, up, reach, flux);
  EXPECT_DOUBLE_EQ(in.bypassDistance, 770);
  const FlowPathFitResult r = fitFlowPaths(in);
  ASSERT_EQ(r.models.size(), 2u);  // 1, and 1 with a bypass
  const PathModelFit* best = r.best();
  ASSERT_NE(best, nullptr) << r.reason;
  EXPECT_EQ(best->label(), "1+bypass");
  ASSERT_EQ(best->paths.size(), 2u);
  const FittedPath& path = best->paths[0];
  const FittedPath& bypass = best->paths[1];
  EXPECT_FALSE(path.bypass);
  EXPECT_TRUE(bypass.bypass);
  EXPECT_NEAR(path.velocity.value / 0.03, 1.0, 0.02);
  EXPECT_NEAR(path.massFraction.value, 0.7, 0.03);
  EXPECT_NEAR(bypass.velocity.value / 0.08, 1.0, 0.03);
  EXPECT_NEAR(bypass.dispersion.value / 0.1, 1.0, 0.15);
  EXPECT_NEAR(bypass.massFraction.value, Mb / (0.7 * M + Mb), 0.02);
  EXPECT_NEAR(bypass.peclet.value / (0.08 * 770 / 0.1), 1.0, 0.15);

  const FlowPathFitResult none = fitFlowPaths(reachFitInput(o, up, plain, flux));
  ASSERT_TRUE(none.fitted()) << none.reason;
  EXPECT_EQ(none.best()->label(), "1");
}

// A bypass model that cannot be fitted keeps its name and its reason beside
// the model without one (seven samples: three parameters fit, six do not).
TEST(ReachFit, ABypassModelThatCannotBeFittedKeepsItsNameAndReason) {
  const double v = 0.05, D = 0.05, M = 5e7;
  const ReachEnd up{station(150, v, D, M, 0.4, 20, 12000), 150, 150 / v, {}, 0};
  const ReachEnd down{station(770, v, D, M, 0.6, 4000, 28000), 770, 770 / v, {}, 0};
  ASSERT_EQ(down.samples.times.size(), 7u);
  FitOptions o = onePath();
  o.reachBypass = true;
  std::vector<double> flux;
  const FlowPathFitResult r = fitFlowPaths(reachFitInput(o, up, down, flux));
  ASSERT_EQ(r.models.size(), 2u);
  EXPECT_EQ(r.models[0].label(), "1");
  EXPECT_EQ(r.models[1].label(), "1+bypass");
  EXPECT_FALSE(r.models[1].fitted);
  EXPECT_NE(r.models[1].reason.find("needs at least"), std::string::npos) << r.models[1].reason;
}

// A station's errors for the reaches after it, from its fit: the residuals'
// spread and correlation time, or the offset and relative parts of errors
// that grow with the signal; none without a fit.
TEST(ReachFit, AStationsMeasurementErrorsComeFromItsFit) {
  FlowPathFitResult none;
  EXPECT_FALSE(measurementErrors(none).any());
  FlowPathFitResult fit;
  PathModelFit m;
  m.fitted = true;
  m.rmse = 250;
  m.errors.model = ErrorModel::Ar1;
  m.errors.correlationTime = 900;
  fit.models = {m};
  fit.chosen = 0;
  InputErrors e = measurementErrors(fit);
  EXPECT_EQ(e.offset, 250);
  EXPECT_EQ(e.relative, 0);
  EXPECT_EQ(e.correlationTime, 900);
  fit.models[0].errors.model = ErrorModel::Independent;
  EXPECT_EQ(measurementErrors(fit).correlationTime, 0);
  fit.models[0].errors.model = ErrorModel::Ar1Relative;
  fit.models[0].errors.offsetError = 40;
  fit.models[0].errors.relativeError = 0.04;
  e = measurementErrors(fit);
  EXPECT_EQ(e.offset, 40);
  EXPECT_EQ(e.relative, 0.04);
}

}  // namespace
}  // namespace kaldero
