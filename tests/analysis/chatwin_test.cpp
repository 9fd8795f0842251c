#include "analysis/chatwin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "plot/chatwin_plot.h"

namespace kaldero {
namespace {

// A station curve with the arrays the method works in.
struct Curve {
  std::vector<float> T, C;
  std::vector<float> P, XF, YF, TK, PK, FK;
  ChatwinInputs in;

  void finish(float distance, TimeUnit timeUnit) {
    const std::size_t n = T.size();
    for (auto* v : {&P, &XF, &YF, &TK, &PK, &FK}) v->assign(n, 0.0f);
    in.T = T;
    in.C = C;
    in.n = static_cast<int32_t>(n);
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
  ChatwinWork work() { return ChatwinWork{P, XF, YF, TK, PK, FK}; }
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
  Curve c = advectionDispersion(1000, 0.01f, 0.5f, 3600, 84);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  const float dv = chatwinParameters(notices, c.in, w, nfit);
  EXPECT_EQ(dv, 0.0f);  // no flow-zone arrival time
  EXPECT_GE(nfit, 5);
  notices.clear();
  const ChatwinResults fit = chatwinFit(notices, c.in, w, nfit);
  ASSERT_TRUE(fit.fitted);
  EXPECT_NEAR(fit.dispersion, 0.5f, 0.01f);  // 0.502 in single precision
  EXPECT_FLOAT_EQ(fit.dispersion, (1000 / (2 * fit.intercept)) * (1000 / (2 * fit.intercept)));
  EXPECT_EQ(fit.fitPoints, nfit);
  EXPECT_GT(fit.listed, nfit);
  // The fit of an exact curve is close to perfect: a falling line with a
  // correlation near -1 that chance does not explain.
  EXPECT_LT(fit.slope, 0.0f);
  EXPECT_LT(fit.r, -0.99f);
  EXPECT_FLOAT_EQ(fit.r2, fit.r * fit.r);
  EXPECT_LT(fit.probability, 1e-3f);
  EXPECT_GT(fit.residual, 0.0f);
  EXPECT_TRUE(notices.empty());
  // The listed times are in hours, the list ends at a point after the peak,
  // and the fitted values lie on the line.
  const auto K = static_cast<std::size_t>(fit.listed);
  EXPECT_LT(c.PK[K - 1], 0.0f);
  EXPECT_FLOAT_EQ(c.TK[0], 2.0f);
  for (std::size_t k = 0; k < K; ++k)
    EXPECT_FLOAT_EQ(c.FK[k], fit.slope * c.TK[k] + fit.intercept) << k;
  // The texts of the plot are 35 characters each.
  EXPECT_EQ(plot::chatwinTexts(fit).a.size(), 35u);
}

TEST(Chatwin, SamplesWithoutTimeOrTracerOrAtThePeakConcentrationHaveNoParameter) {
  Curve c;
  c.T = {0, 1, 2, 3, 4, 5, 6, 7};
  c.C = {5, 0, 10, 20, 10, 20, 5, 1};  // a second sample at the peak concentration
  c.finish(100, TimeUnit::Seconds);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  chatwinParameters(notices, c.in, w, nfit);
  EXPECT_EQ(c.P[0], 0.0f);
  EXPECT_EQ(c.P[1], 0.0f);
  EXPECT_EQ(c.P[3], 0.0f);
  EXPECT_EQ(c.P[5], 0.0f);
  EXPECT_LT(c.P[6], 0.0f);  // after the peak: negative
  for (int32_t k = 0; k < nfit; ++k) EXPECT_NE(c.XF[static_cast<std::size_t>(k)], 0.0f);
  // The step ends with an empty console line, and says nothing else.
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0].kind, Notice::Kind::EmptyLine);
}

TEST(Chatwin, SecondPassAtTheUpperQuartile) {
  // Early samples without tracer push the median and the half-range mean
  // below the rise, so the first pass finds fewer than two points.
  Curve c;
  for (int i = 1; i <= 12; ++i) c.T.push_back(static_cast<float>(i));
  c.C = {0, 0, 0, 0, 0, 0, 1, 4, 9, 4, 2, 1};
  c.finish(50, TimeUnit::Seconds);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  chatwinParameters(notices, c.in, w, nfit);
  // The median 6.5 is the first limit; the upper quartile of 1..12 at the
  // plotting position 0.75 is 9.5. The peak sample itself, with its
  // parameter 0, is a fit point too.
  EXPECT_EQ(nfit, 3);
  EXPECT_EQ(c.XF[0], 7.0f);
  EXPECT_EQ(c.XF[2], 9.0f);
  EXPECT_EQ(c.YF[2], 0.0f);
}

TEST(Chatwin, TwoFitPointsGiveZeroStatistics) {
  Curve c;
  for (int i = 1; i <= 12; ++i) c.T.push_back(static_cast<float>(i));
  c.C = {0, 0, 0, 0, 0, 0, 0, 4, 9, 4, 2, 1};
  c.finish(50, TimeUnit::Seconds);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  chatwinParameters(notices, c.in, w, nfit);
  ASSERT_EQ(nfit, 2);
  const ChatwinResults fit = chatwinFit(notices, c.in, w, nfit);
  ASSERT_TRUE(fit.fitted);
  EXPECT_EQ(fit.r, 0.0f);
  EXPECT_EQ(fit.r2, 0.0f);
  EXPECT_EQ(fit.probability, 0.0f);
  EXPECT_EQ(fit.z, 0.0f);
  const plot::ChatwinTexts texts = plot::chatwinTexts(fit);
  for (const std::string* t : {&texts.r2, &texts.r, &texts.prob, &texts.z})
    EXPECT_EQ(t->substr(0, 10), " 0.000    ");
  const float D = fit.dispersion;
  // The line passes through both points.
  const float b = (c.YF[1] - c.YF[0]) / (c.XF[1] - c.XF[0]);
  const float a = c.YF[0] - b * c.XF[0];
  EXPECT_NEAR(D, (50 / (2 * a)) * (50 / (2 * a)), 1e-3f * D);
}

TEST(Chatwin, NoEstimateWithoutTwoFitPointsOrAPositiveIntercept) {
  Curve c;
  c.T = {1, 2, 3};
  c.C = {9, 0, 0};  // a single sample with tracer
  c.finish(50, TimeUnit::Seconds);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  chatwinParameters(notices, c.in, w, nfit);
  ChatwinResults fit = chatwinFit(notices, c.in, w, nfit);
  EXPECT_FALSE(fit.fitted);
  EXPECT_EQ(fit.dispersion, 0.0f);
  EXPECT_EQ(fit.fitPoints, nfit);
  // A rising line (parameters growing with time) has a negative intercept.
  Curve r;
  r.T = {1, 2, 3, 4};
  r.C = {1, 2, 3, 4};
  r.finish(50, TimeUnit::Seconds);
  ChatwinWork rw = r.work();
  r.XF[0] = 1;
  r.XF[1] = 2;
  r.YF[0] = -1;
  r.YF[1] = 1;
  fit = chatwinFit(notices, r.in, rw, 2);
  EXPECT_FALSE(fit.fitted);
  EXPECT_EQ(fit.dispersion, 0.0f);
  EXPECT_EQ(fit.intercept, 0.0f);
}

TEST(Chatwin, APeakAtTheLastSampleIsListedWithItsZero) {
  Curve c;
  c.T = {1, 2, 3, 4, 5};
  c.C = {1, 2, 4, 8, 16};  // still rising at the last sample
  c.finish(50, TimeUnit::Seconds);
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  chatwinParameters(notices, c.in, w, nfit);
  w.XF[0] = 1;
  w.XF[1] = 2;
  w.YF[0] = 2;
  w.YF[1] = 1;
  const ChatwinResults fit = chatwinFit(notices, c.in, w, 2);
  ASSERT_TRUE(fit.fitted);
  ASSERT_EQ(fit.listed, 4);
  EXPECT_GT(c.PK[2], 0.0f);
  EXPECT_EQ(c.PK[3], 0.0f);
}

TEST(Chatwin, FlowZoneVelocityCorrection) {
  Curve c = advectionDispersion(1000, 0.01f, 0.5f, 3600, 84);
  c.in.flowZoneArrival = 2;
  Notices notices;
  ChatwinWork w = c.work();
  int32_t nfit = 0;
  const float dv = chatwinParameters(notices, c.in, w, nfit);
  const float th = c.in.firstMoment / c.in.zerothMoment / 3600;
  EXPECT_NEAR(dv, 1000 * 2 / (th * (th - 2)) / 3600, 1e-9);
  // A mean time equal to the arrival time gives no correction, not infinity.
  c.in.flowZoneArrival = th;
  EXPECT_EQ(chatwinParameters(notices, c.in, w, nfit), 0.0f);
}

}  // namespace
}  // namespace kaldero
