// The convolution of a measured flux with a path's responses.
#include "numeric/grid_convolution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/advection_dispersion.h"

namespace kaldero::numeric {
namespace {

// The cell integrals of a path's Dirac response: its step response's
// differences.
std::vector<double> cellIntegrals(const GridConvolution& g, double L, double v, double D) {
  const PathResponse path(L, v, D);
  std::vector<double> G(g.cells());
  for (std::size_t j = 0; j < G.size(); ++j)
    G[j] = path.step(static_cast<double>(j + 1) * g.step()).value -
           path.step(static_cast<double>(j) * g.step()).value;
  return G;
}

TEST(GridConvolution, TwoAdvectionDispersionReachesMakeTheWholePath) {
  // Paths of one velocity and dispersion coefficient add up: the flux of
  // 150 m convolved with the response of the 620 m beyond is the flux of
  // 770 m (inverse Gaussian densities of a common v^2 / 2D). Read every
  // second, on a grid of 1 s.
  const double v = 0.05, D = 0.05, M = 1e6;
  std::vector<double> t, f;
  for (double x = 0; x <= 12000; x += 1) {
    t.push_back(x);
    f.push_back(M * diracResponse(x, 150, v, D).value);
  }
  std::vector<double> out;
  for (double x = 0; x <= 30000; x += 1) out.push_back(x);
  const GridConvolution g(t, f, out.back(), 1.0);
  std::vector<double> y(out.size());
  g.apply(cellIntegrals(g, 620, v, D), out, y);
  double peak = 0, worst = 0;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double exact = M * diracResponse(out[i], 770, v, D).value;
    peak = std::max(peak, exact);
    worst = std::max(worst, std::fabs(y[i] - exact));
  }
  EXPECT_LT(worst, 1e-6 * peak) << "worst " << worst / peak << " of the peak";
  // The input's moments: the 150 m path's mean L / v and variance
  // 2 D L / v^3 (120,000 s^2), to a fraction of a second squared (the
  // cells' and the interpolation's own spreads).
  EXPECT_NEAR(g.inputIntegral() / M, 1.0, 1e-6);
  EXPECT_NEAR(g.inputMean(), 150 / v, 1e-3);
  EXPECT_NEAR(g.inputVariance(), 2 * D * 150 / (v * v * v), 0.5);
}

TEST(GridConvolution, AFluxConstantOnTheCellsIsConvolvedExactly) {
  // Three cells of flux; the sum of the step response's differences at
  // times between the grid's is what linear reading gives at grid times.
  const std::vector<double> t{0, 100, 100.000001, 200, 200.000001, 300};
  const std::vector<double> f{4, 4, 1, 1, 0, 0};
  std::vector<double> out;
  for (double x = 0; x <= 2000; x += 100) out.push_back(x);
  const GridConvolution g(t, f, out.back(), 100.0);
  const std::vector<double> G = cellIntegrals(g, 100, 0.2, 0.5);
  std::vector<double> y(out.size());
  g.apply(G, out, y);
  const PathResponse path(100, 0.2, 0.5);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const double s = out[i];
    const double direct = 4 * (path.step(s).value - path.step(s - 100).value) +
                          1 * (path.step(s - 100).value - path.step(s - 200).value);
    EXPECT_NEAR(y[i], direct, 1e-6) << "at " << s;
  }
}

TEST(GridConvolution, NothingBeforeTheInputNorAfterItsLastSample) {
  // A flux read from 1000 to 1100 s: its integral is 100, the convolution
  // is 0 before it arrives and keeps no tracer of later times.
  const std::vector<double> t{1000, 1100};
  const std::vector<double> f{1, 1};
  const std::vector<double> out{0, 500, 999, 5000};
  const GridConvolution g(t, f, out.back(), 10.0);
  EXPECT_NEAR(g.inputIntegral(), 100, 1e-9);
  EXPECT_NEAR(g.inputMean(), 1050, 1e-9);
  std::vector<double> G(g.cells(), 0.0);
  G[0] = 1;  // a response that passes everything in the first cell
  std::vector<double> y(out.size());
  g.apply(G, out, y);
  EXPECT_NEAR(y[0], 0, 1e-12);
  EXPECT_NEAR(y[1], 0, 1e-12);
  EXPECT_NEAR(y[3], 0, 1e-12);
}

// The cell means of another flux are those the grid takes of its input;
// the adjoint satisfies <ybar, apply(G) of df> = <adjoint(ybar), cell means
// of df> for a flux change df, the convolution being linear in it.
TEST(GridConvolution, CellMeansOfAnotherFluxAndTheAdjointInTheInput) {
  std::vector<double> t, f, df;
  for (double x = 0; x <= 3000; x += 37) {
    t.push_back(x);
    f.push_back(std::exp(-std::pow((x - 800) / 300, 2)));
    df.push_back(std::sin(x / 200) + 0.3);
  }
  std::vector<double> times;
  for (double x = 5; x <= 9000; x += 61) times.push_back(x);
  const GridConvolution g(t, f, times.back(), 25.0);
  const GridConvolution moved(t, df, times.back(), 25.0);
  const std::vector<double> means = g.cellMeans(t, df);
  ASSERT_EQ(means.size(), g.cells());
  double sum = 0;
  for (const double m : means) sum += m * g.step();
  EXPECT_NEAR(sum, moved.inputIntegral(), 1e-9 * std::abs(sum));
  const std::vector<double> G = cellIntegrals(g, 500, 0.3, 2.0);
  std::vector<double> y(times.size());
  moved.apply(G, times, y);
  std::vector<double> ybar(times.size()), fbar(g.cells());
  for (std::size_t i = 0; i < ybar.size(); ++i) ybar[i] = std::cos(0.05 * static_cast<double>(i));
  g.adjoint(g.responseSpectrum(G), g.reading(times), ybar, fbar);
  double left = 0, right = 0;
  for (std::size_t i = 0; i < y.size(); ++i) left += ybar[i] * y[i];
  for (std::size_t k = 0; k < fbar.size(); ++k) right += fbar[k] * means[k];
  EXPECT_NEAR(left, right, 1e-9 * std::abs(left));
  // Fewer than two samples: no flux.
  const std::vector<double> one{1.0};
  for (const double m : g.cellMeans(one, one)) EXPECT_EQ(m, 0.0);
}

}  // namespace
}  // namespace kaldero::numeric
