#include "analysis/curve_files.h"

#include "analysis/guards.h"
#include "analysis/station_analysis.h"
#include "core/units.h"

namespace kaldero::curves {

using guard::quotient;

CurveFileValues curveFileValues(std::span<const float> T, std::span<const float> C,
                                const DischargeOf& q, TimeUnit timeUnit, float grams,
                                const TransitTimes& transit, float peak, bool load) {
  CurveFileValues out;
  const std::size_t n = T.size();
  out.times.resize(n);
  out.values.resize(n);
  out.standardizedTimes.resize(n);
  out.standardizedConcentrations.resize(n);
  const float mean = transit.meanTime.hours;
  const float sigma = transit.standardDeviation.hours;
  for (std::size_t i = 0; i < n; ++i) {
    out.times[i] = units::fromSeconds(T[i], timeUnit);
    out.values[i] = quotient(C[i] * 0.001f, grams);
    out.standardizedTimes[i] = quotient(T[i] / 3600.0f - mean, sigma);
    out.standardizedConcentrations[i] = quotient(C[i], peak);
  }
  if (load) {
    out.loadValues.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const float l = C[i] * (q.mode == DischargeMode::Measured ? q.measured[i] : q.constant);
      out.loadValues[i] = quotient(l, grams);
    }
  }
  return out;
}

CurveFileValues stationCurveValues(const AnalysisInputs& in, const Curve& conditioned,
                                   const StationResults& r, bool load) {
  return curveFileValues(conditioned.T, r.outputConcentrations, dischargeOf(in, conditioned),
                         in.test.timeUnit, r.mass->mass.grams, *r.transit,
                         r.arrival.peakConcentration, load);
}

}  // namespace kaldero::curves
