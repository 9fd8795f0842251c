// The run totals: every station adds its recovered mass, and its volume and
// surface area when its station-totals option is 1; after the last station
// the final sorption coefficient and the recovery of the whole run follow.
#pragma once

#include "model/results.h"
#include "model/test_description.h"

namespace kaldero {

// The sums with one more station (its recovered mass in ug, its volume and
// surface area estimates).
RunSums addStation(const RunSums& sums, const StationResults& station, const TestDescription& test);

// After the last station (its results and header given): the total mass in
// its units, the volume block when the last station has a volume estimate
// (with the final sorption coefficient, not for a porous zone, computed only
// with the station totals), and the percent recovery and accuracy index of
// the run. injectedMass in mg.
RunTotals runTotals(const RunSums& sums, const StationResults& last,
                    const TestDescription& lastTest, float injectedMass);

}  // namespace kaldero
