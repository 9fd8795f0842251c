#include "conditioning/interpolation.h"

#include <string>

#include "core/checked_file.h"
#include "core/console.h"
#include "core/format.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/storage.h"
#include "core/text.h"
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
WriteOutcome writeInterpolatedData(const TestDescription& t, InterpolationWorkspace& ws) {
  CheckedFile f;
  if (!f.open(text::trimmed(t.interpolatedName)))
    return {WriteOutcome::Status::NotCreated, f.error()};
  const auto X = ws.knotTimes();
  const auto C = ws.knotConcentrations();
  const auto Q = ws.knotDischarges();
  const bool measured = t.dischargeMode == 1;
  if (t.dischargeMode == 1 || t.dischargeMode == 2) {
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

bool interpolateOntoKnots(Console& c, const TestDescription& t, const CurveSegments& curve,
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

  const WriteOutcome written = writeInterpolatedData(t, ws);
  if (written.status == WriteOutcome::Status::NotCreated) {
    reportListingNotOpened(c, t.interpolatedName);
    stopRun(c);
  }
  if (!written.ok())
    reportFileNotWritten(c, "INTERPOLATED-DATA FILE", text::trimmed(t.interpolatedName), written);
  return written.ok();
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
