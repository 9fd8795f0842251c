// Straight-line fit and its correlation statistics.
//
// LineFit: least squares y ~ a + b x through a singular value decomposition
// of the design matrix [1 x] (Golub & Reinsch; here Eigen's Jacobi SVD).
// The second column and y are first divided by the largest magnitude of
// the matrix, s, so that times of large magnitude do not spoil the
// decomposition; the intercept is scaled back by s. Singular values not
// above 1e-6 of the largest count as zero, which gives the least-norm
// solution when all x are equal.
//
// PearsonStatistics: Pearson's r, r^2, Fisher's z = atanh(r) and the
// two-sided significance probability of r from Student's t with n - 2
// degrees of freedom, PROB = I_x(df/2, 1/2), x = df / (df + t^2), by the
// incomplete beta function (continued fraction by the modified Lentz
// method) with the six-term Lanczos log-gamma. Single precision throughout,
// as the published routines.
#pragma once

#include <cstdint>
#include <span>

namespace kaldero {

struct LineCoefficients {
  float a = 0;  // intercept
  float b = 0;  // slope
};

// False when the working storage cannot be had.
bool LineFit(std::span<const float> x, std::span<const float> y, LineCoefficients& out);

// What the incomplete beta function met: an argument outside 0 to 1 (the
// computation goes on with it), a continued fraction that did not converge
// within its iterations (its last value is used). The caller reports them,
// in this order.
struct BetaWarnings {
  bool badArgument = false;
  bool noConvergence = false;
};

struct Correlation {
  float r = 0;
  float r2 = 0;
  float prob = 0;
  float z = 0;
  BetaWarnings warnings;  // of the significance probability
};

// n >= 3 points.
Correlation PearsonStatistics(std::span<const float> x, std::span<const float> y);

// The pieces, for the tests.
float GAMMLN(float x);
float BETAI(float a, float b, float x, BetaWarnings& warnings);

}  // namespace kaldero
