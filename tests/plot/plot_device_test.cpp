// The list of plot formats of --plots: each name once, in the order first
// given; a list with a name missing or unknown is refused.
#include "plot/plot_device.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero::plot {
namespace {

using F = PlotFormat;

TEST(PlotFormatList, NamesInTheOrderFirstGivenEachOnce) {
  EXPECT_EQ(parseFormatList("ps"), (std::vector<F>{F::PostScript}));
  EXPECT_EQ(parseFormatList("png,ps,svg,pdf"), (std::vector<F>{F::Png, F::PostScript, F::Svg, F::Pdf}));
  EXPECT_EQ(parseFormatList("svg,png,svg,svg"), (std::vector<F>{F::Svg, F::Png}));
}

TEST(PlotFormatList, AMissingOrUnknownNameRefusesTheList) {
  for (const char* bad : {"", ",", "ps,", ",ps", "ps,,png", "PS", "jpg", "ps png", " ps"})
    EXPECT_FALSE(parseFormatList(bad).has_value()) << '"' << bad << '"';
}

}  // namespace
}  // namespace kaldero::plot
