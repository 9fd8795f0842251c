// The one integration routine of the analyses: a monotone piecewise cubic
// Hermite interpolant of the samples, integrated between the lower and the
// upper integration limit held in the results block.
#pragma once

#include <cstdint>

#include "model/results.h"

namespace kaldero {

class Console;

// Integrates the interpolant of the n points (x, f) from results.lowerLimit
// to results.upperLimit; d receives the n derivatives. ierr receives the
// last code of the interpolation package. A derivative error is reported
// on the console (with a pause) and leaves the integral 0; a limit outside
// [x(1), x(n)] is reported, its warning code stored in
// results.limitsWarning, and the extrapolated integral returned.
float CURINT(Console& console, AnalysisResults& results, int32_t n, const float* x,
             const float* f, float* d, bool spline, int32_t& ierr);

}  // namespace kaldero
