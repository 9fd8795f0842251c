// Whether a station's float arrays of a given length can be had. Counts of
// samples and knots are 32-bit, so a length they cannot index counts as
// storage that cannot be had as well. The probe reserves and frees the
// storage without touching it.
#pragma once

#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace kaldero {

inline bool storageAvailable(int64_t floats) {
  if (floats < 0 || floats > std::numeric_limits<int32_t>::max()) return false;
  try {
    std::vector<float> probe;
    probe.reserve(static_cast<std::size_t>(floats));
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace kaldero
