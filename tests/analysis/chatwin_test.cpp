#include "analysis/chatwin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "plot/chatwin_plot.h"

namespace kaldero {
namespace {

// A station curve with the inputs of the method.
struct Curve {
  std::vector<float> T, C;
  ChatwinInputs in;

  void finish(float distance, TimeUnit timeUnit) {
    const std::size_t n = T.size();
    in.T = T;
    in.C = C;
    in.distance = distance;
    in.timeUnit = timeUnit;
    std::size_t p = 0;
    for (std::size_t i = 1; i < n; ++i)
      if (C[i] > C[p]) p = i;
    in.peakIndex = static_cast<int32_t>(p + 1);
    in.peakParameter = C[p] * std::sqrt(T[p]);
    // Moments by the trapezoidal rule (unit discharge).
    double m0 = 0, m1 = 0;
    for (std::size_t i = 1; i < n; ++i) {
      const double h = T[i] - T[i - 1];
      m0 += 0.5 * h * (C[i] + C[i - 1]);
      m1 += 0.5 * h * (T[i] * C[i] + T[i - 1] * C[i - 1]);
    }
    in.zerothMoment = static_cast<float>(m0);
    in.firstMoment = static_cast<float>(m1);
    in.velocityIntegral = distance * static_cast<float>(m0);
  }
  // The Chatwin parameter of sample i (0-based) as the method defines it:
  // sqrt(t ln(Ap / (C sqrt t))), negative after the peak.
  double parameter(std::size_t i) const {
    const double t = T[i], c = C[i];
    const double p = std::sqrt(t * std::log(in.peakParameter / (c * std::sqrt(t))));
    return t > T[static_cast<std::size_t>(in.peakIndex - 1)] ? -p : p;
  }
};

// The analytical one-dimensional curve of an instantaneous injection:
// C = M / sqrt(4 pi D t) exp(-(X - v t)^2 / (4 D t)).
Curve advectionDispersion(float X, float v, float D, float dt, int n) {
  Curve c;
  for (int i = 1; i <= n; ++i) {
    const double t = dt * i;
    c.T.push_back(static_cast<float>(t));
    c.C.push_back(static_cast<float>(
        1e6 / std::sqrt(4 * M_PI * D * t) * std::exp(-(X - v * t) * (X - v * t) / (4 * D * t))));
  }
  c.finish(X, TimeUnit::Hours);
  return c;
}

TEST(Chatwin, RecoversTheDispersionOfAnAdvectionDispersionCurve) {
  // X = 1000 m, v = 0.01 m/s, D = 0.5 m2/s (Peclet number 20), hourly
  // samples over three mean travel times.
  const Curve c = advectionDispersion(1000, 0.01f, 0.5f, 3600, 84);
  const ChatwinResults fit = chatwinMethod(c.in);
  EXPECT_EQ(fit.flowZoneVelocityCorrection, 0.0f);  // no flow-zone arrival time
  EXPECT_GE(fit.fitPoints, 5);
  ASSERT_TRUE(fit.fitted);
  EXPECT_NEAR(fit.dispersion, 0.5f, 0.01f);  // 0.502 in single precision
  EXPECT_FLOAT_EQ(fit.dispersion, (1000 / (2 * fit.intercept)) * (1000 / (2 * fit.intercept)));
  EXPECT_GT(fit.listed(), fit.fitPoints);
  // The fit of an exact curve is close to perfect: a falling line with a
  // correlation near -1 that chance does not explain.
  EXPECT_LT(fit.slope, 0.0f);
  EXPECT_LT(fit.r, -0.99f);
  EXPECT_FLOAT_EQ(fit.r2, fit.r * fit.r);
  EXPECT_LT(fit.probability, 1e-3f);
  EXPECT_GT(fit.residual, 0.0f);
  // The parameters end with an empty console line; the statistics warn of
  // nothing.
  ASSERT_EQ(fit.parameterNotices.size(), 1u);
  EXPECT_EQ(fit.parameterNotices[0].kind, Notice::Kind::EmptyLine);
  EXPECT_TRUE(fit.fitNotices.empty());
  // The listed times are in hours, the list ends at a point after the peak,
  // and the fitted values lie on the line, the residuals off it.
  const auto K = static_cast<std::size_t>(fit.listed());
  ASSERT_EQ(fit.listedParameters.size(), K);
  ASSERT_EQ(fit.listedFits.size(), K);
  ASSERT_EQ(fit.listedResiduals.size(), K);
  EXPECT_LT(fit.listedParameters[K - 1], 0.0f);
  EXPECT_FLOAT_EQ(fit.listedTimes[0], 2.0f);
  double all = 0, fitRows = 0;
  for (std::size_t k = 0; k < K; ++k) {
    EXPECT_FLOAT_EQ(fit.listedFits[k], fit.slope * fit.listedTimes[k] + fit.intercept) << k;
    EXPECT_FLOAT_EQ(fit.listedResiduals[k], fit.listedParameters[k] - fit.listedFits[k]) << k;
    const double r2 = static_cast<double>(fit.listedResiduals[k]) * fit.listedResiduals[k];
    all += r2;
    if (k < static_cast<std::size_t>(fit.fitPoints)) fitRows += r2;
  }
  // The residual of the table over every listed point, and over the rows
  // of the fit points (the first fitPoints listed).
  EXPECT_NEAR(fit.residual, std::sqrt(all), 1e-4 * std::sqrt(all));
  EXPECT_NEAR(fit.fitResidual, std::sqrt(fitRows), 1e-4 * std::sqrt(fitRows) + 1e-6);
  // The texts of the plot are 35 characters each.
  EXPECT_EQ(plot::chatwinTexts(fit).a.size(), 35u);
}

TEST(Chatwin, SamplesWithoutTimeOrTracerOrAtThePeakConcentrationHaveNoParameter) {
  Curve c;
  c.T = {0, 1, 2, 3, 4, 5, 6, 7};
  c.C = {5, 0, 10, 20, 10, 20, 5, 1};  // a second sample at the peak concentration
  c.finish(100, TimeUnit::Seconds);
  const ChatwinResults fit = chatwinMethod(c.in);
  // The fit points are the samples from the greatest parameter (t = 2) to
  // the time limit (3.5 s): the sample at time 0 and the one without
  // tracer are none of them.
  EXPECT_EQ(fit.fitPoints, 2);
  ASSERT_TRUE(fit.fitted);
  // Listed: every sample with a parameter and the zeros between positive
  // and negative ones; neither the sample at time 0 nor the one without
  // tracer, which have none.
  EXPECT_EQ(fit.listedTimes, (std::vector<float>{2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(fit.listed(), 6);
  EXPECT_NEAR(fit.listedParameters[0], c.parameter(2), 1e-5);
  EXPECT_EQ(fit.listedParameters[1], 0.0f);  // the peak
  EXPECT_NEAR(fit.listedParameters[2], c.parameter(4), 1e-5);
  EXPECT_LT(fit.listedParameters[2], 0.0f);  // after the peak: negative
  EXPECT_EQ(fit.listedParameters[3], 0.0f);  // the second sample at the peak concentration
  EXPECT_NEAR(fit.listedParameters[4], c.parameter(6), 1e-5);
  EXPECT_LT(fit.listedParameters[4], 0.0f);
  // The parameters end with an empty console line, and say nothing else.
  ASSERT_EQ(fit.parameterNotices.size(), 1u);
  EXPECT_EQ(fit.parameterNotices[0].kind, Notice::Kind::EmptyLine);
}

TEST(Chatwin, SecondPassAtTheUpperQuartile) {
  // Early samples without tracer push the median and the half-range mean
  // below the rise, so the first pass finds fewer than two points.
  Curve c;
  for (int i = 1; i <= 12; ++i) c.T.push_back(static_cast<float>(i));
  c.C = {0, 0, 0, 0, 0, 0, 1, 4, 9, 4, 2, 1};
  c.finish(50, TimeUnit::Seconds);
  const ChatwinResults fit = chatwinMethod(c.in);
  // The median 6.5 is the first limit; the upper quartile of 1..12 at the
  // plotting position 0.75 is 9.5. The peak sample itself, with its
  // parameter 0, is a fit point too.
  EXPECT_EQ(fit.fitPoints, 3);
  ASSERT_TRUE(fit.fitted);
  // The fit points lead the listed points: times 7 to 9, the last at the
  // peak.
  ASSERT_GE(fit.listed(), 3);
  EXPECT_EQ(fit.listedTimes[0], 7.0f);
  EXPECT_EQ(fit.listedTimes[2], 9.0f);
  EXPECT_EQ(fit.listedParameters[2], 0.0f);
}

TEST(Chatwin, TwoFitPointsGiveZeroStatistics) {
  Curve c;
  for (int i = 1; i <= 12; ++i) c.T.push_back(static_cast<float>(i));
  c.C = {0, 0, 0, 0, 0, 0, 0, 4, 9, 4, 2, 1};
  c.finish(50, TimeUnit::Seconds);
  const ChatwinResults fit = chatwinMethod(c.in);
  ASSERT_EQ(fit.fitPoints, 2);
  ASSERT_TRUE(fit.fitted);
  EXPECT_EQ(fit.r, 0.0f);
  EXPECT_EQ(fit.r2, 0.0f);
  EXPECT_EQ(fit.probability, 0.0f);
  EXPECT_EQ(fit.z, 0.0f);
  const plot::ChatwinTexts texts = plot::chatwinTexts(fit);
  for (const std::string* t : {&texts.r2, &texts.r, &texts.prob, &texts.z})
    EXPECT_EQ(t->substr(0, 10), " 0.000    ");
  // The line passes through both points (the first two listed, at 8 and
  // 9 s).
  ASSERT_GE(fit.listed(), 2);
  EXPECT_EQ(fit.listedTimes[0], 8.0f);
  const std::vector<float>& X = fit.listedTimes;
  const std::vector<float>& Y = fit.listedParameters;
  const float b = (Y[1] - Y[0]) / (X[1] - X[0]);
  const float a = Y[0] - b * X[0];
  EXPECT_NEAR(fit.dispersion, (50 / (2 * a)) * (50 / (2 * a)), 1e-3f * fit.dispersion);
  EXPECT_NEAR(fit.fitResidual, 0.0f, 1e-5f);
}

TEST(Chatwin, NoEstimateWithoutTwoFitPointsOrAPositiveIntercept) {
  Curve c;
  c.T = {1, 2, 3};
  c.C = {9, 0, 0};  // a single sample with tracer
  c.finish(50, TimeUnit::Seconds);
  ChatwinResults fit = chatwinMethod(c.in);
  EXPECT_FALSE(fit.fitted);
  EXPECT_EQ(fit.dispersion, 0.0f);
  EXPECT_EQ(fit.fitPoints, 1);
  EXPECT_EQ(fit.listed(), 0);
  // A curve that peaks at its first sample has no positive parameter; the
  // ones after it (0, -0.96, -0.43 over the fit points) rise again, and the
  // line through them has a negative intercept.
  Curve r;
  for (int i = 1; i <= 7; ++i) r.T.push_back(static_cast<float>(i));
  r.C = {9, 4, 8, 3, 3, 1, 1};
  r.finish(50, TimeUnit::Seconds);
  fit = chatwinMethod(r.in);
  EXPECT_EQ(fit.fitPoints, 3);
  EXPECT_FALSE(fit.fitted);
  EXPECT_EQ(fit.dispersion, 0.0f);
  EXPECT_EQ(fit.intercept, 0.0f);
  EXPECT_EQ(fit.listed(), 0);
  // The parameters' empty line is shown all the same.
  EXPECT_EQ(fit.parameterNotices.size(), 1u);
}

TEST(Chatwin, APeakAtTheLastSampleIsListedWithItsZero) {
  Curve c;
  c.T = {1, 2, 3, 4, 5};
  c.C = {1, 2, 4, 8, 16};  // still rising at the last sample
  c.finish(50, TimeUnit::Seconds);
  const ChatwinResults fit = chatwinMethod(c.in);
  ASSERT_TRUE(fit.fitted);
  ASSERT_EQ(fit.listed(), 4);
  EXPECT_GT(fit.listedParameters[2], 0.0f);
  EXPECT_EQ(fit.listedParameters[3], 0.0f);
  EXPECT_EQ(fit.listedTimes[3], 5.0f);
}

TEST(Chatwin, FlowZoneVelocityCorrection) {
  Curve c = advectionDispersion(1000, 0.01f, 0.5f, 3600, 84);
  c.in.flowZoneArrival = 2;
  const float th = c.in.firstMoment / c.in.zerothMoment / 3600;
  EXPECT_NEAR(chatwinMethod(c.in).flowZoneVelocityCorrection,
              1000 * 2 / (th * (th - 2)) / 3600, 1e-9);
  // A mean time equal to the arrival time gives no correction, not infinity.
  c.in.flowZoneArrival = th;
  EXPECT_EQ(chatwinMethod(c.in).flowZoneVelocityCorrection, 0.0f);
}

}  // namespace
}  // namespace kaldero
