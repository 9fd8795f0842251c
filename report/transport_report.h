// The transport part of a station's results listing, written from the
// results: the head with the recovered mass and the integration limits,
// the transit times, the velocities, dispersion and Peclet number, the
// percent recovery and the reports that go with them (the limits warning,
// the note of a dispersion from the moments, the impossible condition, the
// stop when no mass was recovered).
#pragma once

#include <cstdint>
#include <optional>
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
  const std::string& stationFile;  // the 50-character station data file name
};

// The head of the results listing: the station box, the integration
// limits, the recovered mass in four units (and pounds), the travel
// distance, the sinuosity note, the limits warning, first arrival and peak.
void writeMassRecovery(const ReportTarget& out, const StationReport& st,
                       const StationResults& results);

// The two integration-limit lines.
void writeIntegrationLimits(const ReportTarget& out, const TestDescription& test, float lower,
                            float upper);

// The framed warning that results may be suspect because a limit lay
// outside the sampled times.
void writeLimitsWarning(const ReportTarget& out);

// The stop of the run when no tracer mass was recovered.
[[noreturn]] void stopNoMassRecovered(Console& console);

// The transit-time lines: the changed upper limit, the mean transit time,
// its variance and standard deviation, the limits warning.
void writeTransitTimes(const ReportTarget& out, const StationReport& st,
                       const StationResults& results);

// The velocity and dispersion lines, with the note on the console when the
// dispersion comes from the moments.
void writeVelocitiesAndDispersion(const ReportTarget& out, const Transport& transport);

// The percent recovery and accuracy index of the station, with the
// impossible-condition block above 100 percent.
void writeRecovery(const ReportTarget& out, const Recovery& recovery);

// The percent-recovery and accuracy-index lines, each followed by two empty
// lines.
std::vector<std::string> recoveryLines(const std::optional<float>& percent,
                                       const std::optional<float>& accuracy);

// The impossible-condition block of a recovery above 100 percent: flag 0
// gives the longer pause layout, any other flag the shorter one (the run
// totals pass 1 when they warned of several volumes).
void writeImpossibleCondition(const ReportTarget& out, int32_t flag);

}  // namespace kaldero
