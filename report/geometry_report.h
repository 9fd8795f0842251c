// The flow-geometry part of a station's results listing (the lines of
// GEOMET and of the flow forms CONDUI, PORZON and FRACTR, with PORRST),
// written from the results of the geometry step.
#pragma once

#include "model/results.h"
#include "model/setup.h"
#include "model/test_description.h"
#include "report/report_target.h"

namespace kaldero {

void writeFlowGeometry(const ReportTarget& out, const TestDescription& test,
                       const StationSetup& setup, const AnalysisResults& r);

}  // namespace kaldero
