// The uncertainty of the results (analysis/uncertainty): draws that re-run
// the conditioning and the analyses on perturbed copies of a station's
// curve.
#include "analysis/uncertainty.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/measured_series.h"
#include "analysis/quantities.h"
#include "analysis/station_analysis.h"
#include "input/units.h"
#include "model/quantity_table.h"
#include "numeric/random.h"
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

TEST(Uncertainty, ARelativeRatingErrorDividesByALognormalFactorOfMeanOne) {
  // A 60 % rating error: a normal factor 1 + 0.6 z would be below 0 in
  // 5 % of the draws (a negative recovered mass); the lognormal factor f of
  // mean 1 and relative standard deviation 0.6 is exp(s z - s^2 / 2) with
  // s^2 = ln(1 + 0.36). The measurement being the truth times f, each draw
  // divides by f: the mass over the draws is the measured one times
  // exp(s z + s^2 / 2), whose 2.5, 50 and 97.5 % points are known.
  const SyntheticStation s = station();
  const double mass = value(base(s), "recovered_mass_kg");
  UncertaintyRequest rating;
  rating.draws = 4000;
  rating.discharge = {0.6, true, "60%"};
  const UncertaintyResult u = draws(s, rating);
  const QuantityInterval* q = u.find("recovered_mass_kg");
  ASSERT_NE(q, nullptr);
  const double s2 = std::log(1.36), sd = std::sqrt(s2);
  EXPECT_GT(q->p2_5, 0);
  EXPECT_NEAR(q->p2_5 / mass, std::exp(-1.959964 * sd + s2 / 2), 0.03);
  EXPECT_NEAR(q->p50 / mass, std::exp(s2 / 2), 0.04);
  EXPECT_NEAR(q->p97_5 / mass, std::exp(1.959964 * sd + s2 / 2), 0.12);
}

TEST(Uncertainty, TheDispersionIntervalsKeepTheListingsMethod) {
  // Each draw reports the dispersion coefficient by the method the listing
  // chose, never the smaller of the two afresh: the interval is that of
  // the chosen method's estimate, and dispersivity and Peclet number follow.
  const SyntheticStation s = station();
  const StationResults r = base(s);
  ASSERT_TRUE(r.transport && r.transport->chatwinDispersion);
  UncertaintyRequest request;
  request.draws = 300;
  request.concentration = {0.05, true, "5%"};
  request.dischargeNoise = {0.05, true, "5%"};
  const CarriedResults none;
  for (const bool moments : {true, false}) {
    DrawStation st = s.draws(none);
    st.dispersionFromMoments = moments;
    const UncertaintyResult u = drawUncertainty(st, request, 3);
    const QuantityInterval* d = u.find("dispersion_coefficient_m2_per_s");
    const QuantityInterval* own = u.find(moments ? "moment_dispersion_coefficient_m2_per_s"
                                                 : "chatwin_dispersion_coefficient_m2_per_s");
    const QuantityInterval* other = u.find(moments ? "chatwin_dispersion_coefficient_m2_per_s"
                                                   : "moment_dispersion_coefficient_m2_per_s");
    ASSERT_TRUE(d && own && other);
    EXPECT_EQ(d->p2_5, own->p2_5) << moments;
    EXPECT_EQ(d->p50, own->p50) << moments;
    EXPECT_EQ(d->p97_5, own->p97_5) << moments;
    // The two methods' draws differ here, so taking the smaller afresh
    // would show.
    EXPECT_NE(own->p50, other->p50);
  }
}

TEST(Uncertainty, SinglePrecisionValuesGiveThePercentilesOfTheirResultValues) {
  // The draws keep the listing's quantities as floats: their points must be
  // those of the values the results hold (singlePrecision of each).
  std::vector<float> f;
  std::vector<double> d;
  for (int i = 0; i < 997; ++i) {
    const float x = 0.1f + 1e-3f * static_cast<float>((i * 7919) % 997);
    f.push_back(x);
    d.push_back(singlePrecision(x));
  }
  const QuantityInterval a = percentiles(f), b = percentiles(d);
  EXPECT_EQ(a.p2_5, b.p2_5);
  EXPECT_EQ(a.p50, b.p50);
  EXPECT_EQ(a.p97_5, b.p97_5);
  EXPECT_EQ(a.values, 997);
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

TEST(Uncertainty, ADrawWhoseTailFailsTakesAnotherMethodBeforeItStops) {
  // A curve cut just after its peak (19 hourly samples, the peak at about
  // 17 h), extrapolated exponentially: with 30 % noise the exponential fit
  // fails in some draws, and those draws take another method that extends
  // the station's curve instead of stopping.
  SyntheticStation s = syntheticStation(200, 1500, 90, 400, 0.5, 19, 1.0);
  s.test.extrapolationOption = Option::On;
  s.test.extrapolationMethod = ExtrapolationMethod::Exponential;
  ASSERT_TRUE(base(s).complete());
  UncertaintyRequest request;
  request.draws = 400;
  request.concentration = {0.3, true, "30%"};
  const UncertaintyResult u = draws(s, request);
  EXPECT_GT(u.otherTailMethod, 0);
  for (const auto& [why, count] : u.stopped) EXPECT_NE(why, "the tail could not be extrapolated");
  EXPECT_EQ(u.find("recovered_mass_kg")->values, u.completed);
}

// 4 g: a peak near 0.5 ug/L, sampled every 0.25 h for 75 h, read with an
// absolute error of 0.01 ug/L (seeded), a limit of 0.03 ug/L.
SyntheticStation nearTheLimit() {
  SyntheticStation s = syntheticStation(4, 1500, 90, 400, 0.5, 300, 0.25);
  numeric::Random noise(11);
  for (float& c : s.record.C) c = static_cast<float>(c + 0.01 * noise.normal());
  return s;
}

TEST(Uncertainty, ReadingsBelowTheDetectionLimitAreCensoredInTheSignedEstimates) {
  const SyntheticStation s = nearTheLimit();
  const AnalysisInputs in{s.test, s.setup, s.release};
  const Expected<SignedEstimates> raw = signedEstimates(in, s.record);
  const Expected<SignedEstimates> censored = censoredRecordEstimates(in, s.record, 0.03f);
  ASSERT_TRUE(raw && censored);
  // The record is left as it was.
  EXPECT_EQ(s.record.C, nearTheLimit().record.C);
  // Without the limit the noise of 250 reads of background is integrated;
  // with it, the curve and its limbs: the mass within 1 % of the 4 g
  // injected, the mean transit time within 0.5 % of L / v.
  EXPECT_NEAR(censored->massMicrograms * 1e-6, 4.0, 0.04);
  EXPECT_NEAR(*censored->meanTransitHours, 1500.0 / 90, 0.005 * 1500 / 90);
  EXPECT_FALSE(raw->firstArrivalAboveLimitHours);
  // The first arrival above the limit: the first of two successive reads
  // at or above 0.03 ug/L.
  ASSERT_TRUE(censored->firstArrivalAboveLimitHours);
  std::size_t first = 1;
  while (!(s.record.C[first - 1] >= 0.03f && s.record.C[first] >= 0.03f)) ++first;
  EXPECT_DOUBLE_EQ(*censored->firstArrivalAboveLimitHours, s.record.T[first - 1]);
}

TEST(Uncertainty, WithADetectionLimitAndNoErrorEveryDrawIsTheCensoredRecord) {
  // Between readings of the curve a censored one is drawn uniformly below
  // the limit: the noise-free curve has none, so the draws are all alike.
  const SyntheticStation s = syntheticStation(4, 1500, 90, 400, 0.5, 300, 0.25);
  const CarriedResults previous;  // what the draws refer to outlives them
  DrawStation station = s.draws(previous);
  station.detectionLimit = 0.03f;
  UncertaintyRequest none;
  none.draws = 100;
  const UncertaintyResult u = drawUncertainty(station, none, 3);
  const AnalysisInputs in{s.test, s.setup, s.release};
  const Expected<SignedEstimates> censored = censoredRecordEstimates(in, s.record, 0.03f);
  const QuantityInterval* m = u.find("signed_recovered_mass_kg");
  const QuantityInterval* first = u.find("first_arrival_above_limit_h");
  ASSERT_TRUE(m && first && censored);
  EXPECT_DOUBLE_EQ(m->p2_5, m->p97_5);
  EXPECT_NEAR(m->p50, censored->massMicrograms * 1e-9, 1e-15);
  EXPECT_DOUBLE_EQ(first->p50, *censored->firstArrivalAboveLimitHours);
}

TEST(Uncertainty, TheShareOfAnExtrapolatedTailHasItsInterval) {
  // Cut at 18 h, an hour past the peak, extrapolated exponentially.
  SyntheticStation s = syntheticStation(200, 1500, 90, 400, 0.5, 18, 1.0);
  s.test.extrapolationOption = Option::On;
  s.test.extrapolationMethod = ExtrapolationMethod::Exponential;
  UncertaintyRequest none;
  none.draws = 100;
  const UncertaintyResult still = draws(s, none);
  const QuantityInterval* exact = still.find(kExtrapolatedShareName);
  ASSERT_NE(exact, nullptr);
  EXPECT_GT(exact->p50, 0.05);
  EXPECT_LT(exact->p50, 0.6);
  EXPECT_DOUBLE_EQ(exact->p2_5, exact->p97_5);
  UncertaintyRequest noisy = none;
  noisy.concentration = {0.1, true, "10%"};
  const UncertaintyResult moved = draws(s, noisy);
  const QuantityInterval* q = moved.find(kExtrapolatedShareName);
  ASSERT_NE(q, nullptr);
  EXPECT_LT(q->p2_5, exact->p50);
  EXPECT_GT(q->p97_5, exact->p50);
  EXPECT_EQ(q->values, moved.completed);
  // Without a tail there is no share.
  EXPECT_EQ(draws(station(), none).find(kExtrapolatedShareName), nullptr);
}

TEST(Uncertainty, AnAbsoluteErrorBeyondTheRecordsValuesIsRefused) {
  // The station peaks near 30 ug/L at 0.5 m3/s over 60 h.
  const SyntheticStation s = station();
  const auto refused = [&](auto set) {
    UncertaintyRequest r;
    r.draws = 100;
    set(r);
    return errorBeyondRecord(r, s.record);
  };
  EXPECT_FALSE(refused([](UncertaintyRequest& r) { r.concentration = {5, false, "5"}; }));
  EXPECT_FALSE(refused([](UncertaintyRequest& r) { r.concentration = {50, true, "5000%"}; }));
  const auto conc = refused([](UncertaintyRequest& r) { r.concentration = {1e3, false, "1000"}; });
  ASSERT_TRUE(conc);
  EXPECT_NE(conc->find("--conc-error 1000 is beyond the largest concentration"), std::string::npos);
  EXPECT_TRUE(refused([](UncertaintyRequest& r) { r.background = {1e3, false, "1000"}; }));
  EXPECT_TRUE(refused([](UncertaintyRequest& r) { r.discharge = {0.6, false, "0.6"}; }));
  EXPECT_TRUE(refused([](UncertaintyRequest& r) { r.dischargeNoise = {0.6, false, "0.6"}; }));
  EXPECT_FALSE(refused([](UncertaintyRequest& r) { r.discharge = {0.4, false, "0.4"}; }));
  EXPECT_FALSE(refused([](UncertaintyRequest& r) { r.timeError = 59; }));
  EXPECT_TRUE(refused([](UncertaintyRequest& r) { r.timeError = 60; }));
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
