// Least squares of samples read from a grid, reduced to the grid's nodes.
#include "numeric/grid_least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/random.h"

namespace kaldero::numeric {
namespace {

// Samples of a grid of `cells` nodes of step 1: some before node 1 (read
// with node 0, always 0), several a cell, none over the cells 40 to 49 (a
// gap: those nodes are not free), some past the grid; each with a scale, a
// target and an extra column's entry.
struct Rows {
  std::size_t cells = 80;
  GridConvolution::Reading reading;
  std::vector<double> scale, target, extra;
};

Rows rows(uint64_t seed) {
  Rows r;
  Random random(seed);
  for (double t = 0.3; t < 86; t += 0.1 + 0.3 * random.uniform()) {
    if (t > 39.5 && t < 50.5) continue;
    const double m = std::floor(t);
    r.reading.at.push_back(m > static_cast<double>(r.cells) ? r.cells + 1
                                                             : static_cast<std::size_t>(m));
    r.reading.next.push_back(m > static_cast<double>(r.cells) ? 0 : t - m);
    r.scale.push_back(0.5 + random.uniform());
    r.target.push_back(random.normal());
    r.extra.push_back(0.8 + 0.4 * random.uniform());
  }
  return r;
}

// The rows' model at z (node m at z[m - 1], the extra coefficient last).
std::vector<double> model(const Rows& r, const std::vector<double>& z, bool extra) {
  std::vector<double> m(r.target.size());
  auto node = [&](std::size_t k) { return k >= 1 && k <= r.cells ? z[k - 1] : 0.0; };
  for (std::size_t i = 0; i < m.size(); ++i) {
    const std::size_t a = r.reading.at[i];
    const double w = r.reading.next[i];
    m[i] = r.scale[i] * ((1 - w) * node(a) + w * node(a + 1)) +
           (extra ? r.extra[i] * z[r.cells] : 0.0);
  }
  return m;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0;
  for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

TEST(GridLeastSquares, TheReducedRowsKeepTheCostGradientAndNormalMatrix) {
  for (const bool extra : {false, true}) {
    const Rows r = rows(extra ? 7 : 8);
    const GridLeastSquares reduced(r.reading, r.cells, r.scale, r.target,
                                   extra ? std::span<const double>(r.extra)
                                         : std::span<const double>());
    ASSERT_TRUE(reduced.made());
    EXPECT_EQ(reduced.unknowns(), r.cells + (extra ? 1 : 0));
    // The gap's nodes 41 to 49 are read by no sample: not rows.
    EXPECT_EQ(reduced.size(), r.cells - 9 + (extra ? 1 : 0));
    Random random(3);
    for (int trial = 0; trial < 5; ++trial) {
      std::vector<double> z(reduced.unknowns()), dz(reduced.unknowns());
      for (double& x : z) x = random.normal();
      for (double& x : dz) x = random.normal();
      const std::vector<double> m = model(r, z, extra), dm = model(r, dz, extra);
      std::vector<double> e(m.size());
      for (std::size_t i = 0; i < e.size(); ++i) e[i] = m[i] - r.target[i];
      std::vector<double> er(reduced.size()), der(reduced.size());
      reduced.residuals(z, er);
      reduced.transform(dz, der);
      const double cost = dot(e, e);
      EXPECT_NEAR(dot(er, er) + reduced.outside(), cost, 1e-12 * cost);
      // A direction's gradient and curvature: J^T e and J^T J.
      EXPECT_NEAR(dot(der, er), dot(dm, e), 1e-12 * cost);
      EXPECT_NEAR(dot(der, der), dot(dm, dm), 1e-12 * dot(dm, dm));
    }
    // The least-squares residual is what is left outside: no z does better.
    EXPECT_GT(reduced.outside(), 0);
  }
}

TEST(GridLeastSquares, NodesThatOneSampleReadsTogetherAreNotReduced) {
  // Nodes 1 and 2 read only by one sample between them: their two values
  // are one equation, B^T B singular.
  GridConvolution::Reading reading{{1}, {0.5}};
  const std::vector<double> scale{1}, target{2};
  const GridLeastSquares reduced(reading, 2, scale, target, {});
  EXPECT_FALSE(reduced.made());
  // Not finite: not reduced either.
  const std::vector<double> bad{std::nan("")};
  const GridLeastSquares nan(GridConvolution::Reading{{1}, {0.0}}, 2, bad, target, {});
  EXPECT_FALSE(nan.made());
}

}  // namespace
}  // namespace kaldero::numeric
