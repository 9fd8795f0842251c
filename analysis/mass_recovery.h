// Tracer-mass recovery: the first-moment and distance-weighted integrals,
// the head of the results listing with the recovered mass, the integration
// limits, the percent recovery and accuracy index, and the reports that go
// with them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "analysis/context.h"

namespace kaldero {

class Console;

// The first-moment step. For an instantaneous or short release F holds the
// tracer load and the integral is that of F times the time; for a long
// release F holds concentrations, the upper integration limit is lowered to
// the peak sample and the integral is that of the shortfall 1 - F/Cpeak.
// Sets results.firstMoment, results.comparisonTime (hours) and the recorded
// upper limit. A load at time 0 becomes 0.
void MOMONE(const AnalysisContext& ctx, int32_t n, std::span<const float> X, std::span<float> F,
            std::span<float> D);

// The distance-weighted step: sets results.distanceWeighted.
void DISINT(const AnalysisContext& ctx, int32_t n, std::span<const float> X,
            std::span<const float> F, std::span<float> D);

// The head of the results listing: the station box, the integration limits,
// the recovered mass in four units, the travel distance, the sinuosity
// note, the limits warning, first arrival and peak. Stores the recovered
// mass in grams.
void MASREP(const AnalysisContext& ctx, float recoveredMass, float sinuosity);

// The two integration-limit lines: flag 1 shows the recorded upper limit,
// any other flag the current one.
void LIMREP(const AnalysisContext& ctx, int32_t flag);

// The framed warning that results may be suspect because a limit lay
// outside the sampled times.
void SUSWRN(const AnalysisContext& ctx);

// Stops the run when no tracer mass was recovered.
[[noreturn]] void NOMASS(Console& console);

// Percent recovery and accuracy index of the station.
void RECREP(const AnalysisContext& ctx, float recoveredMass);

// The percent-recovery and accuracy-index lines, each followed by two empty
// lines.
std::vector<std::string> recoveryLines(float percent, float accuracy);

// The impossible-condition block of a recovery above 100 percent; flag 0
// gives the longer pause layout of a station, any other flag the shorter one
// of the run totals.
void IMPCON(const AnalysisContext& ctx, int32_t flag);

}  // namespace kaldero
