// The transport part of a station's results listing, written from the
// results: the head with the recovered mass and the integration limits
// (MASREP, LIMREP), the transit times (the lines of DITRTI), the velocities,
// dispersion and Peclet number, the percent recovery (RECREP) and the
// reports that go with them (SUSWRN, CHTMSG, IMPCON, NOMASS).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/control.h"
#include "model/results.h"
#include "model/setup.h"
#include "model/test_description.h"
#include "report/report_target.h"

namespace kaldero {

// What the transport reports read besides the results.
struct StationReport {
  const TestDescription& test;
  const StationSetup& setup;
  const ControlValues& control;
  const std::string& stationFile;  // the 50-character station data file name
};

// The head of the results listing (MASREP): the station box, the
// integration limits, the recovered mass in four units (and pounds), the
// travel distance, the sinuosity note, the limits warning, first arrival
// and peak.
void writeMassRecovery(const ReportTarget& out, const StationReport& st, const AnalysisResults& r);

// The two integration-limit lines (LIMREP): recorded true shows the
// recorded upper limit, else the current one.
void writeIntegrationLimits(const ReportTarget& out, const TestDescription& test,
                            const AnalysisResults& r, bool recorded);

// The framed warning that results may be suspect because a limit lay
// outside the sampled times (SUSWRN).
void writeLimitsWarning(const ReportTarget& out);

// The stop of the run when no tracer mass was recovered (NOMASS).
[[noreturn]] void stopNoMassRecovered(Console& console);

// The transit-time lines (of DITRTI): the changed upper limit, the mean
// transit time, its variance and standard deviation, the limits warning.
void writeTransitTimes(const ReportTarget& out, const StationReport& st, const AnalysisResults& r);

// The velocity and dispersion lines, with the note of CHTMSG on the console
// when the dispersion comes from the moments.
void writeVelocitiesAndDispersion(const ReportTarget& out, const AnalysisResults& r);

// The percent recovery and accuracy index of the station (RECREP), with the
// impossible-condition block above 100 percent.
void writeRecovery(const ReportTarget& out, const AnalysisResults& r);

// The percent-recovery and accuracy-index lines, each followed by two empty
// lines.
std::vector<std::string> recoveryLines(float percent, float accuracy);

// The impossible-condition block of a recovery above 100 percent (IMPCON):
// flag 0 gives the longer pause layout, any other flag the shorter one (the
// run totals pass 1 when they warned of several volumes).
void writeImpossibleCondition(const ReportTarget& out, int32_t flag);

}  // namespace kaldero
