#include "files/fit_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace kaldero::files {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string joined(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

PathModelFit fitted(int paths, double aicc) {
  PathModelFit m;
  m.pathCount = paths;
  m.fitted = true;
  m.rmse = 1500;  // ng/L
  m.rSquared = 0.99;
  m.aicc = aicc;
  for (int j = 0; j < paths; ++j) {
    FittedPath p;
    p.velocity = {0.001 * (j + 1), 0, 0.0009 * (j + 1), 0.0011 * (j + 1)};
    p.mass = {2e9, 0, 1.9e9, 2.1e9};  // ug
    m.paths.push_back(p);
  }
  return m;
}

TEST(FitFile, MarksTheChosenFitAndShowsUnitsOfTheReader) {
  FlowPathFitResult fit;
  fit.models = {fitted(1, 100), fitted(2, 80)};
  fit.chosen = 1;
  FitFileHeading h;
  h.stationFile = "GDS.DAT";
  h.distance = 770;
  h.recoveredMass = 3.9e7;  // ug
  h.momentDispersion = 0.154;
  const std::string text = joined(fitFileLines(h, fit));
  EXPECT_THAT(text, HasSubstr(" FLOW-PATH FIT OF GDS.DAT"));
  EXPECT_THAT(text, HasSubstr("   2      1.5           0.99          80   <- chosen"));
  EXPECT_THAT(text, HasSubstr(" 2 paths (chosen):"));
  EXPECT_THAT(text, HasSubstr(" 1 path:"));  // the other fit is listed too
  // Masses in kg with their interval; RMSE in ug/L.
  EXPECT_THAT(text, HasSubstr("mass                          kg      2             [1.9, 2.1]"));
  EXPECT_THAT(text, HasSubstr("Recovered mass                0.039 kg"));
  EXPECT_THAT(text, HasSubstr("method of moments             0.154"));
  EXPECT_THAT(text, HasSubstr("Chatwin method                none"));
}

TEST(FitFile, WithoutAFitGivesTheReasonOfEveryNumberOfPaths) {
  FlowPathFitResult fit;
  PathModelFit one, two;
  one.pathCount = 1;
  one.reason = "the fit does not settle";
  two.pathCount = 2;
  two.reason = "a path is not resolved by the data";
  fit.models = {one, two};
  fit.reason = "no number of flow paths could be fitted; 1: ...; 2: ...";
  const std::string text = joined(fitFileLines({}, fit));
  EXPECT_THAT(text, HasSubstr(" NO FIT: no number of flow paths could be fitted\n"));
  EXPECT_THAT(text, HasSubstr("   1      no fit: the fit does not settle"));
  EXPECT_THAT(text, HasSubstr("   2      no fit: a path is not resolved by the data"));
  EXPECT_THAT(text, Not(HasSubstr("<- chosen")));

  FlowPathFitResult flat;
  flat.reason = "the curve is flat";
  EXPECT_THAT(joined(fitFileLines({}, flat)), HasSubstr(" NO FIT: the curve is flat\n"));
}

}  // namespace
}  // namespace kaldero::files
