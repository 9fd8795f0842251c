// Breakthrough curves of the one-dimensional advection-dispersion equation,
// whose moments are known in closed form, through the station steps.
//
// For a tracer mass M carried by a discharge Q over a distance L at velocity
// v with longitudinal dispersion D, the flux concentration after an
// instantaneous injection is M/Q times the inverse Gaussian density
//   f(t) = L / sqrt(4 pi D t^3) exp(-(L - v t)^2 / (4 D t)),
// with mean L/v, variance 2 D L / v^3, skewness 3 c and excess kurtosis
// 15 c^2, c = sqrt(2 D / (v L)). A release of duration Td spreads the input
// evenly over Td; the response is then (M/Q) (F(t) - F(t - Td)) / Td, with F
// the distribution function, whose mean is larger by Td/2 and whose
// variance is larger by Td^2/12.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "analysis/dispersion.h"
#include "tests/support/station_run.h"

namespace kaldero {
namespace {

struct Transport {
  double L = 1000;  // m
  double v = 0.01;  // m/s
  double D = 0.5;   // m2/s
  double mean() const { return L / v; }
  double lambda() const { return L * L / (2 * D); }
  double variance() const { return 2 * D * L / (v * v * v); }
  double c() const { return std::sqrt(2 * D / (v * L)); }
  double density(double t) const {
    if (t <= 0) return 0;
    return L / std::sqrt(4 * M_PI * D * t * t * t) * std::exp(-(L - v * t) * (L - v * t) / (4 * D * t));
  }
  double distribution(double t) const {
    if (t <= 0) return 0;
    const double mu = mean(), lam = lambda();
    const double a = std::sqrt(lam / t);
    auto phi = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
    return phi(a * (t / mu - 1)) + std::exp(2 * lam / mu) * phi(-a * (t / mu + 1));
  }
};

constexpr double kMassMg = 1e6;  // 1 kg
constexpr double kQ = 1.0;       // m3/s

// Times 0, dt, 2 dt, ... up to end (seconds).
std::vector<float> evenTimes(double dt, double end) {
  std::vector<float> t;
  for (int i = 0; i * dt <= end; ++i) t.push_back(static_cast<float>(i * dt));
  return t;
}

// Concentrations in ng/L: mass in ug (mg * 1000) per m3 of discharge.
std::vector<float> instantaneous(const Transport& tr, const std::vector<float>& T) {
  std::vector<float> c;
  for (float t : T) c.push_back(static_cast<float>(kMassMg * 1000 / kQ * tr.density(t)));
  return c;
}

std::vector<float> release(const Transport& tr, const std::vector<float>& T, double td) {
  std::vector<float> c;
  for (float t : T)
    c.push_back(static_cast<float>(kMassMg * 1000 / kQ / td *
                                   (tr.distribution(t) - tr.distribution(t - td))));
  return c;
}

void expectNear(double actual, double expected, double relative, const char* what) {
  EXPECT_NEAR(actual, expected, std::fabs(expected) * relative) << what;
}

TEST(AnalyticalCurve, InstantaneousInjectionGivesTheMomentsOfTheSolution) {
  const Transport tr;
  testing::StationRun run;
  run.test().normalizedOption = Option::On;  // asks for skewness and kurtosis
  const std::vector<float> T = evenTimes(360, 10 * tr.mean());
  run.run(T, instantaneous(tr, T));
  const StationResults& r = run.results();
  ASSERT_TRUE(r.complete());
  const MassRecovery& m = *r.mass;
  const TransitTimes& t = *r.transit;
  const kaldero::Transport& v = *r.transport;
  expectNear(m.mass.micrograms, kMassMg * 1000, 0.01, "recovered mass");
  expectNear(t.meanTime.hours, tr.mean() / 3600, 0.001, "mean time");
  expectNear(t.variance, tr.variance() / (3600.0 * 3600.0), 0.002, "variance");
  expectNear(v.meanVelocity.perSecond, tr.L / (t.meanTime.hours * 3600), 1e-4,
             "velocity L / mean time");
  expectNear(v.meanVelocity.perSecond, tr.v, 0.001, "velocity");
  expectNear(v.momentDispersion, tr.D, 0.005, "moment dispersion");
  // The Chatwin estimate of the sampled curve is a little larger (0.527):
  // the smaller moment estimate is the one reported.
  ASSERT_TRUE(v.chatwinDispersion.has_value());
  expectNear(*v.chatwinDispersion, tr.D, 0.06, "Chatwin dispersion");
  EXPECT_EQ(v.dispersion, v.momentDispersion);
  EXPECT_TRUE(v.dispersionFromMoments);
  ASSERT_TRUE(v.peclet.has_value());
  expectNear(*v.peclet, tr.v * tr.L / tr.D, 0.005, "Peclet number");
  ASSERT_TRUE(t.skewness && t.kurtosis);
  expectNear(*t.skewness, 3 * tr.c(), 0.005, "skewness");
  expectNear(*t.kurtosis, 15 * tr.c() * tr.c(), 0.01, "kurtosis");
  // The spread of L/t about L/mean: L^2 (1/(mean lambda) + 3/lambda^2),
  // in (m/h)^2.
  const double spread =
      tr.L * std::sqrt(1 / (tr.mean() * tr.lambda()) + 3 / (tr.lambda() * tr.lambda())) * 3600;
  ASSERT_TRUE(v.velocitySpread.has_value());
  expectNear(v.velocitySpread->perHour, spread, 0.005, "velocity spread");
  EXPECT_TRUE(v.pulseRegime);
  EXPECT_TRUE(m.loadRegime);

  EXPECT_EQ(m.mass.grams, m.mass.micrograms * 1e-6f);
  EXPECT_NEAR(r.recovery->percent.value_or(0), 100.0, 1.0);
  EXPECT_NEAR(r.recovery->accuracyIndex.value_or(1), 0.0, 0.01);
  EXPECT_EQ(v.pecletClass, "Advection > Diffusion");
  EXPECT_NEAR(v.dispersion, tr.D, 0.01);
  ASSERT_TRUE(v.dispersivity.has_value());
  expectNear(*v.dispersivity, tr.D / tr.v, 0.01, "dispersivity");
  // The first sample with tracer bounds the maximum velocity.
  EXPECT_GT(v.maxVelocity.value, v.meanVelocity.perSecond);
  EXPECT_EQ(v.maxVelocity.value, static_cast<float>(tr.L) / r.arrival.firstArrival);
  EXPECT_TRUE(v.maxVelocity.computed);
  // A constant discharge of 1 m3/s for the mean time: the volume.
  expectNear(r.geometry->volume, tr.mean(), 0.001, "volume");
  EXPECT_TRUE(r.geometry->conduit.has_value());
}

TEST(AnalyticalCurve, StrongDispersionIsClassedAsBalanced) {
  Transport tr;
  tr.D = 5;  // Peclet number 2
  std::vector<float> T{0};
  for (int i = 0; i < 3000; ++i) T.push_back(static_cast<float>(100 * std::pow(5e4, i / 2999.0)));
  testing::StationRun run;
  run.run(T, instantaneous(tr, T));
  const StationResults& r = run.results();
  ASSERT_TRUE(r.complete());
  expectNear(r.mass->mass.micrograms, kMassMg * 1000, 0.01, "recovered mass");
  expectNear(r.transit->meanTime.hours, tr.mean() / 3600, 0.001, "mean time");
  expectNear(r.transit->variance, tr.variance() / (3600.0 * 3600.0), 0.002, "variance");
  expectNear(r.transport->momentDispersion, tr.D, 0.005, "moment dispersion");
  EXPECT_EQ(r.transport->pecletClass, "Diffusion = Advection");
}

TEST(AnalyticalCurve, ShortPulseRemovesTheVarianceOfTheRelease) {
  const Transport tr;
  const double td = 10 * 3600.0;
  testing::StationRun run;
  run.release().mode = ReleaseMode::Pulse;
  run.release().durationHours = 10;
  const std::vector<float> T = evenTimes(360, 12 * tr.mean());
  run.run(T, release(tr, T, td));
  const StationResults& r = run.results();
  ASSERT_TRUE(r.complete());
  expectNear(r.mass->mass.micrograms, kMassMg * 1000, 0.01, "recovered mass");
  expectNear(r.transit->meanTime.hours, (tr.mean() + td / 2) / 3600, 0.001,
             "mean time of the curve");
  expectNear(r.transit->variance, (tr.variance() + td * td / 12) / (3600.0 * 3600.0), 0.002,
             "variance");
  // The velocity of a pulse weights each sample by t / (t - Td/2), which
  // overstates it a little.
  const float v = r.transport->meanVelocity.perSecond;
  expectNear(v, tr.v, 0.02, "velocity");
  // With that velocity, the variance less Td^2/12 gives back D.
  const double vRatio = v / tr.v;
  expectNear(r.transport->momentDispersion, tr.D * vRatio * vRatio * vRatio, 0.002,
             "moment dispersion");
  ASSERT_TRUE(r.transport->velocitySpread.has_value());
  EXPECT_GT(r.transport->velocitySpread->perHour, 0);
  EXPECT_TRUE(r.mass->loadRegime);
}

TEST(AnalyticalCurve, LongReleaseTakesTheMomentsOfTheShortfall) {
  const Transport tr;
  const double td = 200 * 3600.0;
  testing::StationRun run;
  run.release().mode = ReleaseMode::Pulse;
  run.release().durationHours = 200;
  run.test().normalizedOption = Option::On;
  const std::vector<float> T = evenTimes(360, td + 10 * tr.mean());
  const std::vector<float> C = release(tr, T, td);
  run.analyse(T, C);
  const StationResults& r = run.results();
  ASSERT_TRUE(r.complete());
  // The upper limit of the moments was lowered to the peak sample, near
  // the end of the release; the recovered mass is integrated to the end.
  const int32_t k = r.arrival.peakIndex;
  EXPECT_EQ(r.mass->limits.upper, T.back());
  EXPECT_EQ(r.mass->momentLimits.upper, T[k - 1]);
  EXPECT_GT(T[k - 1], 4 * tr.mean());  // on the plateau
  run.report();
  expectNear(r.mass->mass.micrograms, kMassMg * 1000, 0.01, "recovered mass");
  expectNear(r.transit->meanTime.hours, tr.mean() / 3600, 0.001, "mean time");
  expectNear(r.transit->variance, tr.variance() / (3600.0 * 3600.0), 0.002, "variance");
  expectNear(r.transport->meanVelocity.perSecond, tr.v, 0.001, "velocity");
  expectNear(r.transport->momentDispersion, tr.D, 0.005, "moment dispersion");
  ASSERT_TRUE(r.transit->skewness && r.transit->kurtosis);
  expectNear(*r.transit->skewness, 3 * tr.c(), 0.005, "skewness");
  expectNear(*r.transit->kurtosis, 15 * tr.c() * tr.c(), 0.01, "kurtosis");
  EXPECT_FALSE(r.transport->velocitySpread.has_value());
  EXPECT_FALSE(r.transport->pulseRegime);
  // Concentrations for the reports and the output files: no load regime,
  // no conversion.
  EXPECT_FALSE(r.mass->loadRegime);
  EXPECT_EQ(r.outputConcentrations, C);
  // The listing says that the upper limit changed.
  EXPECT_NE(run.listing().find("Upper Limit to integration necessarily changed!"),
            std::string::npos);
}

}  // namespace
}  // namespace kaldero
