// A reach between two stations fitted from the upstream station's measured
// flux (analysis/station_fit.h, the fit of analysis/flow_path_fit.h).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "analysis/station_fit.h"
#include "numeric/advection_dispersion.h"
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
  const FitSamples up = station(150, v, D, M, 0.4, 20, 12000);
  const FitSamples down = station(770, v, D, M, 0.6, 60, 40000);
  std::vector<double> flux;
  const FlowPathFitInput in =
      reachFitInput(onePath(), up, 150, 150 / v, down, 770, 770 / v, flux);
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
  const FitSamples up = station(150, v, D, M, Q, 20, 12000);
  FitSamples down;
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
      fitFlowPaths(reachFitInput(o, up, 150, 3000, down, 770, 20000, flux));
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

}  // namespace
}  // namespace kaldero
