#include "analysis/integration.h"

#include "numeric/pchip.h"

namespace kaldero {

float integrateInterpolant(Notices& notices, AnalysisResults& r, int32_t n, const float* x,
                           const float* f, float* d, bool spline, int32_t& ierr) {
  ierr = numeric::PCHEZ(n, x, f, d, spline);
  if (ierr < 0) {
    notices.push_back({Notice::Kind::IntegrationDerivatives, ierr});
    return 0.0f;
  }
  const float result = numeric::PCHQA(n, x, f, d, r.lowerLimit, r.upperLimit, ierr);
  if (ierr != 0) {
    notices.push_back({Notice::Kind::IntegrationLimits, ierr});
    if (ierr > 0) r.limitsWarning = ierr;
  }
  return result;
}

}  // namespace kaldero
