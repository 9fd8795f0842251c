// The one integration routine of the analyses (CURINT): a monotone
// piecewise cubic Hermite interpolant of the samples (PCHEZ), integrated
// (PCHQA) between the lower and the upper integration limit held in the
// results block.
#pragma once

#include <cstdint>

#include "model/notices.h"
#include "model/results.h"

namespace kaldero {

// Integrates the interpolant of the n points (x, f) from results.lowerLimit
// to results.upperLimit; d receives the n derivatives and ierr the last
// code of the interpolation package. A derivative error is noted and
// leaves the integral 0 (fewer than two points, or times that do not
// increase, have no interpolant); a limit outside [x(1), x(n)] is noted,
// its warning code stored in results.limitsWarning, and the extrapolated
// integral returned.
float integrateInterpolant(Notices& notices, AnalysisResults& results, int32_t n,
                           const float* x, const float* f, float* d, bool spline,
                           int32_t& ierr);

}  // namespace kaldero
