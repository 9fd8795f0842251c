#include "driver/station_analysis.h"

#include <vector>

#include "analysis/dispersion.h"
#include "analysis/geometry.h"
#include "analysis/integration.h"
#include "analysis/mass_recovery.h"
#include "analysis/run_totals.h"
#include "analysis/tracer_load.h"
#include "analysis/transit_times.h"
#include "driver/run_state.h"
#include "input/station_file.h"
#include "input/units.h"

namespace kaldero {

namespace {

// The pulse regime of the load conversions: an instantaneous release, or a
// pulse shorter than the comparison time of the first-moment step.
bool loadRegime(const RunState& s) {
  const ControlValues& c = s.control;
  return c.releaseMode == 1 || (c.releaseMode == 2 && c.releaseDuration < s.results.comparisonTime);
}

}  // namespace

AnalysisContext analysisContext(RunState& s) {
  return AnalysisContext{s.console, s.listing,          s.test,      s.control,
                         s.results, s.station.stationFile, s.statusWord};
}

void integrateCurve(RunState& s) {
  const int32_t n = s.station.n;
  auto T = s.work.times();
  auto C = s.work.concentrations();
  auto Q = s.work.discharges();
  auto D = s.work.derivatives();
  AnalysisResults& r = s.results;
  const AnalysisContext ctx = analysisContext(s);

  // Every integral needs strictly increasing times. The data plot makes
  // this test when it runs; without it, blank lines at the end of a file
  // (samples at time 0) would reach the integration. The report shows the
  // times in the unit of the station data file.
  {
    std::vector<float> fileTimes(T.begin(), T.begin() + n);
    for (float& t : fileTimes) t = units::fromSeconds(t, s.test.timeUnit);
    checkTimeOrder(s.console, fileTimes, n);
  }

  r.lowerLimit = n >= 1 ? T[0] : 0.0f;
  r.upperLimit = n >= 1 ? T[n - 1] : 0.0f;
  firstArrivalAndPeak(r, n, T, C, s.control.flowZoneArrival);

  toTracerLoad(s.test, C, Q, n);
  int32_t ierr = 0;
  r.recoveredMass = CURINT(s.console, r, n, T.data(), C.data(), D.data(), s.statusWord, ierr);

  const int32_t mode = s.control.releaseMode;
  const float Td = s.control.releaseDuration;
  if (mode != 1 && !(r.peakTime / 3600.0f * 0.5f > Td)) toConcentration(s.test, C, Q, n);
  MOMONE(ctx, n, T, C, D);
  DISINT(ctx, n, T, C, D);
  if (loadRegime(s)) toConcentration(s.test, C, Q, n);
  s.station.curveIsLoad = false;
}

void loadForReports(RunState& s) {
  s.station.curveIsLoad = loadRegime(s);
  if (s.station.curveIsLoad)
    toTracerLoad(s.test, s.work.concentrations(), s.work.discharges(), s.station.n);
}

void reportTransport(RunState& s) {
  const int32_t n = s.station.n;
  const AnalysisContext ctx = analysisContext(s);
  AnalysisResults& r = s.results;
  MASREP(ctx, r.recoveredMass, s.test.sinuosity);
  DITRTI(ctx, n, s.work.times(), s.work.concentrations(), s.work.derivatives());
  velocitiesAndDispersion(ctx, n, s.work.times(), s.work.concentrations(), s.work.derivatives(),
                          r.chatwinDispersion, r.flowZoneVelocityCorrection);
}

void reportGeometryAndRecovery(RunState& s) {
  const AnalysisContext ctx = analysisContext(s);
  GEOMET(ctx, s.station.n, s.work.times(), s.work.discharges(), s.work.derivatives(),
         s.results.recoveredMass);
  RECREP(ctx, s.results.recoveredMass);
}

void addToRunTotals(RunState& s) { addStationToTotals(s.totals, s.results, s.test); }

void writeRunTotals(RunState& s) {
  const AnalysisContext ctx = analysisContext(s);
  writeTotals(ctx, s.totals);
  const int32_t flag = writeVolumeAndSorption(ctx, s.totals);
  writeRunRecovery(ctx, s.totals, flag);
}

}  // namespace kaldero
