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
#include "model/units.h"
#include "report/geometry_report.h"
#include "report/notices.h"
#include "report/totals_report.h"
#include "report/transport_report.h"

namespace kaldero {

namespace {

// The pulse regime of the load conversions: an instantaneous release, or a
// pulse shorter than the comparison time of the first-moment step.
bool loadRegime(const RunState& s) {
  const ReleaseSetup& c = s.release;
  return c.mode == ReleaseMode::Instantaneous ||
         (c.mode == ReleaseMode::Pulse && c.durationHours < s.results.comparisonTime);
}

ReportTarget reportTarget(RunState& s) {
  return ReportTarget{s.console, s.listing, s.test.echo()};
}

StationReport stationReport(const RunState& s) {
  return StationReport{s.test, s.setup, s.control, s.station.stationFile};
}

}  // namespace

AnalysisInputs analysisInputs(const RunState& s) {
  return AnalysisInputs{s.test, s.setup, s.release, s.statusWord};
}

void integrateCurve(RunState& s) {
  const int32_t n = s.station.n;
  auto T = s.work.times();
  auto C = s.work.concentrations();
  auto Q = s.work.discharges();
  auto D = s.work.derivatives();
  AnalysisResults& r = s.results;
  const AnalysisInputs in = analysisInputs(s);

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
  firstArrivalAndPeak(r, n, T, C, s.release.flowZoneArrivalHours);

  Notices notices;
  toTracerLoad(s.test, s.setup, C, Q, n);
  int32_t ierr = 0;
  r.recoveredMass =
      integrateInterpolant(notices, r, n, T.data(), C.data(), D.data(), s.statusWord, ierr);
  r.recoveredMassGrams = r.recoveredMass * 1e-6f;

  const ReleaseMode mode = s.release.mode;
  const float Td = s.release.durationHours;
  if (mode != ReleaseMode::Instantaneous && !(r.peakTime / 3600.0f * 0.5f > Td))
    toConcentration(s.test, s.setup, C, Q, n);
  firstMomentStep(notices, r, in, n, T, C, D);
  distanceWeightedStep(notices, r, in, n, T, C, D);
  writeNotices(s.console, notices);
  if (loadRegime(s)) toConcentration(s.test, s.setup, C, Q, n);
  s.station.curveIsLoad = false;
}

void loadForReports(RunState& s) {
  s.station.curveIsLoad = loadRegime(s);
  if (s.station.curveIsLoad)
    toTracerLoad(s.test, s.setup, s.work.concentrations(), s.work.discharges(), s.station.n);
}

void transportSteps(RunState& s) {
  const int32_t n = s.station.n;
  const AnalysisInputs in = analysisInputs(s);
  const ReportTarget out = reportTarget(s);
  AnalysisResults& r = s.results;
  writeMassRecovery(out, stationReport(s), r);

  Notices notices;
  if (!transitTimes(notices, r, in, n, s.work.times(), s.work.concentrations(),
                    s.work.derivatives()))
    stopNoMassRecovered(s.console);
  writeNotices(s.console, notices);
  writeTransitTimes(out, stationReport(s), r);

  notices.clear();
  velocitiesAndDispersion(notices, r, in, n, s.work.times(), s.work.concentrations(),
                          s.work.derivatives());
  writeNotices(s.console, notices);
  writeVelocitiesAndDispersion(out, r);
}

void geometryAndRecoverySteps(RunState& s) {
  const ReportTarget out = reportTarget(s);
  AnalysisResults& r = s.results;
  flowGeometry(r, analysisInputs(s), s.station.n, s.work.times(), s.work.discharges(),
               s.work.derivatives(), r.recoveredMass);
  writeFlowGeometry(out, s.test, s.setup, r);
  recovery(r, s.release.injectedMass);
  writeRecovery(out, r);
}

void addToRunTotals(RunState& s) { addStationToTotals(s.totals, s.results, s.test); }

void writeRunTotals(RunState& s) {
  s.listing.openAppend(text::trimmed(s.test.listingName));
  finishRunTotals(s.totals, s.results, s.test, s.release.injectedMass);
  writeRunTotals(reportTarget(s), s.totals, s.test, s.station.stationFile);
}

}  // namespace kaldero
