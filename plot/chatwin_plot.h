// The Chatwin plot: the Chatwin parameter of the listed samples against
// time, the fitted straight line, a dashed zero line and the fitted
// equation with its statistics.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/results.h"
#include "model/test_description.h"
#include "plot/plot_conventions.h"

namespace kaldero::plot {

// The statistic texts of the fit (35 characters each): r^2, r, PROB and z
// in general format 10 wide with 4 digits, the intercept a and the slope b
// 14 wide with 6 digits.
struct ChatwinTexts {
  std::string r2, r, prob, z, a, b;
};
ChatwinTexts chatwinTexts(const ChatwinResults& fit);

// One pass. n points: times T (station's time unit), fitted values F and
// Chatwin parameters P. psSwitch above 1 makes it the PostScript pass (its
// file is left for keepPostScript), and a screenSwitch of 0 then becomes 1.
// Otherwise, with screenSwitch 1, the Chatwin window of the phase is drawn;
// with any other value the plot goes to the current device, if one is open.
void drawChatwinPlot(PlotContext& ctx, int32_t n, std::span<const float> T,
                     std::span<const float> F, std::span<const float> P,
                     const ChatwinTexts& texts, int32_t phase, int32_t firstPlot,
                     int32_t& screenSwitch, int32_t psSwitch);

// The plots of the Chatwin method: the screen plot when the screen-plot
// switch (third Chatwin-plot switch) is on, then the PostScript plot named
// from the station data file with "_CHT.PS" when the PostScript switch
// (fourth) is on; both switches are off afterwards.
void chatwinPlots(PlotContext& ctx, int32_t n, std::span<const float> T,
                  std::span<const float> F, std::span<const float> P, const ChatwinTexts& texts,
                  int32_t phase, int32_t firstPlot, Option& screenPlot, Option& postscript);

// Whether the graphics window is closed after the Chatwin step: when a data
// plot or the Chatwin plot was on the screen and the results are echoed
// there, or when only the interpolated plot was on the screen (unless the
// Chatwin plot and both data-plot kinds were asked for). knotOption as the
// knot decision left it, screenPlot the Chatwin screen switch as the
// Chatwin plots left it.
bool closesAfterChatwin(const TestDescription& test, Option knotOption, Option screenPlot);

}  // namespace kaldero::plot
