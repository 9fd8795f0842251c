#include "files/curve_file.h"

#include <vector>

#include "core/format.h"

namespace kaldero::files {

WriteOutcome writeCurveFile(const std::string& path, std::string_view quantity,
                            std::span<const float> x, std::span<const float> y, int32_t n) {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(n > 0 ? n : 0));
  for (int32_t i = 0; i < n; ++i)
    lines.push_back(fmt::checkedG(x[i], 20, 10, quantity) + fmt::checkedG(y[i], 20, 10, quantity));
  return writeTextFile(path, lines);
}

}  // namespace kaldero::files
