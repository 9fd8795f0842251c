#include "files/interpolated_data.h"

#include "core/format.h"

namespace kaldero::files {

std::vector<std::string> interpolatedDataLines(DischargeMode mode, const Curve& k) {
  std::vector<std::string> lines;
  const bool measured = mode == DischargeMode::Measured;
  if (!measured && mode != DischargeMode::Constant) return lines;
  lines.reserve(k.T.size());
  for (std::size_t j = 0; j < k.T.size(); ++j) {
    std::string line = fmt::G(k.T[j], 20, 10) + fmt::G(k.C[j], 20, 10);
    if (measured) line += fmt::G(k.Q[j], 20, 10);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace kaldero::files
