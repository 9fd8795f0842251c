// The tail extrapolation through the data pass on real station data files.
#include "conditioning/extrapolation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "tests/support/data_pass.h"
#include "tests/support/station_text.h"

namespace kaldero {
namespace {

using testing::DataRun;

struct Sample {
  float t, c, q;
};

std::string dataLines(const std::vector<Sample>& samples, bool withQ = true) {
  std::string s;
  char buf[96];
  for (const Sample& x : samples) {
    if (withQ)
      std::snprintf(buf, sizeof buf, "%.9g %.9g %.9g\n", x.t, x.c, x.q);
    else
      std::snprintf(buf, sizeof buf, "%.9g %.9g\n", x.t, x.c);
    s += buf;
  }
  return s;
}

// Header lines for a constant discharge (two values a data line).
const std::map<int, std::string> kConstantQ{{8, "2"}, {11, "4 0.5"}};

DataRun extrapolate(int method, const std::vector<Sample>& samples,
                    std::map<int, std::string> lines = {}) {
  lines[31] = "1 " + std::to_string(method);
  const bool withQ = lines.count(8) == 0 || lines.at(8) != "2";
  const int32_t n = static_cast<int32_t>(samples.size());
  return testing::runDataPass(testing::stationText(lines, dataLines(samples, withQ)), n,
                              ReductionMode::EveryLine, 0);
}

// C = 100 e^(-0.5 t) at t = 1 ... 10, discharge t.
std::vector<Sample> recession() {
  std::vector<Sample> s;
  for (int t = 1; t <= 10; ++t)
    s.push_back({float(t), 100.0f * std::exp(-0.5f * float(t)), float(t)});
  return s;
}

// (4, 5), (5, 10), (6, 8), (7, 6), (8, 4), (9, 2), (9.5, 1): every secant of
// the limb from time 5 to time 9 reaches zero at time 10.
std::vector<Sample> straightLimb(float lastTime = 9.5f) {
  return {{4, 5, 1}, {5, 10, 2}, {6, 8, 3}, {7, 6, 4}, {8, 4, 5}, {9, 2, 6}, {lastTime, 1, 7}};
}

TEST(ExponentialTail, RecessionGetsFiveSamplesUpToWhereTheFitHasDecayed) {
  DataRun r = extrapolate(1, recession());
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.extrapolation.errorCode, 0);
  EXPECT_TRUE(r.extrapolation.notices.empty());
  ASSERT_EQ(r.n, 15);
  // The fit falls below 0.01 (and a tenth of C(10) = 0.674) first at t = 19.
  const float times[] = {11.8f, 13.6f, 15.4f, 17.2f, 19.0f};
  for (int i = 0; i < 5; ++i) {
    EXPECT_FLOAT_EQ(r.T[10 + i], times[i]) << i;
    EXPECT_NEAR(r.C[10 + i], 100 * std::exp(-0.5 * times[i]), 1e-4 * r.C[10 + i]) << i;
  }
  EXPECT_NEAR(r.C[14], 0.0075f, 0.00005f);
  // The measured samples are kept.
  EXPECT_EQ(r.T[9], 10.0f);
  // A = 100 (to the single-precision sums of the fit), b = -0.5, r = -1
  // and a steep rate; A and b in G14.6.
  EXPECT_NEAR(std::stof(r.tail.texts[0]), 100.0f, 2e-4f);
  EXPECT_EQ(r.tail.texts[0].substr(10), std::string(25, ' '));
  EXPECT_EQ(r.tail.texts[1], text::padded(" -0.500000    ", 35));
  EXPECT_EQ(r.tail.texts[2], text::padded("-1.000    ", 35));
  EXPECT_EQ(r.tail.texts[3], text::padded("  0.00", 35));
  EXPECT_EQ(r.tail.rateFlag, 2);
  // Discharge: the mean over the limb (samples 1 to 9, each weighted by the
  // time to the next) is (1 + ... + 8) / 8 = 4.5, reached linearly from 10.
  EXPECT_FLOAT_EQ(r.Q[14], 4.5f);
  const float q[] = {8.9f, 7.8f, 6.7f, 5.6f};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(r.Q[10 + i], q[i]) << i;
}

TEST(ExponentialTail, SlowDecayTakesTheNarrowTextsAndRateFlagOne) {
  std::vector<Sample> s;
  for (int t = 1; t <= 10; ++t) s.push_back({float(t), 20000.0f * std::exp(-0.05f * t), 1});
  DataRun r = extrapolate(1, s);
  ASSERT_FALSE(r.stopped) << r.console;
  // G10.4: the leading 0 gives way where the field would overflow.
  EXPECT_EQ(r.tail.texts[0], text::padded("0.2000E+05", 35));
  EXPECT_EQ(r.tail.texts[1], text::padded("-.5000E-01", 35));
  EXPECT_EQ(r.tail.rateFlag, 1);
  EXPECT_LE(r.C[r.n - 1], 0.01f);
}

TEST(ZeroTimeTail, StraightLimbReachesZeroWhereItsSecantsDo) {
  DataRun r = extrapolate(3, straightLimb(), kConstantQ);
  ASSERT_FALSE(r.stopped) << r.console;
  ASSERT_EQ(r.n, 8);
  EXPECT_FLOAT_EQ(r.T[7], 10.0f);
  EXPECT_EQ(r.C[7], 0.0f);
  EXPECT_EQ(r.tail.rateFlag, 0);  // no fit for the data plot
}

TEST(ZeroTimeTail, EstimateNotBeyondTheLastSampleBecomesOneAndAHalfTimesIt) {
  DataRun r = extrapolate(3, straightLimb(10.0f), kConstantQ);
  ASSERT_EQ(r.n, 8);
  EXPECT_FLOAT_EQ(r.T[7], 15.0f);
  r = extrapolate(3, straightLimb(11.0f), kConstantQ);
  EXPECT_FLOAT_EQ(r.T[7], 16.5f);
}

TEST(TailDischarge, ConstantMeasuredDischargeStaysConstant) {
  for (int method : {1, 2, 3}) {
    std::vector<Sample> s = recession();
    for (Sample& x : s) x.q = 0.37f;
    DataRun r = extrapolate(method, s);
    ASSERT_FALSE(r.stopped) << method << r.console;
    EXPECT_EQ(r.facts.equalDischargeCount, 10);
    ASSERT_GT(r.n, 10);
    for (int i = 10; i < r.n; ++i) EXPECT_EQ(r.Q[i], 0.37f) << method << " " << i;
  }
}

TEST(PchipContinuation, AddsOneSampleWithoutTracerBeyondTheLast) {
  DataRun r = extrapolate(2, recession());
  ASSERT_FALSE(r.stopped) << r.console;
  EXPECT_EQ(r.extrapolation.errorCode, 0);
  EXPECT_TRUE(r.extrapolation.notices.empty());
  ASSERT_EQ(r.n, 11);
  EXPECT_GT(r.T[10], 10.0f);
  EXPECT_EQ(r.C[10], 0.0f);
  EXPECT_GT(r.Q[10], 0.0f);
  // The spread, its work space, is left clear.
  ASSERT_EQ(r.sT.size(), 11u);
  for (int i = 0; i < 11; ++i) {
    EXPECT_EQ(r.sT[i], 0.0f);
    EXPECT_EQ(r.sC[i], 0.0f);
    EXPECT_EQ(r.sQ[i], 0.0f);
  }
  // The measured curve is a curve of its own, without the tail.
  EXPECT_EQ(r.measured.samples.size(), 10);
}

// The failures the case folders do not run: each ends with the error code
// of the extrapolation-error report (which stops the run), quickly, after
// the notices of its cause, written to the console as the run writes them.
TEST(ExtrapolationErrors, EveryMethodEndsWithItsErrorCode) {
  struct Failure {
    int method;
    std::vector<Sample> samples;
    int32_t code;
    std::vector<Notice::Kind> notices;
    std::string console;
  };
  const std::string timeDifference =
      "X(N2)    X(N1)    S\n"
      "          ERROR IN GRACON: TIME DIFFERENCE   0.300D+01 AND   0.500D+01 -0.200D+01"
      " IS NOT POSITIVE CHECK DATA SET\n"
      "\n                              Press <RETURN> to continue program\n\n";
  using K = Notice::Kind;
  const std::vector<Failure> failures{
      // Two samples have no limb; the fall of the last pair is not looked at.
      {1, {{1, 5, 1}, {2, 4, 1}}, kGraconFailed, {}, ""},
      {1, {{1, 1, 1}, {2, 2, 1}, {3, 3, 1}, {4, 1, 1}}, kGraconFailed, {}, ""},
      // Peak at time 5, last fall at time 3.
      {3,
       {{1, 1, 1}, {5, 10, 1}, {4, 5, 1}, {3, 2, 1}, {6, 1, 1}},
       kGraconFailed,
       {K::TailTimeDifference},
       timeDifference},
      // Nothing can be evaluated on times that do not increase.
      {2,
       {{1, 1, 1}, {3, 3, 1}, {2, 2, 1}},
       kContinuationFailed,
       {K::InterpolationDerivatives, K::InterpolationValues},
       "\n\n     AN ERROR CALLING PCHEZ, IERR =           -3\n\n"
       "     PROGRAM PAUSED DUE TO ERROR IN DATA MANIPULATION\n"
       "\n\n     AN ERROR CALLING PCHEV, IERR =           -3\n\n"
       "     PROGRAM PAUSE DUE TO ERROR IN DATA MANIPULATION\n"},
  };
  for (const Failure& f : failures) {
    const auto start = std::chrono::steady_clock::now();
    DataRun r = extrapolate(f.method, f.samples);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_FALSE(r.stopped) << r.console;
    EXPECT_EQ(r.extrapolation.errorCode, f.code) << f.method;
    std::vector<Notice::Kind> kinds;
    for (const Notice& n : r.extrapolation.notices) kinds.push_back(n.kind);
    EXPECT_EQ(kinds, f.notices) << f.method;
    EXPECT_EQ(r.console, f.console);
  }
}

TEST(ExtrapolationErrors, TimeDifferenceNoticeCarriesBothTimes) {
  DataRun r = extrapolate(3, {{1, 1, 1}, {5, 10, 1}, {4, 5, 1}, {3, 2, 1}, {6, 1, 1}});
  ASSERT_EQ(r.extrapolation.notices.size(), 1u);
  const Notice& n = r.extrapolation.notices[0];
  EXPECT_EQ(n.a, 3.0f);  // the later sample of the limb
  EXPECT_EQ(n.b, 5.0f);  // the earlier one
  // The curve is left as read: no tail sample was added.
  EXPECT_EQ(r.n, 5);
}

TEST(ExtrapolationHeader, UnknownMethodIsAWrongFormat) {
  DataRun r = extrapolate(4, recession());
  EXPECT_NE(r.console.find("HAS A WRONG FORMAT!!!"), std::string::npos) << r.console;
}

}  // namespace
}  // namespace kaldero
