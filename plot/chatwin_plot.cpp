#include "plot/chatwin_plot.h"

#include <cpgplot.h>

#include <cmath>

#include "core/format.h"
#include "core/text.h"
#include "plot/axis_labels.h"
#include "plot/plot_draw.h"

namespace kaldero::plot {

void drawChatwinPlot(PlotContext& ctx, int32_t n, std::span<const float> T,
                     std::span<const float> F, std::span<const float> P,
                     const ChatwinTexts& texts, int32_t phase, [[maybe_unused]] int32_t firstPlot,
                     int32_t& screenSwitch, int32_t psSwitch) {
  if (n < 1) return;
  PlotState& st = ctx.state;
  timeLabel(ctx.test.timeUnit, st.chatwinTimeLabel);
  const std::string vertical = text::padded(
      "[\\fit \\fnln \\fi(A\\dp\\u /C\\(2255)t\\b\\u\\(2376)\\d)]\\fn\\u1/2\\d (s\\u1/2\\d)", 71);
  const bool ps = psSwitch > 1;
  if (ps) {
    if (!st.devices.openPostScript(ctx.gate)) return;
    if (screenSwitch == 0) screenSwitch = 1;
  } else if (screenSwitch == 1) {
    if (!st.devices.selectScreen(chatwinWindow(phase))) return;
  } else {
    int id = 0;
    cpgqid(&id);
    if (id <= 0) return;
  }

  cpgpage();
  cpgvstd();
  cpgsls(1);
  const Range x = plotRange(T[0], T[n - 1]);
  Range y = plotRange(P[n - 1], P[0]);
  y.lo *= 2.0f;
  y.hi *= 2.0f;
  if (y.hi > std::fabs(y.lo)) y.hi = std::fabs(y.lo);
  y = usable(y);
  const float xcap = 0.75f * x.hi + 0.25f * x.lo;
  // The window starts at the first time, not at the range's left end.
  const Range window = usable(Range{T[0], x.hi});
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(window.lo, window.hi, y.lo, y.hi);
  cpgbbuf();
  cpgsci(7);
  cpgslw(4);
  cpgbox("BCNST", 0.0f, 0, "ABCNST", 0.0f, 0);
  cpgsci(1);
  cpgslw(3);
  sideText("T", 3.0f, 0.5f, 0.5f, phase == 0 ? ctx.stationFile : ctx.test.interpolatedName);
  sideText("B", 3.2f, 0.5f, 0.5f, st.chatwinTimeLabel);
  sideText("L", 3.0f, 0.5f, 0.5f, vertical);

  // The lines are drawn inside the frame only: the fitted line runs on far
  // below the axis, and the zero line starts left of it.
  const ClipFrame frame{window.lo, window.hi, y.lo, y.hi};
  // The fitted line leaves out the last quarter of the points.
  cpgslw(2);
  cpgsci(2);
  cpgsls(1);
  const int32_t lineN = n - n / 4;
  if (lineN >= 2) clippedLine(lineN, T.data(), F.data(), frame);
  cpgsci(5);
  cpgsch(2.5f);
  markers(n, T.data(), P.data(), 20);
  cpgslw(1);
  cpgsci(8);
  cpgsls(2);
  const float zeroX[2] = {x.lo, x.hi}, zeroY[2] = {0.0f, 0.0f};
  clippedLine(2, zeroX, zeroY, frame);

  const float xmid = (x.hi + x.lo) * 0.5f;
  const float yeq = y.hi > 2.0f * P[0] ? 2.0f * P[0] : 1.5f * P[0];
  cpgsch(0.9f);
  cpgsci(1);
  cpgsls(1);
  cpgstbg(0);
  TextBox b = drawText(xmid, yeq, "Y = ");
  b = drawText(b.right, yeq, visible(texts.a));
  drawText(b.right, yeq, " +  ");
  b = textBox(b.right, yeq, " + ");
  b = drawText(b.right, yeq, visible(texts.b));
  drawText(b.right, yeq, " X");

  const float xt = T[0] + 0.25f * (T[n - 1] - xmid);
  float yline = y.lo / 1.5f;
  b = drawText(xt, yline, "R\\u2\\d =");
  drawText(b.right, yline, visible(texts.r2));
  yline = b.bottom - 1.5f * b.height();
  b = drawText(xt, yline, "r =");
  drawText(b.right, yline, visible(texts.r));
  yline = b.bottom - 2.5f * b.height();
  b = drawText(xt, yline, "z =");
  drawText(b.right, yline, visible(texts.z));
  yline = b.bottom - 2.5f * b.height();
  b = drawText(xt, yline, "PROB =");
  drawText(b.right, yline, visible(texts.prob));
  cpgsci(3);
  drawText(xcap, yline, "Chatwin Parameter");

  cpgebuf();
  if (ps) st.devices.closePostScript();
}

void chatwinPlots(PlotContext& ctx, int32_t n, std::span<const float> T,
                  std::span<const float> F, std::span<const float> P, const ChatwinTexts& texts,
                  int32_t phase, int32_t firstPlot, Option& screenPlot, Option& postscript) {
  // The switches count the passes: the PostScript switch raised to 2 makes
  // the PostScript pass.
  int32_t screen = code(screenPlot);
  int32_t postScript = code(postscript);
  if (screen == 1) drawChatwinPlot(ctx, n, T, F, P, texts, phase, firstPlot, screen, postScript);
  ++postScript;
  if (postScript == 2)
    filePasses(ctx, ctx.stationFile, 85, kSuffixChatwin, [&] {
      drawChatwinPlot(ctx, n, T, F, P, texts, phase, firstPlot, screen, postScript);
    });
  screenPlot = Option::Off;
  postscript = Option::Off;
}

ChatwinTexts chatwinTexts(const ChatwinResults& fit) {
  auto text35 = [](const std::string& s) { return text::padded(s, 35); };
  return {text35(fmt::G(fit.r2, 10, 4)),
          text35(fmt::G(fit.r, 10, 4)),
          text35(fmt::G(fit.probability, 10, 4)),
          text35(fmt::G(fit.z, 10, 4)),
          text35(fmt::G(fit.intercept, 14, 6)),
          text35(fmt::G(fit.slope, 14, 6))};
}

bool closesAfterChatwin(const TestDescription& t, Option knotOption, Option screenPlot) {
  const PlotSwitches& d = t.dataPlot;
  if (d.onScreen() || on(screenPlot)) return t.echo();
  return on(knotOption) && t.interpolatedPlot.onScreen() &&
         !(screenPlot != Option::Off && d.points != Option::Off && d.curve != Option::Off);
}

}  // namespace kaldero::plot
