// A curve file: one sample a line, the two values in 20-character general
// format side by side (the normalized, load and standardized curves).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/checked_file.h"

namespace kaldero::files {

// quantity names the curve when a value is not a finite number (see
// fmt::NonFiniteQuantity); nothing is written then.
WriteOutcome writeCurveFile(const std::string& path, std::string_view quantity,
                            std::span<const float> x, std::span<const float> y, int32_t n);

}  // namespace kaldero::files
