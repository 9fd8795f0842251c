// The intervals of --uncertainty cover the true values as often as they
// claim: 200 synthetic stations, each measured with a random concentration
// error of 3 % and a systematic discharge error of 5 % (drawn anew for
// every station), each analysed with those stated errors; the 95 %
// intervals of the recovered mass and of the mean transit time must contain
// the values of the noise-free station in 90 to 99 % of the stations. The
// noise-free values are the analysis of the noise-free curve.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/quantities.h"
#include "analysis/station_analysis.h"
#include "analysis/uncertainty.h"
#include "input/units.h"
#include "numeric/random.h"
#include "tests/support/synthetic_station.h"

namespace kaldero {
namespace {

double value(const StationResults& r, const std::string& name) {
  for (const auto& [n, v] : listingQuantities(&r))
    if (n == name) return std::get<double>(v);
  return NAN;
}

TEST(UncertaintyCoverage, NinetyFivePercentIntervalsCoverTheNoiseFreeValues) {
  const int stations = 200;
  numeric::Random noise(2026);
  int massCovered = 0, timeCovered = 0;
  for (int k = 0; k < stations; ++k) {
    // Stations of different shapes: velocity 60 to 120 m/h, dispersion 200
    // to 800 m2/h.
    const double v = 60 + 60 * noise.uniform(), D = 200 + 600 * noise.uniform();
    const testing::SyntheticStation truth =
        testing::syntheticStation(200, 1500, v, D, 0.5, 80, 1.0);
    const AnalysisInputs in{truth.test, truth.setup, truth.release};
    const StationResults exact =
        analyseStation(in, units::toInternalUnits(truth.test, truth.curve.samples), {});
    ASSERT_TRUE(exact.complete());
    // The measurements: 3 % on each concentration, 5 % on the rating.
    testing::SyntheticStation measured = truth;
    const double rating = 1 + 0.05 * noise.normal();
    for (float& c : measured.curve.samples.C) c = static_cast<float>(c * (1 + 0.03 * noise.normal()));
    for (float& q : measured.curve.samples.Q) q = static_cast<float>(q * rating);

    UncertaintyRequest request;
    request.draws = 200;
    request.concentration = {0.03, true, "3%"};
    request.discharge = {0.05, true, "5%"};
    const CarriedResults none;
    const UncertaintyResult u = drawUncertainty(
        DrawStation{measured.test, measured.setup, measured.release, measured.curve, none}, request,
        numeric::streamSeed(99, static_cast<uint64_t>(k)));
    const QuantityInterval* m = u.find("recovered_mass_kg");
    const QuantityInterval* t = u.find("mean_transit_time_h");
    ASSERT_TRUE(m && t);
    const double trueMass = value(exact, "recovered_mass_kg");
    const double trueTime = value(exact, "mean_transit_time_h");
    massCovered += m->p2_5 <= trueMass && trueMass <= m->p97_5;
    timeCovered += t->p2_5 <= trueTime && trueTime <= t->p97_5;
  }
  const double massCoverage = static_cast<double>(massCovered) / stations;
  const double timeCoverage = static_cast<double>(timeCovered) / stations;
  std::printf("coverage of the 95 %% intervals over %d stations: recovered mass %.3f, "
              "mean transit time %.3f\n", stations, massCoverage, timeCoverage);
  EXPECT_GE(massCoverage, 0.90);
  EXPECT_LE(massCoverage, 0.99);
  EXPECT_GE(timeCoverage, 0.90);
  EXPECT_LE(timeCoverage, 0.99);
}

}  // namespace
}  // namespace kaldero
