// A curve file: one sample a line, the two values in 20-character general
// format side by side (the normalized, load and standardized curves).
#pragma once

#include <span>
#include <string>
#include <vector>

namespace kaldero::files {

std::vector<std::string> curveFileLines(std::span<const float> x, std::span<const float> y);

}  // namespace kaldero::files
