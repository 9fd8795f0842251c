// The flow-geometry part of a station's results listing (the volume, the
// lines of the flow form: a conduit, a porous zone or fractures, the
// porosity reset, the mass-transfer lines), written from the results of the
// geometry step.
#pragma once

#include "model/results.h"
#include "model/test_description.h"
#include "report/report_target.h"

namespace kaldero {

void writeFlowGeometry(const ReportTarget& out, const TestDescription& test,
                       const FlowGeometry& geometry);

}  // namespace kaldero
