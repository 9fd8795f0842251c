// The data pass of a station data file in two steps: the measured record
// (every data line as read, signed, model/measured_record.h) is read once;
// the curve of the listing is then made from it by the data-reduction mode
// and the reduction factor k of the data-reduction decision:
//   every line    one sample a read, a negative concentration set to 0;
//   group means   one sample per group of k reads (means in single
//                 precision, their standard deviations beside; a first read
//                 at time 0 is a sample by itself); negatives set to 0 first;
//   every k-th    reads 0, k, 2k + 1, 3k + 2, ..., the last read of the file
//                 as the last sample; negatives set to 0.
// The end of the file leaves samples as the reads left them (zero), a read
// cut short by the end of the file keeps the values it took, and a read
// that could not be made stops the pass only when the mode reaches it:
// every curve is the one the reads themselves would make. Then, with a
// tail to extrapolate, the samples at the end without tracer are dropped
// and the equal neighbouring discharges counted; with knots, the knot
// spacing is found.
//
// The same function makes the curve of the station and of every draw of
// the uncertainty (a perturbed copy of the record). Computes only: the
// station file (input/station_file.h) gives the reports of its stops.
#pragma once

#include <cstdint>

#include "model/codes.h"
#include "model/curve.h"
#include "model/measured_record.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

struct DataPassCurve {
  MeasuredCurve curve;
  DataPassFacts facts;
  enum class Stop {
    None,
    Unreadable,           // the mode reached the read that could not be made
    FewerThanTwoSamples,  // fewer than two samples made
    NoTracer,             // with a tail to extrapolate: no sample with tracer
  };
  Stop stop = Stop::None;
  int64_t readsUsed = 0;  // reads the curve was made from
};

// `wanted` samples at most, in the mode with the factor k of the
// data-reduction decision. The group spread is made for group means only
// (empty otherwise: the spread of single lines is 0).
DataPassCurve curveFromRecord(const MeasuredRecord& record, const TestDescription& test,
                              int32_t wanted, int32_t k, ReductionMode mode);
// The same from a record no longer needed: every line takes the record's
// arrays for the curve's instead of copying them (the record is left
// empty), the other modes leave it as it is.
DataPassCurve curveFromRecord(MeasuredRecord&& record, const TestDescription& test,
                              int32_t wanted, int32_t k, ReductionMode mode);

}  // namespace kaldero
