// The flow-path fit on a real curve: the Furfooz spring at 150 m
// (tests/data/furfooz), one path with a storage zone against the published
// transport model of that karst reach, and the automatic choice.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "files/fit_file.h"

namespace kaldero {
namespace {

struct FieldCurve {
  std::vector<double> t, c, q;
};

// Times in s, rhodamine in ng/L with the background of 0.15 ug/L removed
// (negative values kept), the constant discharge 0.0057 m3/s.
FieldCurve furfooz150() {
  std::ifstream in(std::string(KALDERO_SOURCE_DIR) + "/tests/data/furfooz/Tracage3_TQF.txt");
  FieldCurve f;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream row(line);
    double hours = 0, uranine = 0, rhodamine = 0;
    if (!(row >> hours >> uranine >> rhodamine)) continue;
    f.t.push_back(hours * 3600);
    f.c.push_back((rhodamine - 0.15) * 1000);
    f.q.push_back(0.0057);
  }
  return f;
}

FlowPathFitInput input(const FieldCurve& f) {
  FlowPathFitInput in;
  in.times = f.t;
  in.concentrations = f.c;
  in.discharges = f.q;
  in.distance = 150;
  in.releaseDuration = 360;
  in.recoveredMass = 6.985e7;  // ug, the program's recovered mass of this curve
  return in;
}

void print(const char* what, const PathModelFit& m) {
  std::printf("%s: %s, R2 %.5f, RMSE %.4g ug/L, AICc %.1f, lag-1 %.3f, n_eff %.0f, DW %.3f\n",
              what, m.label().c_str(), m.rSquared, m.rmse * 1e-3, m.aicc, m.errors.lag1.value,
              m.errors.effectiveSamples, m.errors.durbinWatson);
  for (const FittedPath& p : m.paths) {
    std::printf("  v %.4g [%.4g, %.4g] m/s  D %.4g [%.4g, %.4g] m2/s  share %.3f", p.velocity.value,
                p.velocity.lower, p.velocity.upper, p.dispersion.value, p.dispersion.lower,
                p.dispersion.upper, p.massFraction.value);
    if (p.storage)
      std::printf("  beta %.4g [%.4g, %.4g]  alpha %.4g [%.4g, %.4g] 1/s", p.storageRatio.value,
                  p.storageRatio.lower, p.storageRatio.upper, p.exchangeRate.value,
                  p.exchangeRate.lower, p.exchangeRate.upper);
    std::printf("\n");
  }
  std::printf("  total mass %.4g kg [%.4g, %.4g]\n", m.totalMass.value * 1e-9,
              m.totalMass.lower * 1e-9, m.totalMass.upper * 1e-9);
}

TEST(FlowPathFieldFit, OneStoragePathAtFurfoozMatchesThePublishedModel) {
  const FieldCurve f = furfooz150();
  ASSERT_EQ(f.t.size(), 1372u);
  for (ErrorModel errors : {ErrorModel::Ar1, ErrorModel::Independent}) {
    FlowPathFitInput in = input(f);
    in.paths = 1;
    in.storage = StorageChoice::Forced;
    in.errors = errors;
    const FlowPathFitResult r = fitFlowPaths(in);
    ASSERT_TRUE(r.fitted()) << r.reason;
    const PathModelFit& m = *r.best();
    print(errors == ErrorModel::Ar1 ? "Furfooz 150 m, AR(1) errors"
                                    : "Furfooz 150 m, independent errors",
          m);
    ASSERT_EQ(m.pathCount, 1);
    ASSERT_TRUE(m.storage());
    const FittedPath& p = m.paths[0];
    // Published: v 0.0171 m/s, D 0.009-0.011 m2/s, beta 0.19, alpha 7.0e-4 1/s.
    EXPECT_NEAR(p.velocity.value / 0.0171, 1, 0.15);
    EXPECT_GT(p.exchangeRate.value, 7.0e-4 / 2);
    EXPECT_LT(p.exchangeRate.value, 7.0e-4 * 2);
    EXPECT_GE(p.storageRatio.value, 0.10);
    EXPECT_LE(p.storageRatio.value, 0.30);
    EXPECT_GT(p.dispersion.value, 0.005);
    EXPECT_LT(p.dispersion.value, 0.015);
    EXPECT_EQ(m.samples, 1372);
    // The logger's residuals are strongly correlated; the AR(1) model says so.
    if (errors == ErrorModel::Ar1) {
      EXPECT_GT(m.errors.lag1.value, 0.9);
      EXPECT_LT(m.errors.effectiveSamples, 0.1 * m.samples);
    }
  }
}

TEST(FlowPathFieldFit, AutomaticChoiceAtFurfoozSaysWhetherItStoppedAtTheCap) {
  const FieldCurve f = furfooz150();
  const FlowPathFitResult r = fitFlowPaths(input(f));
  ASSERT_TRUE(r.fitted()) << r.reason;
  for (const PathModelFit& m : r.models) {
    if (m.fitted)
      std::printf("  %-3s R2 %.5f RMSE %.4g ug/L AICc %.1f%s\n", m.label().c_str(), m.rSquared,
                  m.rmse * 1e-3, m.aicc, &m == r.best() ? "  <- chosen" : "");
    else
      std::printf("  %-3s no fit: %s\n", m.label().c_str(), m.reason.c_str());
  }
  print("Furfooz 150 m, automatic", *r.best());
  std::printf("  still improving at the largest model: %s\n",
              r.stillImprovingAtLargest ? "yes" : "no");
  EXPECT_EQ(r.stillImprovingAtLargest, r.best()->pathCount == kMaxPaths);
  EXPECT_EQ(r.samplesFitted, 1372);
  // The fit file says so.
  files::FitFileHeading h;
  h.stationFile = "TQF.DAT";
  h.distance = 150;
  h.releaseDuration = 360;
  h.recoveredMass = 6.985e7;
  std::string text;
  for (const std::string& line : files::fitFileLines(h, r)) text += line + "\n";
  if (std::getenv("KALDERO_SHOW_FIT")) std::printf("%s", text.c_str());
  EXPECT_EQ(text.find("still improves") != std::string::npos, r.stillImprovingAtLargest);
  EXPECT_NE(text.find("Samples fitted                1372"), std::string::npos);
}

}  // namespace
}  // namespace kaldero
