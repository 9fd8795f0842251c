// The uncertainty of the results (analysis/uncertainty): draws that re-run
// the conditioning and the analyses on perturbed copies of a station's
// curve.
#include "analysis/uncertainty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/quantities.h"
#include "analysis/station_analysis.h"
#include "input/units.h"
#include "tests/support/synthetic_station.h"

namespace kaldero {
namespace {

using testing::SyntheticStation;
using testing::syntheticStation;

// 200 g over 1500 m at 90 m/h, D 400 m2/h, 0.5 m3/s, hourly samples.
SyntheticStation station() { return syntheticStation(200, 1500, 90, 400, 0.5, 60, 1.0); }

UncertaintyResult draws(const SyntheticStation& s, const UncertaintyRequest& request, uint64_t seed = 7) {
  const CarriedResults none;
  return drawUncertainty(s.draws(none), request, seed);
}

StationResults base(const SyntheticStation& s) {
  const AnalysisInputs in{s.test, s.setup, s.release};
  return analyseStation(in, units::toInternalUnits(s.test, s.curve.samples), CarriedResults{});
}

double value(const StationResults& r, const std::string& name) {
  for (const auto& [n, v] : listingQuantities(&r))
    if (n == name) return std::get<double>(v);
  return NAN;
}

TEST(Uncertainty, WithoutErrorsEveryIntervalIsTheStationsOwnValue) {
  const SyntheticStation s = station();
  UncertaintyRequest request;
  request.draws = 7;
  const UncertaintyResult u = draws(s, request);
  const StationResults r = base(s);
  ASSERT_TRUE(r.complete());
  EXPECT_EQ(u.completed, 7);
  EXPECT_TRUE(u.stopped.empty());
  int numbers = 0;
  for (const auto& [name, v] : listingQuantities(&r)) {
    const double* x = std::get_if<double>(&v);
    if (!x) continue;
    ++numbers;
    const QuantityInterval* q = u.find(name);
    ASSERT_NE(q, nullptr) << name;
    EXPECT_EQ(q->p2_5, *x) << name;
    EXPECT_EQ(q->p50, *x) << name;
    EXPECT_EQ(q->p97_5, *x) << name;
    EXPECT_EQ(q->values, 7) << name;
  }
  EXPECT_GT(numbers, 20);
}

TEST(Uncertainty, TheSameSeedGivesTheSameDrawsAndAnotherSeedOthers) {
  const SyntheticStation s = station();
  UncertaintyRequest request;
  request.draws = 50;
  request.concentration = {0.03, true, "3%"};
  request.discharge = {0.05, true, "5%"};
  request.timeError = 0.01;
  const UncertaintyResult a = draws(s, request, 11), b = draws(s, request, 11), c = draws(s, request, 12);
  ASSERT_EQ(a.quantities.size(), b.quantities.size());
  for (std::size_t i = 0; i < a.quantities.size(); ++i) {
    EXPECT_EQ(a.quantities[i].p2_5, b.quantities[i].p2_5) << a.quantities[i].name;
    EXPECT_EQ(a.quantities[i].p97_5, b.quantities[i].p97_5) << a.quantities[i].name;
  }
  EXPECT_NE(a.find("recovered_mass_kg")->p2_5, c.find("recovered_mass_kg")->p2_5);
}

TEST(Uncertainty, TheIntervalsWidenWithTheErrorsAndTheirCorrelation) {
  const SyntheticStation s = station();
  const double mass = value(base(s), "recovered_mass_kg");
  auto width = [&](double error, double correlation) {
    UncertaintyRequest request;
    request.draws = 400;
    request.concentration = {error, true, ""};
    request.concentrationCorrelation = correlation;
    const UncertaintyResult result = draws(s, request);
    const QuantityInterval* q = result.find("recovered_mass_kg");
    EXPECT_LE(q->p2_5, mass);
    EXPECT_GE(q->p97_5, mass);
    return q->p97_5 - q->p2_5;
  };
  const double small = width(0.01, 0), large = width(0.05, 0), correlated = width(0.05, 0.95);
  EXPECT_GT(large, 3 * small);
  // Errors that go together do not average out over the curve.
  EXPECT_GT(correlated, 2 * large);
  // A 5 % rating error moves the mass by about 5 %: the 95 % interval is
  // about +-1.96 * 5 %.
  UncertaintyRequest rating;
  rating.draws = 2000;
  rating.discharge = {0.05, true, "5%"};
  const UncertaintyResult result = draws(s, rating);
  const QuantityInterval* q = result.find("recovered_mass_kg");
  EXPECT_NEAR((q->p97_5 - q->p2_5) / mass, 2 * 1.96 * 0.05, 0.02);
  // The mean transit time does not depend on a rating factor.
  const QuantityInterval* t = result.find("mean_transit_time_h");
  EXPECT_NEAR(t->p97_5, t->p2_5, 1e-4 * t->p50);
}

TEST(Uncertainty, ADrawThatStopsIsCountedWithItsReason) {
  SyntheticStation s = station();
  s.test.backgroundOption = Option::On;
  s.test.background = 0;
  UncertaintyRequest request;
  request.draws = 100;
  // A background error far beyond the concentrations leaves many draws
  // without tracer.
  request.background = {1e6, false, "1000000"};
  const UncertaintyResult u = draws(s, request);
  ASSERT_EQ(u.stopped.size(), 1u);
  EXPECT_EQ(u.stopped[0].first, "no tracer mass recovered");
  EXPECT_GT(u.stopped[0].second, 20);
  EXPECT_EQ(u.completed + u.stopped[0].second, 100);
  EXPECT_EQ(u.find("recovered_mass_kg")->values, u.completed);
}

TEST(Uncertainty, PercentilesInterpolateBetweenOrderStatistics) {
  std::vector<double> v{5, 1, 4, 2, 3};
  const QuantityInterval q = percentiles(v);
  EXPECT_DOUBLE_EQ(q.p50, 3);
  EXPECT_DOUBLE_EQ(q.p2_5, 1 + 0.1);
  EXPECT_DOUBLE_EQ(q.p97_5, 5 - 0.1);
  std::vector<double> one{2.5};
  EXPECT_DOUBLE_EQ(percentiles(one).p97_5, 2.5);
  std::vector<double> none;
  EXPECT_EQ(percentiles(none).values, 0);
}

}  // namespace
}  // namespace kaldero
