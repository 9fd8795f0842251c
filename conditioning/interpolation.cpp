#include "conditioning/interpolation.h"

#include <cmath>
#include <vector>

#include "core/storage.h"
#include "numeric/pchip.h"

namespace kaldero {

bool interpolationStorage(int32_t n, int32_t k) {
  if (n < 0 || k < 0) return false;
  return storageAvailable(2LL * n + 5LL * k + 1 + 1);
}

int32_t knotCount(std::span<const float> T, int32_t n, float spacing) {
  const float count = (T[n - 1] - T[0]) / spacing + 1;
  if (std::isfinite(count) && std::fabs(count) < 1e9f)
    return static_cast<int32_t>(std::lround(count));
  return 1;
}

KnotCurve interpolateOntoKnots(const TestDescription& t, float knotSpacing, const Curve& curve,
                               int32_t m) {
  KnotCurve out;
  out.knots = Curve::zeros(m);
  const int32_t n = curve.size();
  std::vector<float>& X = out.knots.T;
  X[0] = curve.T[0];
  for (int32_t j = 1; j < m; ++j) X[j] = X[j - 1] + knotSpacing;
  X[m - 1] = curve.T[n - 1];

  auto interpolate = [&](const std::vector<float>& f, std::vector<float>& fe) {
    std::vector<float> d(static_cast<std::size_t>(n), 0.0f), de(static_cast<std::size_t>(m), 0.0f);
    int32_t ierr = numeric::PCHEZ(n, curve.T.data(), f.data(), d.data());
    if (ierr < 0) out.notices.push_back({Notice::Kind::InterpolationDerivatives, ierr});
    ierr = numeric::PCHEV(n, curve.T.data(), f.data(), d.data(), m, X.data(), fe.data(),
                          de.data());
    if (ierr < 0) out.notices.push_back({Notice::Kind::InterpolationValues, ierr});
  };
  interpolate(curve.C, out.knots.C);
  for (float& v : out.knots.C)
    if (v < 0) v = 0;
  if (t.dischargeMode == DischargeMode::Measured) interpolate(curve.Q, out.knots.Q);
  return out;
}

}  // namespace kaldero
