#include "analysis/integration.h"

#include "core/console.h"
#include "core/format.h"
#include "core/file_reports.h"
#include "numeric/pchip.h"

namespace kaldero {

float CURINT(Console& c, AnalysisResults& r, int32_t n, const float* x, const float* f,
             float* d, bool spline, int32_t& ierr) {
  ierr = numeric::PCHEZ(n, x, f, d, spline);
  if (ierr < 0) {
    c.line(kStars80);
    c.empty();
    c.free(fmt::FreeLine("AN ERROR CALLING PCHEZ FOR INTEGRATION, IERR = ").num(ierr));
    c.line("Error may be recoverable -- press RETURN.");
    c.waitEnter();
    c.empty(2);
    c.line(kStars80);
    // Without derivatives (fewer than two points, or times that do not
    // increase) there is no interpolant to integrate.
    return 0.0f;
  }
  const float result = numeric::PCHQA(n, x, f, d, r.lowerLimit, r.upperLimit, ierr);
  if (ierr != 0) {
    c.line(kStars80);
    c.empty();
    c.free(fmt::FreeLine("AN ERROR CALLING PCHQA, IERR = ").num(ierr));
    if (ierr > 0) {
      r.limitsWarning = ierr;
      c.empty();
      c.line("This error is a only a warning - press RETURN.");
      c.waitEnter();
      c.empty();
    }
    c.empty();
    c.line(kStars80);
  }
  return result;
}

}  // namespace kaldero
