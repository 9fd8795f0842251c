#include "conditioning/interpolation.h"

#include <cstdio>
#include <string>

#include "app/console.h"
#include "app/format.h"
#include "app/reports.h"
#include "app/stop.h"
#include "app/storage.h"
#include "app/text.h"
#include "conditioning/pchip_reports.h"
#include "numeric/pchip.h"

namespace kaldero {

namespace {

[[noreturn]] void storageStop(Console& c, const std::string& what, const std::string& advice) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line(what);
  c.empty();
  c.line(advice);
  c.empty();
  c.line(kStars80);
  c.empty(5);
  stopRun(c);
}

// One line per knot: time and concentration, and the discharge when it is
// measured; each value G20.10. Other discharge modes write no lines.
bool writeInterpolatedData(const TestDescription& t, InterpolationWorkspace& ws) {
  std::FILE* f = std::fopen(text::trimmed(t.interpolatedName).c_str(), "w");
  if (f == nullptr) return false;
  const auto X = ws.knotTimes();
  const auto C = ws.knotConcentrations();
  const auto Q = ws.knotDischarges();
  const bool measured = t.dischargeMode == 1;
  if (t.dischargeMode == 1 || t.dischargeMode == 2) {
    for (std::size_t j = 0; j < X.size(); ++j) {
      std::string line = fmt::G(X[j], 20, 10) + fmt::G(C[j], 20, 10);
      if (measured) line += fmt::G(Q[j], 20, 10);
      line += '\n';
      std::fputs(line.c_str(), f);
    }
  }
  const bool written = std::ferror(f) == 0;
  return std::fclose(f) == 0 && written;
}

}  // namespace

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

void interpolateOntoKnots(Console& c, const TestDescription& t, const CurveSegments& curve,
                          int32_t n, InterpolationWorkspace& ws) {
  const int32_t m = ws.knots();
  auto X = ws.knotTimes();
  X[0] = curve.T[0];
  for (int32_t j = 1; j < m; ++j) X[j] = X[j - 1] + t.knotSpacing;
  X[m - 1] = curve.T[n - 1];

  auto interpolate = [&](std::span<const float> f, std::span<float> d, std::span<float> fe,
                         std::span<float> de) {
    int32_t ierr = numeric::PCHEZ(n, curve.T.data(), f.data(), d.data());
    if (ierr < 0) reportPCHEZError(c, ierr);
    ierr = numeric::PCHEV(n, curve.T.data(), f.data(), d.data(), m, X.data(), fe.data(),
                          de.data());
    if (ierr < 0) reportPCHEVError(c, ierr);
  };
  auto kC = ws.knotConcentrations();
  interpolate(curve.C, ws.concentrationDerivatives(), kC, ws.knotConcentrationDerivatives());
  for (float& v : kC)
    if (v < 0) v = 0;
  if (t.dischargeMode == 1)
    interpolate(curve.Q, ws.dischargeDerivatives(), ws.knotDischarges(),
                ws.knotDischargeDerivatives());

  if (!writeInterpolatedData(t, ws)) {
    reportListingNotOpened(c, t.interpolatedName);
    stopRun(c);
  }
}

void interpolationStorageStop(Console& c) {
  storageStop(c, "       NOT ENOUGH STORAGE SPACE FOR INTERPOLATION!!!",
              std::string("   DECREASE THE NUMBER OF KNOTS IN YOUR DATA INPUT ") + "FILE.");
}

void curveStorageStop(Console& c) {
  storageStop(c, "              NOT ENOUGH STORAGE SPACE FOR AA!!!",
              std::string("   SELECTIVELY REMOVE INDIVIDUAL DATA POINTS FROM ") +
                  "YOUR ORIGINAL DATA FILE.");
}

}  // namespace kaldero
