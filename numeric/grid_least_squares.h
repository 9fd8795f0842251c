// Least squares of samples read linearly from a grid, reduced to the grid.
//
// A model known at the nodes of a grid and read linearly between them (a
// reach's convolution, numeric/grid_convolution.h) gives at sample i
//   m_i = s_i ((1 - w_i) z_a + w_i z_(a+1)) + u_i z_e,
// a = the node at or before the sample, s_i a scale of the row, u_i an
// optional extra column (a constant baseline) with coefficient z_e. Its sum
// of squares about the targets y_i is, for any z,
//   sum_i (m_i - y_i)^2 = |L^T z - c|^2 + outside,
// B the matrix of the rows (nodes no sample reads dropped), B^T B = L L^T
// (tridiagonal with a border for the extra column, so L is bidiagonal with
// a last row), c = L^-1 B^T y, and outside the sum of squares of the
// targets' least-squares residual, which no grid values reach. A fit of
// thousands of samples to a model of a thousand nodes then solves a
// problem of a thousand rows, with the same cost, gradient and normal
// matrix (J^T J = Jz^T B^T B Jz) at every point.
//
// Not made when B^T B is not safely positive definite (two free nodes that
// only one sample reads): the caller fits the samples themselves.
// Double precision; computes only.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "numeric/grid_convolution.h"

namespace kaldero::numeric {

class GridLeastSquares {
 public:
  // The reading of the samples (node 0 and nodes past cells are 0: not
  // free), the grid's cells (nodes 1 to cells free), each row's scale s,
  // the targets y, and the extra column u (empty: none).
  GridLeastSquares(const GridConvolution::Reading& reading, std::size_t cells,
                   std::span<const double> scale, std::span<const double> target,
                   std::span<const double> extra);

  bool made() const { return made_; }
  // The length of z: the cells' node values (node m at m - 1), then the
  // extra column's coefficient when there is one.
  std::size_t unknowns() const { return cells_ + (extra_ ? 1 : 0); }
  // The reduced rows: the free nodes, then the extra column.
  std::size_t size() const { return diagonal_.size(); }
  // The sum of squares no z reaches.
  double outside() const { return outside_; }
  // L^T z - c (size() values), whose squares add up to the samples' sum
  // of squares less outside().
  void residuals(std::span<const double> z, std::span<double> out) const;
  // L^T z: the reduced rows of a derivative of the model.
  void transform(std::span<const double> z, std::span<double> out) const;

 private:
  std::size_t cells_ = 0;
  bool extra_ = false, made_ = false;
  std::vector<std::size_t> node_;  // the z index of each free row
  // L: its diagonal, the entry below it (0 between nodes not adjacent),
  // and its last row (the extra column's) before the corner.
  std::vector<double> diagonal_, below_, border_;
  std::vector<double> c_;
  double outside_ = 0;
};

}  // namespace kaldero::numeric
