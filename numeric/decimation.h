// Shape-preserving decimation of a sampled curve for drawing.
//
// The curve (x increasing, y any; a point whose x or y is not finite is a
// gap) is cut into buckets of equal width in x, and each bucket keeps its
// first and last finite point, the point of its smallest and of its largest
// y, and its first gap point (M4 aggregation, Jugel et al. 2014, "M4: a
// visualization-oriented time series data aggregation", PVLDB 7(10)). A
// line through the kept points, drawn with one bucket per pixel column,
// covers the same pixels as the line through every point. The number of
// buckets is the largest (found by bisection) whose kept points, with the
// first and last point of the curve, number at most maxPoints; every
// extreme of the curve at the resolution of a bucket is kept, the global
// largest and smallest y always.
//
// A gap survives as one kept gap point between the finite points around
// it; gaps closer together than a bucket width may merge into one. A curve
// whose x is not increasing is still decimated within the limit (the
// buckets then follow runs of consecutive points), its shape less well.
//
// x and y in any units (the caller usually passes screen coordinates, so
// that buckets are pixel columns). The kept indices are returned in
// increasing order.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace kaldero::numeric {

// Indices of the points to keep, at most maxPoints of them; every index
// when the curve has no more than maxPoints points. The first and last
// point are kept when maxPoints >= 2, the points of the largest and
// smallest finite y when maxPoints >= 4 (the largest from 3). Throws
// std::invalid_argument when x and y differ in length.
std::vector<std::size_t> decimate(std::span<const double> x, std::span<const double> y,
                                  std::size_t maxPoints);

// The same in one pass over the curve, with the fixed number of buckets
// (maxPoints - 2) / 5 (each keeps at most five points), for curves of
// millions of points, where the search for the best number would pass over
// them many times; the kept points may then be fewer than they could be.
std::vector<std::size_t> decimateInOnePass(std::span<const double> x, std::span<const double> y,
                                           std::size_t maxPoints);
std::vector<std::size_t> decimateInOnePass(std::span<const float> x, std::span<const float> y,
                                           std::size_t maxPoints);

}  // namespace kaldero::numeric
