// A station's results listing from its results, block by block, with the
// notices of each step on the console. Where the analyses stopped (no mass
// recovered, a value not a finite number) the run stops after the blocks
// written so far. The caller opens the listing.
#pragma once

#include <string>

#include "model/results.h"
#include "report/report_target.h"
#include "report/transport_report.h"

namespace kaldero {

// Right after the analyses: a value that is not finite in the steps before
// the listing (first arrival, mass recovery, Chatwin method) stops the
// run; the later stops come as the listing reaches them.
void stopBeforeListing(Console& console, const std::string& stationName50,
                       const StationResults& r);

// The mass recovery, the transit times, the velocities and dispersion.
void writeTransportBlocks(const ReportTarget& out, const StationReport& st,
                          const StationResults& r);

// The flow geometry and the percent recovery: only when the analyses went
// through every step.
void writeGeometryBlocks(const ReportTarget& out, const StationReport& st,
                         const StationResults& r);

}  // namespace kaldero
