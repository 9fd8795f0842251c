// A synthetic station for the tests of the analyses as a whole: an
// instantaneous release into a one-dimensional advection-dispersion flow
// path (the flux concentration of Kreft and Zuber), sampled every dt hours,
// with a measured discharge; the header of a conduit in hours, ug/L and
// m3/s. Made independently of the program's own model code.
#pragma once

#include <cmath>
#include <vector>

#include "analysis/uncertainty.h"
#include "core/text.h"
#include "input/data_reduction.h"
#include "input/units.h"
#include "model/control.h"
#include "model/curve.h"
#include "model/measured_record.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero::testing {

// The measured record of a curve read line by line: every sample a read,
// every value given.
inline MeasuredRecord recordOf(const Curve& c, bool dischargeColumn = true) {
  MeasuredRecord r;
  r.T = c.T;
  r.C = c.C;
  r.dischargeColumn = dischargeColumn;
  if (dischargeColumn) r.Q = c.Q;
  r.dataLines = c.size();
  return r;
}

struct SyntheticStation {
  TestDescription test;
  StationSetup setup;
  ReleaseSetup release;
  MeasuredCurve curve;  // file units: h, ug/L, m3/s
  MeasuredRecord record;  // the same curve as the lines of a station file
  ReductionDecision reduction;  // every line

  DrawStation draws(const CarriedResults& previous) const {
    return DrawStation{test, setup, release, record, reduction, previous};
  }
  // The draws refer to what they are given: never to a temporary.
  DrawStation draws(CarriedResults&&) const = delete;
};

// mass in g, distance in m, v in m/h, D in m2/h, discharge in m3/s.
inline SyntheticStation syntheticStation(double mass, double distance, double v, double D,
                                         double discharge, int samples, double dt) {
  SyntheticStation s;
  TestDescription& t = s.test;
  t.timeUnit = TimeUnit::Hours;
  t.concentrationUnit = ConcentrationUnit::MicrogramsPerLitre;
  t.dischargeMode = DischargeMode::Measured;
  t.dischargeUnit = DischargeUnit::CubicMetresPerSecond;
  t.stationTotals = Option::On;
  t.distanceUnit = DistanceUnit::Metres;
  t.distance = static_cast<float>(distance);
  t.sinuosity = 1.0f;
  t.geometry = FlowForm::Conduit;
  t.porosity = 1.0f;
  t.reductionMode = ReductionMode::EveryLine;
  t.listingName = text::padded("ST.OUT");
  s.setup = units::internalSetup(t);
  s.release.mode = ReleaseMode::Instantaneous;
  s.release.injectedMass = static_cast<float>(mass * 1000.0);  // mg
  s.release.massUnit = MassUnit::Grams;
  // Flux concentration of a Dirac release: M / Q * L / sqrt(4 pi D t^3)
  // exp(-(L - v t)^2 / (4 D t)), in g/m3 = mg/L, here in ug/L.
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < samples; ++i) {
    const double h = dt * (i + 1);
    const double flux = distance / std::sqrt(4 * pi * D * h * h * h) *
                        std::exp(-(distance - v * h) * (distance - v * h) / (4 * D * h));
    const double c = mass / (discharge * 3600.0) * flux * 1000.0;
    s.curve.samples.T.push_back(static_cast<float>(h));
    s.curve.samples.C.push_back(static_cast<float>(c));
    s.curve.samples.Q.push_back(static_cast<float>(discharge));
  }
  const std::size_t n = s.curve.samples.T.size();
  s.curve.spread = GroupSpread{std::vector<float>(n), std::vector<float>(n), std::vector<float>(n)};
  s.record = recordOf(s.curve.samples);
  s.reduction.n = static_cast<int32_t>(n);
  s.reduction.allocated = true;
  return s;
}

}  // namespace kaldero::testing
