#include "numeric/grid_least_squares.h"

#include <cmath>

namespace kaldero::numeric {

namespace {

// A pivot of the Cholesky factor below this share of its diagonal entry:
// the node is read mostly together with its neighbour (a sample far from
// it, sparse samples over fine cells), B^T B is ill-conditioned and its
// factor would lose the digits the fit needs: not reduced.
constexpr double kPivotShare = 1e-3;
// Fewer samples than this many a reduced row: the reduction does not pay.
constexpr std::size_t kSamplesPerRow = 2;

}  // namespace

GridLeastSquares::GridLeastSquares(const GridConvolution::Reading& reading, std::size_t cells,
                                   std::span<const double> scale, std::span<const double> target,
                                   std::span<const double> extra)
    : cells_(cells), extra_(!extra.empty()) {
  const std::size_t n = reading.at.size();
  if (scale.size() != n || target.size() != n || reading.next.size() != n ||
      (extra_ && extra.size() != n))
    return;
  // B^T B and B^T y by node (nodes 0 to cells + 1; 1 to cells free): the
  // diagonal, the entry to the next node, the extra column's entry.
  std::vector<double> d(cells + 2, 0.0), next(cells + 2, 0.0), bu(cells + 2, 0.0),
      by(cells + 2, 0.0);
  double uu = 0, uy = 0;
  auto free = [cells](std::size_t m) { return m >= 1 && m <= cells; };
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t a = reading.at[i];
    const double w = reading.next[i], s = scale[i], y = target[i];
    const double u = extra_ ? extra[i] : 0.0;
    if (!std::isfinite(s) || !std::isfinite(y) || !std::isfinite(u) || !std::isfinite(w)) return;
    const double ba = free(a) ? s * (1 - w) : 0.0, bb = free(a + 1) ? s * w : 0.0;
    if (free(a)) {
      d[a] += ba * ba;
      next[a] += ba * bb;
      bu[a] += ba * u;
      by[a] += ba * y;
    }
    if (free(a + 1)) {
      d[a + 1] += bb * bb;
      bu[a + 1] += bb * u;
      by[a + 1] += bb * y;
    }
    uu += u * u;
    uy += u * y;
  }
  // The free rows: the nodes some sample reads.
  std::vector<std::size_t> nodes;
  for (std::size_t m = 1; m <= cells; ++m)
    if (d[m] > 0) nodes.push_back(m);
  const std::size_t rows = nodes.size();
  if (rows == 0 || n < kSamplesPerRow * (rows + (extra_ ? 1 : 0))) return;
  node_.resize(rows);
  diagonal_.assign(rows + (extra_ ? 1 : 0), 0.0);
  below_.assign(rows, 0.0);
  border_.assign(extra_ ? rows : 0, 0.0);
  c_.assign(diagonal_.size(), 0.0);
  // The arrow Cholesky factor, and c by forward substitution as it goes.
  double borderSquares = 0, borderC = 0;
  for (std::size_t k = 0; k < rows; ++k) {
    const std::size_t m = nodes[k];
    node_[k] = m - 1;
    double l = 0;  // L(k, k - 1)
    if (k > 0 && nodes[k - 1] + 1 == m) {
      l = next[m - 1] / diagonal_[k - 1];
      below_[k - 1] = l;
    }
    const double pivot = d[m] - l * l;
    if (!(pivot > kPivotShare * d[m])) return;
    diagonal_[k] = std::sqrt(pivot);
    c_[k] = (by[m] - (k > 0 ? l * c_[k - 1] : 0.0)) / diagonal_[k];
    if (extra_) {
      border_[k] = (bu[m] - (k > 0 ? l * border_[k - 1] : 0.0)) / diagonal_[k];
      borderSquares += border_[k] * border_[k];
      borderC += border_[k] * c_[k];
    }
  }
  if (extra_) {
    const double pivot = uu - borderSquares;
    if (!(pivot > kPivotShare * uu)) return;
    diagonal_[rows] = std::sqrt(pivot);
    c_[rows] = (uy - borderC) / diagonal_[rows];
  }
  // The least-squares z by back substitution, and the residual it leaves.
  std::vector<double> z(cells + 2, 0.0);
  double ze = 0;
  if (extra_) ze = c_[rows] / diagonal_[rows];
  for (std::size_t k = rows; k-- > 0;) {
    double x = c_[k] - (extra_ ? border_[k] * ze : 0.0);
    if (k + 1 < rows) x -= below_[k] * z[nodes[k + 1]];
    z[nodes[k]] = x / diagonal_[k];
  }
  double outside = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t a = reading.at[i];
    const double w = reading.next[i];
    const double va = free(a) ? z[a] : 0.0, vb = free(a + 1) ? z[a + 1] : 0.0;
    const double m = scale[i] * ((1 - w) * va + w * vb) + (extra_ ? extra[i] * ze : 0.0);
    outside += (target[i] - m) * (target[i] - m);
  }
  for (const double x : diagonal_)
    if (!std::isfinite(x)) return;
  if (!std::isfinite(outside)) return;
  outside_ = outside;
  made_ = true;
}

void GridLeastSquares::transform(std::span<const double> z, std::span<double> out) const {
  const std::size_t rows = node_.size();
  const double ze = extra_ ? z[cells_] : 0.0;
  for (std::size_t k = 0; k < rows; ++k) {
    double x = diagonal_[k] * z[node_[k]];
    if (k + 1 < rows) x += below_[k] * z[node_[k + 1]];
    if (extra_) x += border_[k] * ze;
    out[k] = x;
  }
  if (extra_) out[rows] = diagonal_[rows] * ze;
}

void GridLeastSquares::residuals(std::span<const double> z, std::span<double> out) const {
  transform(z, out);
  for (std::size_t k = 0; k < c_.size(); ++k) out[k] -= c_[k];
}

}  // namespace kaldero::numeric
