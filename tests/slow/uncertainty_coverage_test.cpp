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
#include "input/data_pass.h"
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
    for (float& c : measured.record.C) c = static_cast<float>(c * (1 + 0.03 * noise.normal()));
    for (float& q : measured.record.Q) q = static_cast<float>(q * rating);

    UncertaintyRequest request;
    request.draws = 200;
    request.concentration = {0.03, true, "3%"};
    request.discharge = {0.05, true, "5%"};
    const CarriedResults none;
    const UncertaintyResult u = drawUncertainty(
        measured.draws(none), request,
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

// Near the detection limit: peaks of about 0.5 ug/L under an absolute
// concentration error of 0.05 ug/L, sampled for six times the mean transit
// time, so that half the samples of the tails read below zero. The signed
// estimates of each perturbed record (negatives kept) must give intervals
// that contain the generator's true mass in 90 to 99 % of 200 stations;
// the listing's integral of the same samples, negatives set to 0, lies
// above the truth at nearly every station and outside its own interval at
// many.
TEST(UncertaintyCoverage, SignedIntervalsCoverTheTrueMassNearTheDetectionLimit) {
  const int stations = 200;
  numeric::Random noise(2812);
  int covered = 0, listingAbove = 0, listingOutside = 0;
  for (int k = 0; k < stations; ++k) {
    const double v = 60 + 60 * noise.uniform(), D = 200 + 600 * noise.uniform();
    // 2 g over 1500 m: a peak near 0.5 ug/L at 0.5 m3/s.
    testing::SyntheticStation measured =
        testing::syntheticStation(2, 1500, v, D, 0.5, 300, 1500 * 6 / v / 300);
    for (float& c : measured.record.C) c = static_cast<float>(c + 0.05 * noise.normal());
    UncertaintyRequest request;
    request.draws = 200;
    request.concentration = {0.05, false, "0.05"};
    const CarriedResults none;
    const UncertaintyResult u = drawUncertainty(measured.draws(none), request,
                                                numeric::streamSeed(7, static_cast<uint64_t>(k)));
    const QuantityInterval* m = u.find("signed_recovered_mass_kg");
    ASSERT_TRUE(m);
    const double truth = 2e-3;  // kg
    covered += m->p2_5 <= truth && truth <= m->p97_5;
    // The listing of the same record: its data pass clips the negatives.
    const DataPassCurve pass =
        curveFromRecord(measured.record, measured.test, measured.reduction.n, 0,
                        ReductionMode::EveryLine);
    const AnalysisInputs in{measured.test, measured.setup, measured.release};
    const StationResults listing =
        analyseStation(in, conditionCurve(measured.test, pass.curve.samples), none);
    ASSERT_TRUE(listing.complete());
    const double listed = value(listing, "recovered_mass_kg");
    listingAbove += listed > truth;
    const QuantityInterval* own = u.find("recovered_mass_kg");
    listingOutside += own && (listed < own->p2_5 || listed > own->p97_5);
  }
  const double coverage = static_cast<double>(covered) / stations;
  std::printf("near the detection limit over %d stations: signed mass covered %.3f; the listing "
              "above the truth at %d, outside its own interval at %d\n",
              stations, coverage, listingAbove, listingOutside);
  EXPECT_GE(coverage, 0.90);
  EXPECT_LE(coverage, 0.99);
  EXPECT_GT(listingAbove, stations * 9 / 10);
}

}  // namespace
}  // namespace kaldero
