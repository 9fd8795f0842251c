#include "plot/axis_labels.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"

namespace kaldero::plot {
namespace {

TEST(AxisLabels, ByUnitPaddedAndKeptForAnUnknownCode) {
  std::string label(50, ' ');
  timeLabel(TimeUnit::Hours, label);
  EXPECT_EQ(label, "Time from Injection (h)" + std::string(27, ' '));
  timeLabel(TimeUnit{7}, label);  // unknown code: unchanged
  EXPECT_EQ(label.substr(0, 23), "Time from Injection (h)");
  concentrationLabel(ConcentrationUnit::MicrogramsPerLitre, label);
  EXPECT_EQ(text::trimmed(label), "Concentration (\\gmg L\\u-1\\d)");
  dischargeLabel(DischargeUnit::CubicFeetPerMinute, label);
  EXPECT_EQ(text::trimmed(label), "Discharge (ft^3 min\\u-1\\d)");
  timeLabelLong(TimeUnit::Minutes, label);
  EXPECT_EQ(text::trimmed(label), "Time from Injection (minutes)");
  // A short label grows to 35 characters.
  std::string shortLabel = "x";
  timeLabel(TimeUnit::Days, shortLabel);
  EXPECT_EQ(shortLabel.size(), 35u);
}

}  // namespace
}  // namespace kaldero::plot
