// Making the float arrays of a station: zero-filled, and false instead of an
// exception when the storage cannot be had. Counts of samples and knots are
// 32-bit, so a length they cannot index counts as storage that cannot be
// had as well.
#pragma once

#include <cstdint>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace kaldero {

inline bool allocateZeroed(std::vector<float>& storage, int64_t length) {
  std::vector<float>().swap(storage);
  if (length < 0 || length > std::numeric_limits<int32_t>::max()) return false;
  try {
    storage.assign(static_cast<std::size_t>(length), 0.0f);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  return true;
}

}  // namespace kaldero
