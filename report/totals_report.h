// The run totals appended to the last station's results listing: the
// totals block, the volume and sorption block, and the recovery of the run.
#pragma once

#include <string>

#include "model/results.h"
#include "model/test_description.h"
#include "report/report_target.h"

namespace kaldero {

// lastStationFile: the name of the last station, whose listing receives the
// totals.
void writeRunTotals(const ReportTarget& out, const RunTotals& totals,
                    const std::string& lastStationFile);

}  // namespace kaldero
