#include "conditioning/interpolation.h"

#include <cmath>

#include "core/storage.h"
#include "numeric/pchip.h"

namespace kaldero {

bool InterpolationWorkspace::allocate(int32_t n, int32_t k, bool spline) {
  free();
  if (n < 0 || k < 0 || !allocateZeroed(storage_, totalLength(n, k, spline))) return false;
  n_ = n;
  k_ = k;
  return true;
}

void InterpolationWorkspace::free() {
  std::vector<float>().swap(storage_);
  n_ = k_ = 0;
}

int32_t knotCount(std::span<const float> T, int32_t n, float spacing) {
  const float count = (T[n - 1] - T[0]) / spacing + 1;
  if (std::isfinite(count) && std::fabs(count) < 1e9f)
    return static_cast<int32_t>(std::lround(count));
  return 1;
}

Notices interpolateOntoKnots(const TestDescription& t, float knotSpacing,
                             const CurveSegments& curve, int32_t n, InterpolationWorkspace& ws) {
  Notices notices;
  const int32_t m = ws.knots();
  auto X = ws.knotTimes();
  X[0] = curve.T[0];
  for (int32_t j = 1; j < m; ++j) X[j] = X[j - 1] + knotSpacing;
  X[m - 1] = curve.T[n - 1];

  auto interpolate = [&](std::span<const float> f, std::span<float> d, std::span<float> fe,
                         std::span<float> de) {
    int32_t ierr = numeric::PCHEZ(n, curve.T.data(), f.data(), d.data());
    if (ierr < 0) notices.push_back({Notice::Kind::InterpolationDerivatives, ierr});
    ierr = numeric::PCHEV(n, curve.T.data(), f.data(), d.data(), m, X.data(), fe.data(),
                          de.data());
    if (ierr < 0) notices.push_back({Notice::Kind::InterpolationValues, ierr});
  };
  auto kC = ws.knotConcentrations();
  interpolate(curve.C, ws.concentrationDerivatives(), kC, ws.knotConcentrationDerivatives());
  for (float& v : kC)
    if (v < 0) v = 0;
  if (t.dischargeMode == DischargeMode::Measured)
    interpolate(curve.Q, ws.dischargeDerivatives(), ws.knotDischarges(),
                ws.knotDischargeDerivatives());
  return notices;
}

}  // namespace kaldero
