#include "analysis/integration.h"

#include <vector>

#include "numeric/pchip.h"

namespace kaldero {

Integral integrate(Notices& notices, int32_t n, std::span<const float> x,
                   std::span<const float> f, IntegrationLimits limits, bool wideSums) {
  Integral out;
  std::vector<float> d(static_cast<std::size_t>(n > 0 ? n : 0), 0.0f);
  out.code = numeric::PCHEZ(n, x.data(), f.data(), d.data());
  if (out.code < 0) {
    notices.push_back({Notice::Kind::IntegrationDerivatives, out.code});
    return out;
  }
  out.value = numeric::PCHQA(n, x.data(), f.data(), d.data(), limits.lower, limits.upper, out.code,
                             wideSums);
  if (out.code != 0) notices.push_back({Notice::Kind::IntegrationLimits, out.code});
  return out;
}

}  // namespace kaldero
