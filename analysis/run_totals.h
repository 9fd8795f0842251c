// The run totals: every station adds its recovered mass, and its volume and
// surface area when its station-totals option is 1; after the last station
// the final sorption coefficient and the recovery of the whole run follow.
#pragma once

#include "model/results.h"
#include "model/test_description.h"

namespace kaldero {

void addStationToTotals(RunTotals& totals, const AnalysisResults& results,
                        const TestDescription& test);

// After the last station (its results and header given): the total mass in
// kg, whether the volume block is written and warns of several volumes, the
// final sorption coefficient (not for a porous zone, and only with the
// station totals), and the percent recovery and accuracy index of the run.
void finishRunTotals(RunTotals& totals, const AnalysisResults& last,
                     const TestDescription& lastTest, float injectedMass);

}  // namespace kaldero
