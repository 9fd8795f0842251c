// The run totals written after the last station into its results listing:
// the total recovered mass, the total volume and surface area with the
// final sorption coefficient, and the percent recovery of the whole run.
#pragma once

#include <cstdint>

#include "analysis/context.h"

namespace kaldero {

struct RunTotals {
  float recoveredMass = 0;    // ug, every station
  float aquiferVolume = 0;    // m3, stations with the station-totals option
  float surfaceArea = 0;      // stations with the station-totals option
  float recoveredMassKg = 0;  // kept by the totals block
  float finalSorption = 0;    // final tracer sorption coefficient
};

// Adds a station's results: the recovered mass always, the volume and the
// surface area when the station-totals option is 1.
void addStationToTotals(RunTotals& totals, const AnalysisResults& results,
                        const TestDescription& test);

// Reopens the last station's results listing for appending and writes the
// total recovered mass.
void writeTotals(const AnalysisContext& ctx, RunTotals& totals);

// The total volume and surface area and the final sorption coefficient.
// Returns 1 when more than one station contributed to the volume (the
// sorption report has been shown), else 0.
int32_t writeVolumeAndSorption(const AnalysisContext& ctx, RunTotals& totals);

// Percent recovery and accuracy index of the run; the impossible-condition
// block when more was recovered than injected (flag: the result of the
// volume block).
void writeRunRecovery(const AnalysisContext& ctx, const RunTotals& totals, int32_t flag);

}  // namespace kaldero
