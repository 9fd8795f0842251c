#include "files/curve_file.h"

#include "core/format.h"

namespace kaldero::files {

std::vector<std::string> curveFileLines(std::span<const float> x, std::span<const float> y) {
  std::vector<std::string> lines;
  lines.reserve(x.size());
  for (std::size_t i = 0; i < x.size(); ++i) lines.push_back(fmt::G(x[i], 20, 10) + fmt::G(y[i], 20, 10));
  return lines;
}

}  // namespace kaldero::files
