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
  EXPECT_THAT(text, HasSubstr("   2      1.5           0.99          80            0       <- chosen"));
  EXPECT_THAT(text, HasSubstr(" 2 paths (chosen):"));
  EXPECT_THAT(text, HasSubstr(" 1 path:"));  // the other fit is listed too
  // The criterion's unit is said; without a cap reached, no note.
  EXPECT_THAT(text, HasSubstr("AICc from the residuals in ug/L"));
  EXPECT_THAT(text, Not(HasSubstr("still improves")));
  // Masses in kg with their interval; RMSE in ug/L.
  EXPECT_THAT(text, HasSubstr("mass                          kg      2             [1.9, 2.1]"));
  EXPECT_THAT(text, HasSubstr("Recovered mass                0.039 kg"));
  EXPECT_THAT(text, HasSubstr("method of moments             0.154"));
  EXPECT_THAT(text, HasSubstr("Chatwin method                none"));
}

// A reach's file says what it was fitted from: the upstream station's flux
// and the mass that passed it, with no moment or Chatwin line to compare.
TEST(FitFile, AReachNamesItsUpstreamFluxAndHasNoStationComparison) {
  FlowPathFitResult fit;
  fit.models = {fitted(2, 80)};
  fit.chosen = 0;
  FitFileHeading h;
  h.stationFile = "GDS.DAT";
  h.upstreamFile = "TQF.DAT";
  h.upstreamReads = 1372;
  h.distance = 620;
  h.recoveredMass = 7e7;  // ug
  const std::string text = joined(fitFileLines(h, fit));
  EXPECT_THAT(text, HasSubstr(" REACH FIT FROM TQF.DAT TO GDS.DAT\n"));
  EXPECT_THAT(text, HasSubstr("Reach length                  620 m"));
  EXPECT_THAT(text, HasSubstr("Input                         the measured flux of TQF.DAT (1372 reads)"));
  EXPECT_THAT(text, HasSubstr("Mass passing upstream         0.07 kg"));
  EXPECT_THAT(text, HasSubstr("fraction of the upstream mass"));
  EXPECT_THAT(text, Not(HasSubstr("FLOW-PATH FIT OF")));
  EXPECT_THAT(text, Not(HasSubstr("Release ")));
  EXPECT_THAT(text, Not(HasSubstr("method of moments")));
  EXPECT_THAT(text, Not(HasSubstr("Recovered mass")));
  EXPECT_THAT(text, HasSubstr("Upstream errors               none known: the upstream flux is "
                              "taken as exact"));
  // The upstream station's errors, as its fit gave them, in the intervals.
  fit.inputErrors = {500, 0, 900};  // ng/L, -, s
  EXPECT_THAT(joined(fitFileLines(h, fit)),
              HasSubstr("Upstream errors               sd 0.5 ug/L, AR(1) correlation time 15 "
                        "min (its own fit's\n"));
  fit.inputErrors = {500, 0.03, 0};
  EXPECT_THAT(joined(fitFileLines(h, fit)),
              HasSubstr("sd sqrt(0.5^2 + (0.03 c)^2) ug/L, independent"));
  EXPECT_THAT(joined(fitFileLines(h, fit)), Not(HasSubstr("bypass")));
  // A bypass: the model's label, the legend, and its own block.
  PathModelFit withBypass = fitted(2, 70);
  withBypass.bypass = true;
  withBypass.pathCount = 1;
  withBypass.paths[1].bypass = true;
  fit.models = {fitted(1, 80), withBypass};
  fit.chosen = 1;
  const std::string bypass = joined(fitFileLines(h, fit));
  EXPECT_THAT(bypass, HasSubstr("   1+bypass"));
  EXPECT_THAT(bypass, HasSubstr("each also with a bypass"));
  EXPECT_THAT(bypass, HasSubstr("+bypass: with a\n bypass from the release"));
  EXPECT_THAT(bypass, HasSubstr("   Bypass: from the release, not passing the upstream station\n"));
  EXPECT_THAT(bypass, HasSubstr("fraction of the mass fitted"));
}

TEST(FitFile, StorageZoneErrorModelBootstrapAndTheCap) {
  PathModelFit m = fitted(3, 50);
  m.zones = ZoneLayout::Shared;
  m.zoned = {true, true, true};
  m.samples = 1372;
  for (FittedPath& p : m.paths) {
    p.storage = true;
    p.storageRatio = {0.21, 0.002, 0.204, 0.212};
    p.exchangeRate = {0.0023, 0, 0.0022, 0.0024};
    p.velocity.bootstrapped = true;
    p.velocity.bootstrapLower = 0.0008;
    p.velocity.bootstrapUpper = 0.0012;
  }
  m.totalMass = {6.9e7, 0, 6.8e7, 7.0e7};
  m.errors.model = ErrorModel::Ar1;
  m.errors.lag1 = {0.86, 0.01, 0.84, 0.89};
  m.errors.medianSpacing = 120;
  m.errors.correlationTime = 818;
  m.errors.effectiveSamples = 101;
  m.errors.durbinWatson = 0.29;
  m.errors.residualLag1 = 0.86;
  m.errors.whitenedLag1 = 0.35;
  m.bootstrap = {400, 3, 0.86, 7};
  FlowPathFitResult fit;
  fit.models = {fitted(1, 100), m};
  fit.chosen = 1;
  fit.stillImprovingAtLargest = true;
  fit.samplesFitted = 1372;
  fit.sampleSource = SampleSource::Knots;
  FitFileHeading h;
  h.stationFile = "TQF.DAT";
  h.recoveredMass = 6.985e7;
  h.samples = 2743;  // what the driver passed before: the fit's own count wins
  const std::string text = joined(fitFileLines(h, fit));
  EXPECT_THAT(text, HasSubstr("Samples fitted                1372\n"));
  EXPECT_THAT(text, HasSubstr("interpolated onto knots"));
  EXPECT_THAT(text, HasSubstr("   3s     1.5"));
  EXPECT_THAT(text, HasSubstr(" 3 paths sharing a storage zone (chosen):"));
  EXPECT_THAT(text, HasSubstr("   Storage zone (shared by the paths)"));
  EXPECT_THAT(text, HasSubstr("   capacity ratio                        0.21          [0.204, 0.212]"));
  EXPECT_THAT(text, HasSubstr("   exchange rate                 1/s     0.0023        [0.0022, 0.0024]"));
  EXPECT_THAT(text, HasSubstr("   Fitted total mass             kg      0.069         [0.068, 0.07]"));
  EXPECT_THAT(text, HasSubstr("   Recovered mass                kg      0.06985"));
  EXPECT_THAT(text, HasSubstr("bootstrap [0.0008, 0.0012]"));
  EXPECT_THAT(text, HasSubstr("   AR(1) coefficient                     0.86          [0.84, 0.89]   at 2 min"));
  EXPECT_THAT(text, HasSubstr("   effective samples                     101 of 1372"));
  EXPECT_THAT(text, HasSubstr("   Durbin-Watson statistic               0.29"));
  EXPECT_THAT(text, HasSubstr("400 sieve resamples of the AR(1) innovations (lag-1 0.86), seed 7, 3 refits left out"));
  EXPECT_THAT(text, HasSubstr(" NOTE: the criterion still improves at the largest model tried (3 paths)"));
  EXPECT_THAT(text, HasSubstr("rather than separate\n routes"));
}

TEST(FitFile, ZonesOfTheirOwnDecayAndAModelTheDataDoNotResolve) {
  // Two paths, a zone on the slower alone, decay, errors growing with the
  // signal; the one model fitted is not resolved and is shown flagged.
  PathModelFit m = fitted(2, 50);
  m.zones = ZoneLayout::PerPath;
  m.zoned = {true, false};
  m.paths[0].storage = true;
  m.paths[0].storageRatio = {0.5, 0.05, 0.41, 0.61};
  m.paths[0].exchangeRate = {1e-5, 1e-6, 8e-6, 1.2e-5};
  m.decay = true;
  m.decayRate = {2e-6, 1e-7, 1.8e-6, 2.2e-6};
  m.resolved = false;
  m.caution = "the dispersion coefficient of path 2 has a relative standard error of 0.6";
  m.errors.model = ErrorModel::Ar1Relative;
  m.errors.offsetError = 20;
  m.errors.relativeError = 0.04;
  FlowPathFitResult fit;
  fit.models = {m};
  fit.chosen = 0;
  fit.chosenUnresolved = true;
  fit.pathsAsked = 2;
  fit.storage = StorageChoice::PerPath;
  fit.decay = true;
  const std::string text = joined(fitFileLines({}, fit));
  EXPECT_THAT(text, HasSubstr("   2p:1+decay"));
  EXPECT_THAT(text, HasSubstr("<- chosen (not resolved)"));
  EXPECT_THAT(text, HasSubstr("2 paths, a storage zone of its own on each choice of paths, with "
                              "decay; the smallest AICc chosen"));
  EXPECT_THAT(text, HasSubstr(" NOTE: no model tried is resolved by the data"));
  EXPECT_THAT(text, HasSubstr(" 2 paths, a storage zone of its own on path 1, with decay (chosen)"));
  EXPECT_THAT(text, HasSubstr("   NOT RESOLVED: the dispersion coefficient of path 2 has a"));
  EXPECT_THAT(text, HasSubstr("   Path 1, with a storage zone of its own\n"));
  EXPECT_THAT(text, HasSubstr("   Path 2, without a storage zone\n"));
  EXPECT_THAT(text, HasSubstr("   capacity ratio                        0.5           [0.41, 0.61]"));
  EXPECT_THAT(text, HasSubstr("   Decay rate                    1/s     2e-06         [1.8e-06, 2.2e-06]"));
  EXPECT_THAT(text, HasSubstr("   offset error a                ug/L    0.02"));
  EXPECT_THAT(text, HasSubstr("   relative error b                      0.04"));
  EXPECT_THAT(text, Not(HasSubstr("shared by the paths")));
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
