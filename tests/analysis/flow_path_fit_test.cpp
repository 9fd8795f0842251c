// Flow-path fits on synthetic curves of known truth: exact curves, a pulse
// release, two paths, the coverage of the intervals under noise, and curves
// that cannot be fitted.
#include "analysis/flow_path_fit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/fit_curve.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

using numeric::FlowPath;

// The curve with its recovered mass; every layout of zones tried.
struct Synthetic : testing::FitCurve {
  double mass = 0;

  FlowPathFitInput input(int paths) const {
    FlowPathFitInput in = FitCurve::input(paths, StorageChoice::Allowed);
    in.recoveredMass = mass;
    return in;
  }
};

// n samples every dt seconds of the paths given, plus Gaussian noise of sd
// noise times the peak concentration.
Synthetic curve(const std::vector<FlowPath>& paths, int n, double dt, double Td = 0,
                double noise = 0, unsigned seed = 1, bool varyingDischarge = false) {
  Synthetic s;
  s.Td = Td;
  for (const FlowPath& p : paths) s.mass += p.mass;
  for (int i = 1; i <= n; ++i) {
    const double t = i * dt;
    s.t.push_back(t);
    s.q.push_back(varyingDischarge ? 0.5 + 0.3 * std::sin(t / 20000.0) : 0.5);
    s.c.push_back(numeric::concentration(t, s.L, s.q.back(), Td, paths));
  }
  if (noise > 0) {
    const double peak = *std::max_element(s.c.begin(), s.c.end());
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> e(0, noise * peak);
    for (double& c : s.c) c += e(rng);
  }
  return s;
}

// 100 g at 0.02 m/s over 500 m, Peclet number 20; 7 h mean transit time.
const FlowPath kOne{0.02, 0.5, 1.0e8};
// 40 g fast and narrow, 60 g slow and wide.
const std::vector<FlowPath> kTwo{{0.03, 0.2, 4.0e7}, {0.012, 0.3, 6.0e7}};

bool allFinite(const PathModelFit& f) {
  auto ok = [](const Estimate& e) {
    return std::isfinite(e.value) && std::isfinite(e.standardError) && std::isfinite(e.lower) &&
           std::isfinite(e.upper);
  };
  for (const FittedPath& p : f.paths)
    if (!ok(p.velocity) || !ok(p.dispersion) || !ok(p.mass) || !ok(p.massFraction) ||
        !ok(p.dispersivity) || !ok(p.peclet))
      return false;
  return std::isfinite(f.rss) && std::isfinite(f.rmse) && std::isfinite(f.rSquared) &&
         std::isfinite(f.aicc) && std::isfinite(f.tQuantile);
}

TEST(FlowPathFit, OnePathNoiseFreeIsRecoveredAndChosen) {
  const Synthetic s = curve({kOne}, 200, 400);
  for (int paths : {1, kAutomaticPaths}) {
    const FlowPathFitResult r = fitFlowPaths(s.input(paths));
    ASSERT_TRUE(r.fitted()) << r.reason;
    const PathModelFit& f = *r.best();
    EXPECT_EQ(f.pathCount, 1);
    ASSERT_EQ(f.paths.size(), 1u);
    const FittedPath& p = f.paths[0];
    EXPECT_NEAR(p.velocity.value / kOne.velocity, 1, 1e-3);
    EXPECT_NEAR(p.dispersion.value / kOne.dispersion, 1, 1e-3);
    EXPECT_NEAR(p.mass.value / kOne.mass, 1, 1e-3);
    EXPECT_NEAR(p.massFraction.value, 1, 1e-3);
    EXPECT_NEAR(p.dispersivity.value, kOne.dispersion / kOne.velocity, 1e-3);
    EXPECT_NEAR(p.peclet.value, kOne.velocity * s.L / kOne.dispersion, 0.02);
    EXPECT_GT(f.rSquared, 0.999999);
    EXPECT_EQ(f.samples, 200);
    // 200 samples less v, D, M and the AR(1) coefficient of the default
    // error model.
    EXPECT_EQ(f.degreesOfFreedom, 196);
    EXPECT_TRUE(allFinite(f));
  }
  const FlowPathFitResult automatic = fitFlowPaths(s.input(kAutomaticPaths));
  // One to three paths, each without, sharing a zone and with zones of
  // their own on each choice of two or three paths (3 + 7), each model
  // once: two choices the velocities order alike are one model.
  ASSERT_LE(automatic.models.size(), 16u);
  std::set<std::string> labels;
  for (const PathModelFit& m : automatic.models) labels.insert(m.label());
  EXPECT_EQ(labels.size(), automatic.models.size());
  for (const char* label : {"1", "1s", "2", "2s", "3", "3s"}) EXPECT_EQ(labels.count(label), 1u) << label;
  EXPECT_TRUE(labels.contains("2p:12") && labels.contains("3p:123"));
  for (const PathModelFit& m : automatic.models) EXPECT_TRUE(!m.fitted || allFinite(m));
}

TEST(FlowPathFit, PulseReleaseIsRecovered) {
  // A release of 2 h, a third of the curve's standard deviation... and one
  // longer than the whole rise of the curve.
  for (double Td : {7200.0, 30000.0}) {
    const Synthetic s = curve({kOne}, 250, 400, Td);
    const FlowPathFitResult r = fitFlowPaths(s.input(1));
    ASSERT_TRUE(r.fitted()) << r.reason;
    const FittedPath& p = r.best()->paths[0];
    EXPECT_NEAR(p.velocity.value / kOne.velocity, 1, 5e-3) << Td;
    EXPECT_NEAR(p.dispersion.value / kOne.dispersion, 1, 5e-3) << Td;
    EXPECT_NEAR(p.mass.value / kOne.mass, 1, 5e-3) << Td;
  }
}

TEST(FlowPathFit, VaryingDischargeIsTakenSampleBySample) {
  const Synthetic s = curve({kOne}, 200, 400, 3600, 0, 1, true);
  const FlowPathFitResult r = fitFlowPaths(s.input(1));
  ASSERT_TRUE(r.fitted()) << r.reason;
  EXPECT_NEAR(r.best()->paths[0].velocity.value / kOne.velocity, 1, 1e-3);
  EXPECT_NEAR(r.best()->paths[0].mass.value / kOne.mass, 1, 1e-3);
}

TEST(FlowPathFit, TwoPathsAreSeparatedAndChosen) {
  for (double noise : {0.0, 0.01}) {
    const Synthetic s = curve(kTwo, 400, 300, 1800, noise, 7);
    const FlowPathFitResult r = fitFlowPaths(s.input(kAutomaticPaths));
    ASSERT_TRUE(r.fitted()) << r.reason;
    const PathModelFit& f = *r.best();
    ASSERT_EQ(f.pathCount, 2) << "noise " << noise;
    // Ordered by velocity: the slow path first.
    const FittedPath& slow = f.paths[0];
    const FittedPath& fast = f.paths[1];
    EXPECT_NEAR(slow.velocity.value / kTwo[1].velocity, 1, 0.02);
    EXPECT_NEAR(fast.velocity.value / kTwo[0].velocity, 1, 0.02);
    EXPECT_NEAR(slow.massFraction.value, 0.6, 0.05);
    EXPECT_NEAR(fast.massFraction.value, 0.4, 0.05);
    EXPECT_LT(f.aicc, r.models[0].aicc);
    for (const PathModelFit& m : r.models) EXPECT_TRUE(!m.fitted || allFinite(m)) << m.pathCount;
  }
}

TEST(FlowPathFit, MassFractionsAreOfTheFittedTotalWithoutARecoveredMass) {
  Synthetic s = curve(kTwo, 400, 300, 0, 0.005, 3);
  s.mass = 0;
  const FlowPathFitResult r = fitFlowPaths(s.input(2));
  ASSERT_TRUE(r.fitted()) << r.reason;
  const auto& p = r.best()->paths;
  EXPECT_NEAR(p[0].massFraction.value + p[1].massFraction.value, 1, 1e-12);
  // The total is fixed, so the fractions are known better than the masses.
  EXPECT_LT(p[0].massFraction.standardError / p[0].massFraction.value,
            p[0].mass.standardError / p[0].mass.value);
}

TEST(FlowPathFit, IntervalsCoverTheTruthAtTheirNominalRate) {
  // 3 % noise (of the peak), 400 seeded repetitions of one path with a
  // release of 1 h.
  constexpr int kRuns = 400;
  int coveredV = 0, coveredD = 0, fits = 0;
  for (int run = 0; run < kRuns; ++run) {
    const Synthetic s = curve({kOne}, 120, 600, 3600, 0.03, 1000 + run);
    FlowPathFitInput in = s.input(1);
    in.storage = StorageChoice::None;
    const FlowPathFitResult r = fitFlowPaths(in);
    if (!r.fitted()) continue;
    ++fits;
    const FittedPath& p = r.best()->paths[0];
    coveredV += p.velocity.lower <= kOne.velocity && kOne.velocity <= p.velocity.upper;
    coveredD += p.dispersion.lower <= kOne.dispersion && kOne.dispersion <= p.dispersion.upper;
  }
  const double cv = static_cast<double>(coveredV) / fits;
  const double cd = static_cast<double>(coveredD) / fits;
  std::printf("95 %% interval coverage over %d fits: velocity %.3f, dispersion %.3f\n", fits, cv,
              cd);
  EXPECT_EQ(fits, kRuns);
  EXPECT_GE(cv, 0.90);
  EXPECT_LE(cv, 0.99);
  EXPECT_GE(cd, 0.90);
  EXPECT_LE(cd, 0.99);
}

TEST(FlowPathFit, CurvesThatCannotBeFittedGiveAReason) {
  const Synthetic good = curve({kOne}, 200, 400);
  struct Bad {
    const char* what;
    std::vector<double> t, c, q;
    const char* reason;
  };
  const std::vector<double> ones(50, 1.0), q(50, 0.5);
  std::vector<double> times;
  for (int i = 1; i <= 50; ++i) times.push_back(100.0 * i);
  std::vector<double> rising;
  for (int i = 1; i <= 50; ++i) rising.push_back(10.0 * i);
  std::vector<double> withNaN = good.c, withInf = good.c, negativeQ = good.q, backwards = good.t;
  withNaN[60] = std::numeric_limits<double>::quiet_NaN();
  withInf[60] = std::numeric_limits<double>::infinity();
  negativeQ[10] = -0.5;
  std::swap(backwards[20], backwards[21]);
  std::vector<double> spike(50, 0.0);
  spike[25] = 100;
  const std::vector<Bad> bad{
      {"flat", times, ones, q, "flat"},
      {"all zero", times, std::vector<double>(50, 0.0), q, "no concentration is positive"},
      {"never falls", times, rising, q, "does not fall after its peak"},
      {"three samples", {100, 200, 300}, {1, 5, 2}, {0.5, 0.5, 0.5}, "3 samples"},
      {"no samples", {}, {}, {}, "0 samples"},
      {"NaN", good.t, withNaN, good.q, "not a finite number at sample 61"},
      {"infinity", good.t, withInf, good.q, "not a finite number at sample 61"},
      {"negative discharge", good.t, good.c, negativeQ, "discharge is not positive at sample 11"},
      {"times backwards", backwards, good.c, good.q, "times do not increase at sample 22"},
      {"sizes differ", good.t, ones, good.q, "differ in number"},
  };
  for (const Bad& b : bad) {
    FlowPathFitInput in;
    in.times = b.t;
    in.concentrations = b.c;
    in.discharges = b.q;
    in.distance = 500;
    const FlowPathFitResult r = fitFlowPaths(in);
    EXPECT_FALSE(r.fitted()) << b.what;
    EXPECT_THAT(r.reason, ::testing::HasSubstr(b.reason)) << b.what;
    for (const PathModelFit& m : r.models) EXPECT_FALSE(m.fitted) << b.what;
  }
  // A single spike, pure noise and too few samples for three paths: fitted
  // or not, never a number that is not finite.
  std::vector<double> noiseOnly(200);
  std::mt19937_64 rng(5);
  std::normal_distribution<double> e(0, 1);
  for (double& c : noiseOnly) c = e(rng);
  std::vector<double> t200(good.t.begin(), good.t.end());
  const std::vector<double> q200(200, 0.5);
  std::vector<double> t8(good.t.begin(), good.t.begin() + 8),
      c8(good.c.begin() + 40, good.c.begin() + 48);
  for (auto [t, c] : {std::pair{times, spike}, std::pair{t200, noiseOnly}, std::pair{t8, c8}}) {
    FlowPathFitInput in;
    in.times = t;
    in.concentrations = c;
    const std::vector<double> qs(t.size(), 0.5);
    in.discharges = qs;
    in.distance = 500;
    const FlowPathFitResult r = fitFlowPaths(in);
    EXPECT_TRUE(r.fitted() || !r.reason.empty());
    for (const PathModelFit& m : r.models) {
      EXPECT_TRUE(m.fitted || !m.reason.empty());
      if (m.fitted) {
        EXPECT_TRUE(allFinite(m));
      }
    }
  }
  // Values near the limits of a double.
  std::vector<double> huge = good.c, hugeTimes = good.t;
  for (double& c : huge) c *= 1e295;
  for (double& t : hugeTimes) t *= 1e300;
  for (auto [t, c] : {std::pair{good.t, huge}, std::pair{hugeTimes, good.c}}) {
    FlowPathFitInput in;
    in.times = t;
    in.concentrations = c;
    in.discharges = good.q;
    in.distance = 500;
    const FlowPathFitResult r = fitFlowPaths(in);
    EXPECT_TRUE(r.fitted() || !r.reason.empty());
    for (const PathModelFit& m : r.models)
      if (m.fitted) {
        EXPECT_TRUE(allFinite(m));
      }
  }
  // Requests and settings outside their range.
  FlowPathFitInput in = good.input(4);
  EXPECT_FALSE(fitFlowPaths(in).fitted());
  in = good.input(1);
  in.distance = 0;
  EXPECT_FALSE(fitFlowPaths(in).fitted());
  in = good.input(1);
  in.releaseDuration = -1;
  EXPECT_FALSE(fitFlowPaths(in).fitted());
}

TEST(FlowPathFit, WrongHintsDoNotSpoilTheFit) {
  const Synthetic s = curve({kOne}, 200, 400, 0, 0.01, 11);
  FlowPathFitInput in = s.input(1);
  const FlowPathFitResult plain = fitFlowPaths(in);
  in.meanTransitTime = 50 * s.L / kOne.velocity;
  in.momentDispersion = 1e3;
  in.chatwinDispersion = 1e-6;
  in.peakTime = 1;
  const FlowPathFitResult hinted = fitFlowPaths(in);
  ASSERT_TRUE(plain.fitted() && hinted.fitted());
  EXPECT_NEAR(hinted.best()->rss / plain.best()->rss, 1, 1e-6);
}

TEST(FlowPathFit, AgreesWithAnIndependentScipyFit) {
  // The model from SciPy's inverse Gaussian distribution and the fit by
  // scipy.optimize.curve_fit (tests/analysis/fit_check.py): the same
  // optimum, the same standard errors.
  const std::string script = std::string(KALDERO_TEST_DATA) + "/../fit_check.py";
  testing::ScratchDir dir;
  struct Case {
    std::vector<FlowPath> paths;
    double Td, noise;
  };
  for (const Case& k : {Case{{kOne}, 3600, 0.03}, Case{kTwo, 1800, 0.01}}) {
    const Synthetic s = curve(k.paths, 300, 400, k.Td, k.noise, 21);
    const Synthetic exact = curve(k.paths, 300, 400, k.Td);
    std::ostringstream text;
    text.precision(17);
    text << s.L << ' ' << s.Td << ' ' << k.paths.size() << '\n';
    for (const FlowPath& p : k.paths)
      text << p.velocity << ' ' << p.dispersion << ' ' << p.mass << '\n';
    for (std::size_t i = 0; i < s.t.size(); ++i)
      text << s.t[i] << ' ' << s.c[i] << ' ' << s.q[i] << ' ' << exact.c[i] << '\n';
    const std::string curveFile = dir.write("curve.txt", text.str());
    const std::string out = dir.path("scipy.txt");
    const int status = std::system(
        ("/usr/bin/python3 " + script + " " + curveFile + " > " + out + " 2>&1").c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 77 || code == 127) GTEST_SKIP() << "no /usr/bin/python3 with SciPy";
    ASSERT_EQ(code, 0) << dir.read("scipy.txt");

    std::istringstream lines(dir.read("scipy.txt"));
    std::string key;
    double modelDifference = 1, rss = 0;
    std::vector<std::array<double, 6>> scipy;
    while (lines >> key) {
      if (key == "model_difference") lines >> modelDifference;
      if (key == "rss") lines >> rss;
      if (key == "path") {
        std::array<double, 6> p{};
        for (double& x : p) lines >> x;
        scipy.push_back(p);
      }
    }
    EXPECT_LT(modelDifference, 1e-12);
    ASSERT_EQ(scipy.size(), k.paths.size()) << dir.read("scipy.txt");

    // Least squares with independent errors, as SciPy's curve_fit.
    FlowPathFitInput in = s.input(static_cast<int>(k.paths.size()));
    in.errors = ErrorModel::Independent;
    in.storage = StorageChoice::None;
    const FlowPathFitResult r = fitFlowPaths(in);
    ASSERT_TRUE(r.fitted()) << r.reason;
    const PathModelFit& f = *r.best();
    EXPECT_NEAR(f.rss / rss, 1, 1e-10);
    for (std::size_t j = 0; j < scipy.size(); ++j) {
      const FittedPath& p = f.paths[j];
      const Estimate* mine[3] = {&p.velocity, &p.dispersion, &p.mass};
      for (int m = 0; m < 3; ++m) {
        const double value = scipy[j][2 * m], se = scipy[j][2 * m + 1];
        EXPECT_NEAR(mine[m]->value, value, 1e-4 * se) << "path " << j << " parameter " << m;
        EXPECT_NEAR(mine[m]->standardError / se, 1, 1e-5) << "path " << j << " parameter " << m;
      }
    }
  }
}

}  // namespace
}  // namespace kaldero
