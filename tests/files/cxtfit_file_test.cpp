#include "files/cxtfit_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/finite_check.h"
#include "core/text.h"

namespace kaldero::cxtfit {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A conduit 1800 m long with a peak after 8 h, 1.25 kg injected at once.
Inputs conduit() {
  Inputs in;
  in.distance = 1800.0f;
  in.peakTime = 28800.0f;
  in.volume = 18500.0f;
  in.dispersion = 5.0f;
  in.meanVelocity = 0.05f;
  in.injectedMass = 1.25e6f;
  in.recoveredMass = 1.02e9f;
  in.releaseMode = ReleaseMode::Instantaneous;
  in.dischargeMode = DischargeMode::Measured;
  in.constantDischarge = 0.5f;
  in.meanDischarge = 0.5f;
  in.geometry = FlowForm::Conduit;
  in.settings = {1, 0};
  return in;
}

// The names of the file's title: the station data file and the
// interpolated-data file, the knot option as the knot decision left it.
Heading heading(const Inputs& in, Option knotOption = Option::Off,
                const std::string& stationFile = text::padded("ST.DAT")) {
  return Heading{knotOption, stationFile, text::padded("ST.INT"), in.releaseMode};
}

// The lines of the file before its data.
std::vector<std::string> headLines(const Inputs& in, const Heading& h) {
  std::vector<std::string> lines = fileLines(h, parameters(in, {}, {}));
  lines.pop_back();  // the closing line
  return lines;
}
std::vector<std::string> headLines(const Inputs& in) { return headLines(in, heading(in)); }

// The data lines of n samples at t = i hours with C = i mg/m3, without the
// closing line.
std::vector<std::string> dataOf(int32_t n) {
  std::vector<float> T, C;
  for (int32_t i = 1; i <= n; ++i) {
    T.push_back(3600.0f * static_cast<float>(i));
    C.push_back(1000.0f * static_cast<float>(i));
  }
  const Inputs in = conduit();
  std::vector<std::string> lines = fileLines(heading(in), parameters(in, T, C));
  EXPECT_EQ(lines.back(), "        0                    0");
  lines.pop_back();
  // The data follow the head.
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(headLines(in).size()));
  return lines;
}

TEST(CxtfitStride, AllSamplesUpTo405ThenEveryAth) {
  EXPECT_EQ(dataStride(1), 1);
  EXPECT_EQ(dataStride(405), 1);
  EXPECT_EQ(dataStride(406), 2);   // 406 / 1 > 405
  EXPECT_EQ(dataStride(810), 2);
  EXPECT_EQ(dataStride(811), 2);   // 811 / 2 = 405
  EXPECT_EQ(dataStride(812), 3);
  EXPECT_EQ(dataStride(1000), 3);  // 1000 / 2 = 500, 1000 / 3 = 333
  EXPECT_EQ(dataStride(2743), 7);  // 2743 / 6 = 457, 2743 / 7 = 391

  EXPECT_EQ(dataOf(405).size(), 405u);
  const auto l406 = dataOf(406);
  ASSERT_EQ(l406.size(), 203u);
  EXPECT_EQ(l406[1], "     3.000000000         3.000000000    ");  // sample 3
  EXPECT_EQ(l406.back().substr(0, 20), "     405.0000000    ");
  const auto l1000 = dataOf(1000);
  ASSERT_EQ(l1000.size(), 334u);
  EXPECT_EQ(l1000.back().substr(0, 20), "     1000.000000    ");  // sample 1 + 333 * 3
}

TEST(CxtfitInputValue, ByReleaseModeDischargeModeAndSettings) {
  Inputs in = conduit();
  // Instantaneous, measured discharge: M / (V / L) / (L / tp in h).
  EXPECT_FLOAT_EQ(inputValue(in), 1.25e6f / (18500.0f / 1800.0f) / 225.0f);
  in.settings = {0, 1};  // the recovered mass, in mg
  EXPECT_FLOAT_EQ(inputValue(in), 1.02e6f / (18500.0f / 1800.0f) / 225.0f);
  in.dischargeMode = DischargeMode::Constant;
  EXPECT_FLOAT_EQ(inputValue(in), 1.02e6f / (0.5f * 3600.0f));
  in.dischargeMode = DischargeMode{3};
  EXPECT_EQ(inputValue(in), 0.0f);

  // A pulse of 2 h: the mass over the volume of water in which it was
  // released, with the mean of the discharges when they were measured.
  in = conduit();
  in.releaseMode = ReleaseMode::Pulse;
  in.releaseDuration = 2.0f;
  in.meanDischarge = 0.25f;
  EXPECT_FLOAT_EQ(inputValue(in), 1.25e6f / (0.25f * 3600.0f * 2.0f));
  in.dischargeMode = DischargeMode::Constant;
  EXPECT_FLOAT_EQ(inputValue(in), 1.25e6f / (0.5f * 3600.0f * 2.0f));
  in.releaseMode = ReleaseMode{4};  // another mode follows the same rule
  in.settings = {0, 1};
  EXPECT_FLOAT_EQ(inputValue(in), 1.02e6f / (0.5f * 3600.0f * 2.0f));
  in.settings = {2, 0};  // no setting rule applies
  EXPECT_EQ(inputValue(in), 0.0f);
}

TEST(CxtfitHead, SizeLineForConduitsAndFracturesOnly) {
  Inputs in = conduit();
  // L / tp, L, 0.5 sqrt(V / (pi L)) = 0.904367, v
  EXPECT_EQ(headLines(in).front(), "    1  0.62500E-01   1800.0      0.90437      0.50000E-01");
  in.geometry = FlowForm::Fractures;
  in.conductivity = 0.01f;  // fissure height: 0.5 sqrt(V / (L K)) = 16.029
  EXPECT_EQ(headLines(in).front().substr(31, 13), "   16.029    ");
  in.conductivity = 0;  // 0.5 sqrt(V / L) = 1.6029
  EXPECT_EQ(headLines(in).front().substr(31, 13), "   1.6029    ");
  for (FlowForm form : {FlowForm::ConduitZone, FlowForm::PorousZone}) {
    in.geometry = form;
    EXPECT_THAT(headLines(in).front(), HasSubstr("*** BLOCK A"));
  }
}

TEST(CxtfitHead, TitleNamesTheCurveAnalysed) {
  Inputs in = conduit();
  EXPECT_EQ(headLines(in)[2], "CXTFIT MODEL ANALYSIS OF ST.DAT              ");
  EXPECT_EQ(headLines(in, heading(in, Option::On))[2],
            "CXTFIT MODEL ANALYSIS OF ST.INT              ");
  EXPECT_EQ(headLines(in, heading(in, Option{2}))[2], "(UNITS = m, hr, mg)");
  // The name is cut to 20 characters.
  EXPECT_EQ(headLines(in, heading(in, Option::Off, text::padded("A_VERY_LONG_STATION_NAME.DAT")))[2],
            "CXTFIT MODEL ANALYSIS OF A_VERY_LONG_STATION_");
}

TEST(CxtfitHead, BoundaryCodeByReleaseMode) {
  Inputs in = conduit();
  auto codeLine = [&](ReleaseMode mode) {
    in.releaseMode = mode;
    const auto lines = headLines(in);
    const auto d = std::find_if(lines.begin(), lines.end(),
                                [](const std::string& l) { return l.find("MODB (") == 2; });
    return *(d + 1);
  };
  EXPECT_EQ(codeLine(ReleaseMode::Instantaneous), "    1");
  EXPECT_EQ(codeLine(ReleaseMode::Pulse), "    3");
  EXPECT_EQ(codeLine(ReleaseMode::Step), "    2");
  EXPECT_EQ(codeLine(ReleaseMode{4}), "    0.0000     1.0");  // straight to the input value
}

// Degenerate values (no peak time, no distance, a negative volume) give
// zeros, not NaN or infinities.
TEST(CxtfitHead, DegenerateValuesGiveNumbers) {
  for (auto change : {+[](Inputs& in) { in.peakTime = 0; }, +[](Inputs& in) { in.distance = 0; },
                      +[](Inputs& in) { in.volume = -5.0f; },
                      +[](Inputs& in) {
                        in.meanDischarge = 0;
                        in.releaseMode = ReleaseMode::Pulse;
                      }}) {
    Inputs in = conduit();
    change(in);
    for (const auto& l : headLines(in)) {
      EXPECT_THAT(l, Not(HasSubstr("NaN"))) << l;
      EXPECT_THAT(l, Not(HasSubstr("Inf"))) << l;
    }
    // Nor does the finite check of the values find one.
    EXPECT_FALSE(nonFinite(parameters(in, {}, {})).has_value());
  }
}

}  // namespace
}  // namespace kaldero::cxtfit
