#include "files/interpolated_data.h"

#include "core/format.h"

namespace kaldero::files {

WriteOutcome writeInterpolatedData(const std::string& path, DischargeMode mode,
                                   std::span<const float> X, std::span<const float> C,
                                   std::span<const float> Q) {
  CheckedFile f;
  if (!f.open(path)) return {WriteOutcome::Status::NotCreated, f.error()};
  const bool measured = mode == DischargeMode::Measured;
  if (measured || mode == DischargeMode::Constant) {
    for (std::size_t j = 0; j < X.size(); ++j) {
      std::string line = fmt::checkedG(X[j], 20, 10, "knot time") +
                         fmt::checkedG(C[j], 20, 10, "interpolated concentration");
      if (measured) line += fmt::checkedG(Q[j], 20, 10, "interpolated discharge");
      f.line(line);
    }
  }
  if (!f.close()) return {WriteOutcome::Status::Incomplete, f.error()};
  return {};
}

}  // namespace kaldero::files
