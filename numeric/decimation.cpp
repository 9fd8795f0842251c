#include "numeric/decimation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <stdexcept>

namespace kaldero::numeric {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The points a bucket keeps (kNone where it has none).
struct Bucket {
  std::size_t firstFinite = kNone;
  std::size_t lastFinite = kNone;
  std::size_t lowest = kNone;
  std::size_t highest = kNone;
  std::size_t gap = kNone;
};

template <class V>
class Decimator {
 public:
  Decimator(std::span<const V> x, std::span<const V> y) : x_(x), y_(y) {
    for (std::size_t i = 0; i < x.size(); ++i) {
      if (!finite(i)) continue;
      xLow_ = std::min(xLow_, static_cast<double>(x[i]));
      xHigh_ = std::max(xHigh_, static_cast<double>(x[i]));
    }
  }

  bool finite(std::size_t i) const { return std::isfinite(x_[i]) && std::isfinite(y_[i]); }

  // The kept indices with `buckets` buckets across the finite x range.
  void select(std::size_t buckets, std::vector<std::size_t>& kept) const {
    kept.clear();
    const std::size_t n = x_.size();
    kept.push_back(0);
    // The bucket of a finite x; halves, so that a range from -1e308 to
    // 1e308 does not overflow, and one bucket when every x is the same.
    const double halfSpan = xHigh_ / 2 - xLow_ / 2;
    const auto bucketOf = [&](double x) -> std::size_t {
      if (!(halfSpan > 0)) return 0;
      const double position = (x / 2 - xLow_ / 2) / halfSpan * static_cast<double>(buckets);
      return std::min(buckets - 1, static_cast<std::size_t>(std::max(0.0, position)));
    };
    Bucket current;
    std::size_t currentIndex = kNone;
    for (std::size_t i = 0; i < n; ++i) {
      if (!finite(i)) {
        if (current.gap == kNone) current.gap = i;
        continue;
      }
      const std::size_t b = bucketOf(x_[i]);
      if (b != currentIndex && currentIndex != kNone) {
        flush(current, kept);
        current = Bucket{};
      }
      currentIndex = b;
      if (current.firstFinite == kNone) current.firstFinite = i;
      current.lastFinite = i;
      if (current.lowest == kNone || y_[i] < y_[current.lowest]) current.lowest = i;
      if (current.highest == kNone || y_[i] > y_[current.highest]) current.highest = i;
    }
    flush(current, kept);
    if (kept.back() != n - 1) kept.push_back(n - 1);
  }

  // The few points kept when not even one bucket fits: first, last,
  // largest, smallest, first gap, in that order of priority.
  std::vector<std::size_t> fewest(std::size_t maxPoints) const {
    const std::size_t n = x_.size();
    std::size_t highest = kNone, lowest = kNone, gap = kNone;
    for (std::size_t i = 0; i < n; ++i) {
      if (!finite(i)) {
        if (gap == kNone) gap = i;
        continue;
      }
      if (highest == kNone || y_[i] > y_[highest]) highest = i;
      if (lowest == kNone || y_[i] < y_[lowest]) lowest = i;
    }
    std::vector<std::size_t> kept;
    for (std::size_t i : {std::size_t{0}, n - 1, highest, lowest, gap}) {
      if (kept.size() == maxPoints) break;
      if (i != kNone && std::find(kept.begin(), kept.end(), i) == kept.end()) kept.push_back(i);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
  }

 private:
  static void flush(const Bucket& bucket, std::vector<std::size_t>& kept) {
    std::array<std::size_t, 5> points{bucket.firstFinite, bucket.lowest, bucket.highest,
                                      bucket.lastFinite, bucket.gap};
    std::sort(points.begin(), points.end());
    for (std::size_t i : points) {
      if (i == kNone) break;  // kNone sorts last
      if (i > kept.back()) kept.push_back(i);
    }
  }

  std::span<const V> x_, y_;
  double xLow_ = INFINITY;
  double xHigh_ = -INFINITY;
};

// Every index of a curve of n points.
std::vector<std::size_t> everyIndex(std::size_t n) {
  std::vector<std::size_t> all(n);
  std::iota(all.begin(), all.end(), std::size_t{0});
  return all;
}

template <class V>
std::vector<std::size_t> inOnePass(std::span<const V> x, std::span<const V> y,
                                   std::size_t maxPoints) {
  if (x.size() != y.size()) throw std::invalid_argument("decimate: x and y differ in length");
  const std::size_t n = x.size();
  if (n <= maxPoints) return everyIndex(n);
  const Decimator<V> decimator(x, y);
  // A bucket keeps at most four points of a curve without gaps, five with.
  const std::size_t buckets = maxPoints >= 7 ? (maxPoints - 2) / 5 : 0;
  if (buckets == 0) return decimator.fewest(maxPoints);
  std::vector<std::size_t> kept;
  decimator.select(buckets, kept);
  return kept;
}

}  // namespace

std::vector<std::size_t> decimate(std::span<const double> x, std::span<const double> y,
                                  std::size_t maxPoints) {
  if (x.size() != y.size()) throw std::invalid_argument("decimate: x and y differ in length");
  const std::size_t n = x.size();
  if (n <= maxPoints) return everyIndex(n);
  const Decimator<double> decimator(x, y);
  // The number of kept points grows with the number of buckets, though not
  // strictly; bisection finds a large count that fits, and every count it
  // accepts has been checked.
  std::vector<std::size_t> kept;
  std::size_t low = 1, high = n, best = 0;
  while (low <= high) {
    const std::size_t middle = low + (high - low) / 2;
    decimator.select(middle, kept);
    if (kept.size() <= maxPoints) {
      best = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (best == 0) return decimator.fewest(maxPoints);
  decimator.select(best, kept);
  return kept;
}

std::vector<std::size_t> decimateInOnePass(std::span<const double> x, std::span<const double> y,
                                           std::size_t maxPoints) {
  return inOnePass(x, y, maxPoints);
}

std::vector<std::size_t> decimateInOnePass(std::span<const float> x, std::span<const float> y,
                                           std::size_t maxPoints) {
  return inOnePass(x, y, maxPoints);
}

}  // namespace kaldero::numeric
