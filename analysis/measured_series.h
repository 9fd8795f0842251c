// The measured record (model/measured_record.h) as the analyses beyond the
// listing take it: every read, in double precision and internal units,
// the concentrations with the background subtracted and their sign kept
// (noise about the background stays centred on it); the signed estimates
// of the recovered mass, mean transit time and percent recovery integrated
// from it; and the reads the figures draw.
//
// The signed estimates integrate the same interpolant as the listing
// (monotone piecewise cubic Hermite, numeric/pchip.h) from the first to
// the last read, in double precision: the load c q for the mass, t c q for
// its first moment. On a record that holds no negative concentration and
// is analysed whole (no thinning, knots or extrapolated tail) they equal
// the listing's values to single precision; where noise about the
// background or the detection limit makes concentrations negative, the
// listing's zeros bias its integrals upwards and the signed ones do not.
// The mean transit time is the load-weighted mean time less the time the
// tracer took to reach the flow zone (the listing's mean in the pulse
// regime; for a long release the listing takes its mean from the shortfall
// below the peak instead). No extrapolated tail: a record cut off before
// its tail gives the mass that passed while it was measured.
//
// The estimates and the drawn reads are made read by read, so that a
// record of millions of lines needs no arrays beyond its own.
//
// Units: s, ng/L, m3/s in the series; ug, h and percent in the estimates.
// Computes only.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/inputs.h"
#include "core/error.h"
#include "numeric/random.h"
#include "model/measured_record.h"

namespace kaldero {

struct MeasuredSeries {
  std::vector<double> t;  // s since the release
  std::vector<double> c;  // ng/L, background subtracted, signed
  std::vector<double> q;  // m3/s: measured, or the constant discharge at every read
  std::size_t size() const { return t.size(); }
};

// A discharge mode that is neither measured nor constant multiplies by 1,
// as the listing's load does.
MeasuredSeries measuredSeries(const AnalysisInputs& in, const MeasuredRecord& record);

struct SignedEstimates {
  double massMicrograms = 0;
  std::optional<double> meanTransitHours;  // undefined without a positive mass
  std::optional<double> percentRecovery;   // undefined without an injected mass
  // With a detection limit: the time of the first reading at or above it
  // (h since the release), beside the listing's first arrival.
  std::optional<double> firstArrivalAboveLimitHours;
};

// Or why there are none: fewer than two reads, times that do not increase
// (at the read named), or an integral beyond the numbers.
Expected<SignedEstimates> signedEstimates(const AnalysisInputs& in, const MeasuredRecord& record);

// The same of the record with its readings below the detection limit
// (station's unit) censored (conditioning/detection_limit.h): record's
// concentrations are replaced in place, those between detected readings by
// values drawn with rng (their middle without), the readings of original
// (the station's own record, read by read) below the limit censored too.
Expected<SignedEstimates> censoredEstimates(const AnalysisInputs& in, MeasuredRecord& record,
                                            float detectionLimit, numeric::Random* rng = nullptr,
                                            std::span<const float> original = {});

// The same of a record left as it is (a copy of its concentrations is
// censored, their middle between detected readings).
Expected<SignedEstimates> censoredRecordEstimates(const AnalysisInputs& in,
                                                  const MeasuredRecord& record,
                                                  float detectionLimit);

// The record as the figures draw it: at most maxPoints of its reads, kept
// by numeric/decimation.h on (t, c) so that a line through them covers the
// pixels of the line through every read, each with the mass recovered up
// to it (signed, ug; empty when the times do not increase).
struct DrawnRecord {
  std::vector<std::size_t> index;  // of each kept read in the record
  std::vector<double> t, c, q;
  std::vector<double> recovered;
  std::size_t reads = 0;  // of the whole record
};
DrawnRecord drawnRecord(const AnalysisInputs& in, const MeasuredRecord& record,
                        std::size_t maxPoints);

}  // namespace kaldero
