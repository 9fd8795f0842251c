// The 95 % intervals of --uncertainty against the true values of the flow
// path 800 generated stations were measured on, in each of the cases a
// field test meets: 3 % concentration and 5 % rating errors; a 30 % rating
// error; an absolute concentration error near a detection limit; a tail
// cut off on the falling limb and extrapolated by any method; a discharge
// measured with 5 % noise. Each case but the first adds its error to 3 %
// (or, near the limit, the absolute) concentration error and a 5 % rating
// error, so that every quantity has an interval to check and a rating
// factor drawn sample by sample (not once a draw) fails every case.
// Coverage within 0.92 to 0.98 (800 stations: 1.9 binomial standard
// deviations of a true 0.95 is 1.5 points) where the intervals are meant to
// cover; where they cannot, the bound that holds is checked and the reason
// given.
//
// The stations are the test's own: the flux concentration of an
// instantaneous release into one advection-dispersion path (velocity 60 to
// 120 m/h, dispersion 150 to 600 m2/h, 1500 m), measured with errors drawn
// here by the law each option states (a normal error of each
// concentration, a lognormal rating factor of mean 1 for the whole record,
// a normal error of each discharge). The true value of each quantity is
// that of the path in closed form, as the listing defines the quantity:
// the injected mass; the mean transit time L/v; the mean velocity as the
// distance over the mean transit time, v; the dispersion coefficient D.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "analysis/station_analysis.h"
#include "analysis/uncertainty.h"
#include "conditioning/extrapolation.h"
#include "input/data_pass.h"
#include "numeric/random.h"
#include "tests/support/synthetic_station.h"

namespace kaldero {
namespace {

struct Scenario {
  const char* name;
  double concRelative = 0.03;    // relative error of each concentration
  double concAbsolute = 0;       // or an absolute one, ug/L
  double rating = 0.05;          // relative rating error
  double dischargeNoise = 0;     // relative error of each discharge
  double massGrams = 200;
  std::optional<double> detectionLimit = {};  // ug/L
  // The record ends on the falling limb at a share of the peak drawn in
  // this range, and its tail is extrapolated by any method.
  double cutLow = 0, cutHigh = 0;
};

// The quantities whose intervals are checked.
constexpr const char* kNames[] = {"recovered_mass_kg", "mean_transit_time_h",
                                  "mean_velocity_m_per_s", "dispersion_coefficient_m2_per_s"};

// A lognormal factor of mean 1 and relative standard deviation s.
double lognormalFactor(double s, double z) {
  const double s2 = std::log1p(s * s);
  return std::exp(std::sqrt(s2) * z - 0.5 * s2);
}

// The dispersion method of the station's listing (true: moments), as the
// run analyses its record: the data pass, the tail, the analyses.
std::optional<bool> listedMethod(const testing::SyntheticStation& s) {
  const DataPassCurve pass =
      curveFromRecord(s.record, s.test, s.reduction.n, 0, ReductionMode::EveryLine);
  Curve c = pass.curve.samples;
  if (on(s.test.extrapolationOption)) {
    Extrapolation e = extrapolateTail(s.test, pass.facts.equalDischargeCount, MeasuredCurve{c, {}});
    if (e.errorCode > 0) return std::nullopt;
    c = std::move(e.curve.samples);
  }
  const AnalysisInputs in{s.test, s.setup, s.release};
  const StationResults r = analyseStation(in, conditionCurve(s.test, c), {});
  if (!r.transport || r.transport->dispersionUndefined()) return std::nullopt;
  return r.transport->dispersionFromMoments;
}

struct Coverage {
  int stations = 0;
  int covered[4] = {0, 0, 0, 0};
  int belowMedian[4] = {0, 0, 0, 0};  // the truth below the draws' median
  double share(int q) const { return static_cast<double>(covered[q]) / stations; }
  double belowMedianShare(int q) const { return static_cast<double>(belowMedian[q]) / stations; }
};

enum Quantity { kMass, kTime, kVelocity, kDispersion };

Coverage coverage(const Scenario& sc, uint64_t seed) {
  constexpr int kStations = 800;
  numeric::Random noise(seed);
  Coverage out;
  out.stations = kStations;
  for (int k = 0; k < kStations; ++k) {
    const double L = 1500, v = 60 + 60 * noise.uniform(), D = 150 + 450 * noise.uniform();
    // Sampled every 0.25 h from the release to three times the slowest
    // mean transit time.
    testing::SyntheticStation s = testing::syntheticStation(sc.massGrams, L, v, D, 0.5, 300, 0.25);
    if (sc.cutHigh > 0) {
      // Cut where the falling limb has come down to the share drawn.
      const double share = sc.cutLow + (sc.cutHigh - sc.cutLow) * noise.uniform();
      std::size_t peak = 0;
      for (std::size_t i = 0; i < s.record.C.size(); ++i)
        if (s.record.C[i] > s.record.C[peak]) peak = i;
      std::size_t end = peak;
      while (end + 1 < s.record.C.size() && s.record.C[end] > share * s.record.C[peak]) ++end;
      for (auto* column : {&s.record.T, &s.record.C, &s.record.Q}) column->resize(end + 1);
      s.record.dataLines = static_cast<int32_t>(end + 1);
      s.reduction.n = static_cast<int32_t>(end + 1);
      s.test.extrapolationOption = Option::On;
      s.test.extrapolationMethod = ExtrapolationMethod::Exponential;
    }
    const double rating = lognormalFactor(sc.rating, noise.normal());
    for (float& c : s.record.C)
      c = static_cast<float>(c * (1 + sc.concRelative * noise.normal()) +
                             sc.concAbsolute * noise.normal());
    for (float& q : s.record.Q)
      q = static_cast<float>(q * rating * (1 + sc.dischargeNoise * noise.normal()));

    UncertaintyRequest request;
    request.draws = 200;
    if (sc.concRelative > 0) request.concentration = {sc.concRelative, true, "%"};
    if (sc.concAbsolute > 0) request.concentration = {sc.concAbsolute, false, "abs"};
    request.discharge = {sc.rating, true, "%"};
    if (sc.dischargeNoise > 0) request.dischargeNoise = {sc.dischargeNoise, true, "%"};
    request.allTailMethods = sc.cutHigh > 0;
    const CarriedResults none;  // what the draws refer to outlives them
    DrawStation station = s.draws(none);
    station.dispersionFromMoments = listedMethod(s);
    if (sc.detectionLimit) station.detectionLimit = static_cast<float>(*sc.detectionLimit);
    const UncertaintyResult u =
        drawUncertainty(station, request, numeric::streamSeed(seed, static_cast<uint64_t>(k)));
    const double truth[] = {sc.massGrams * 1e-3, L / v, v / 3600, D / 3600};
    for (int q = 0; q < 4; ++q) {
      const QuantityInterval* i = u.find(kNames[q]);
      if (!i) continue;
      out.covered[q] += i->p2_5 <= truth[q] && truth[q] <= i->p97_5;
      out.belowMedian[q] += truth[q] < i->p50;
    }
  }
  std::printf("%s:", sc.name);
  for (int q = 0; q < 4; ++q)
    std::printf(" %s %.3f (truth below the median %.3f)", kNames[q], out.share(q),
                out.belowMedianShare(q));
  std::printf("\n");
  return out;
}

void expectCovered(const Coverage& c, int q) {
  EXPECT_GE(c.share(q), 0.92) << kNames[q];
  EXPECT_LE(c.share(q), 0.98) << kNames[q];
}

// The interval of the listed dispersion coefficient is that of the
// listing's method: its misses are not all on one side. (Taking the
// smaller estimate afresh in every draw puts the truth below the draws'
// median in a fifth of the stations.) The listing's smaller-of-two choice
// still leaves its value, and so its interval, low more often than high:
// the truth lies below the median in a third of the stations.
void expectDispersionHeld(const Coverage& c) {
  expectCovered(c, kDispersion);
  EXPECT_GE(c.belowMedianShare(kDispersion), 0.28);
}

TEST(UncertaintyScenarios, ConcentrationAndRatingErrors) {
  const Coverage c = coverage({"3 % concentration, 5 % rating"}, 101);
  for (int q : {kMass, kTime, kVelocity}) expectCovered(c, q);
  expectDispersionHeld(c);
}

TEST(UncertaintyScenarios, ALargeRatingError) {
  // A rating factor multiplied rather than divided puts the mass
  // interval's median 4 % low: it still covers at 0.93, but the truth lies
  // below the median in 0.39 of the stations, not half.
  Scenario s{"30 % rating"};
  s.rating = 0.30;
  const Coverage c = coverage(s, 202);
  for (int q : {kMass, kTime, kVelocity}) expectCovered(c, q);
  EXPECT_GE(c.belowMedianShare(kMass), 0.44);
  EXPECT_LE(c.belowMedianShare(kMass), 0.56);
  expectDispersionHeld(c);
}

TEST(UncertaintyScenarios, DischargeNoise) {
  Scenario s{"5 % discharge noise"};
  s.dischargeNoise = 0.05;
  const Coverage c = coverage(s, 505);
  for (int q : {kMass, kTime, kVelocity}) expectCovered(c, q);
  expectDispersionHeld(c);
}

// Peaks near 0.5 ug/L measured with an absolute error of 0.01 ug/L and a
// limit of three times that, the readings below it censored. The mass and
// the times cover. The dispersion coefficient covers at about 0.91: the
// readings just above the limit at the ends of the curve are those whose
// noise lifted them above it, so the censored record's moments are
// biased up by about 1.5 % (0.7 % with the censored readings put back at
// their true values), which the draws of the same record carry but do not
// undo.
TEST(UncertaintyScenarios, AnAbsoluteErrorNearTheDetectionLimit) {
  Scenario s{"0.01 ug/L near a 0.03 ug/L limit"};
  s.concRelative = 0;
  s.concAbsolute = 0.01;
  s.massGrams = 4;
  s.detectionLimit = 0.03;
  const Coverage c = coverage(s, 303);
  for (int q : {kMass, kTime, kVelocity}) expectCovered(c, q);
  EXPECT_GE(c.share(kDispersion), 0.88);
  EXPECT_LE(c.share(kDispersion), 0.98);
}

// A record cut where the falling limb has come down to 20 to 40 % of the
// peak, its tail extrapolated by a method drawn in each draw among those
// that apply. The mass covers. The times over-cover: the three methods
// straddle the truth (in the mean transit time the exponential +1.6 %, the
// continued interpolant -0.3 %, the zero-time point -0.4 %), so the spread
// over them exceeds the error of any one; an interval that covers always is
// what the choice of method is worth on these curves. The listing's
// dispersion coefficient is here mostly by Chatwin (the exponential tail
// inflates the moment estimate), whose straight line is exact for the
// resident concentration, not the flux these curves are: it is about 1 %
// high on a cut curve, and covers at about 0.80. (Taking the smaller
// estimate afresh in every draw would cover at 1.0: the moment estimates
// of other methods' tails fall on both sides.)
TEST(UncertaintyScenarios, AnExtrapolatedTail) {
  Scenario s{"tail cut at 20-40 % of the peak"};
  s.cutLow = 0.2;
  s.cutHigh = 0.4;
  const Coverage c = coverage(s, 404);
  expectCovered(c, kMass);
  EXPECT_GE(c.share(kTime), 0.92);
  EXPECT_GE(c.share(kVelocity), 0.92);
  EXPECT_GE(c.share(kDispersion), 0.75);
  EXPECT_LE(c.share(kDispersion), 0.98);
}

}  // namespace
}  // namespace kaldero
