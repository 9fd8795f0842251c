#include "plot/data_plot.h"

#include <cpgplot.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/format.h"
#include "input/station_file.h"
#include "plot/axis_labels.h"
#include "plot/data_listing.h"
#include "plot/plot_draw.h"

namespace kaldero::plot {

namespace {

const PlotSwitches& plotGroup(const TestDescription& test, int32_t phase) {
  return phase == 0 ? test.dataPlot : test.interpolatedPlot;
}


// The station's name in the title: the station data file in phase 0, the
// interpolated-data file after interpolation.
const std::string& curveName(const PlotContext& ctx, int32_t phase) {
  return phase == 0 ? ctx.stationFile : ctx.test.interpolatedName;
}

struct Frame {
  Range x;         // time range of the concentration window
  float xhiExt;    // its right end, extended for an extrapolated tail
  Range y;         // concentration range
};

struct SeriesStyle {
  int curveColour;
  int lineStyle;
  int pointColour;
  float pointHeight;
  int symbol;
};

// One curve of the plot through (T, Y): the line, the points, and the
// error bars of group means (+-sT across, +-sY up and down) in the colour
// and at the height of the points.
void drawSeries(const DataCurve& cv, std::span<const float> Y, std::span<const float> sY,
                const SeriesStyle& style, bool curve, bool points, bool errorBars) {
  const int32_t n = cv.n;
  if (curve) {
    cpgsci(style.curveColour);
    cpgsls(style.lineStyle);
    drawPolyline(curvePolyline(cv.T, Y, n, cv.T[n - 1]));
  }
  if (points) {
    cpgsci(style.pointColour);
    cpgsch(style.pointHeight);
    markers(n, cv.T.data(), Y.data(), style.symbol);
  }
  if (errorBars) {
    cpgsch(style.pointHeight);
    cpgerrb(5, n, cv.T.data(), Y.data(), cv.sT.data(), 0.5f);
    cpgerrb(6, n, cv.T.data(), Y.data(), sY.data(), 0.5f);
  }
  cpgsch(1.0f);
}

// Discharge on a right-hand axis, in its own window over the same times.
void dischargeOverlay(PlotContext& ctx, const DataCurve& cv, const Frame& f, bool points,
                      bool curve, int32_t pass, int32_t modeWord) {
  const int32_t n = cv.n;
  PlotState& st = ctx.state;
  cpgvstd();
  dischargeLabel(ctx.test.dischargeUnit, st.dataDischargeLabel);
  Range q = plotRange(cv.Q[firstMin(cv.Q, n)], cv.Q[firstMax(cv.Q, n)]);
  if (q.lo == q.hi) {
    q.lo *= 0.5f;
    q.hi *= 2.0f;
  }
  for (int32_t i = std::max(n / 2, 1); i <= n; ++i)
    if ((q.hi + q.lo) / 3.0f > cv.Q[i - 1]) q.lo *= 0.5f;
  q = usable(q);
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(f.x.lo, f.xhiExt, q.lo, q.hi);
  cpgsci(7);
  cpgslw(4);
  cpgbox(" ", 0.0f, 0, (q.lo < 0.01f || q.hi >= 100.0f || q.hi < 0.01f) ? "CMST" : "CMSTV",
         0.0f, 0);
  cpgsci(1);
  cpgslw(3);
  sideText("R", 4.0f, 0.5f, 0.5f, st.dataDischargeLabel);
  cpgslw(2);
  drawSeries(cv, cv.Q, cv.sQ, SeriesStyle{8, 2, 3, 1.0f, 7}, curve, points,
             modeWord == 2 && (points || pass == 1));
}

// The legend of the two curves, in time-axis units from x0.
void legend(float x0, float yp) {
  cpgslw(1);
  cpgsch(0.9f);
  cpgstbg(0);
  cpgsci(2);
  segment(x0, yp, x0 + 2.0f, yp);
  const TextBox conc = drawText(x0 + 3.0f, yp, "Conc.");
  const float h = conc.height();
  const float y0 = conc.bottom;
  const float y2 = y0 - 1.2f * h;
  cpgsci(8);
  cpgsls(2);
  segment(x0, y2, x0 + 2.0f, y2);
  cpgsls(1);
  drawText(x0 + 3.0f, y2, "Discharge");
  cpgsci(5);
  cpgsch(2.5f);
  marker(x0 + 0.6f, yp, 20);
  marker(x0 + 1.4f, yp, 20);
  cpgsci(3);
  cpgsch(0.9f);
  marker(x0 + 0.6f, y2, 7);
  marker(x0 + 1.4f, y2, 7);
  cpgslw(2);
  cpgsci(4);
  const float right = textBox(x0 + 3.0f, yp, "Discharge.").right + 0.5f;
  const float left = x0 - 0.5f;
  const float top = y0 + 1.4f * h;
  const float bottom = y0 - 2.0f * h;
  // One polyline: the library does not join successive line draws.
  const float fx[5] = {left, right, right, left, left};
  const float fy[5] = {top, top, bottom, bottom, top};
  cpgline(5, fx, fy);
}

// The fitted exponential of the extrapolated tail, written from x at
// height y: "Y = A  e" with the exponent "b X" raised, then the standard
// error and r below it.
void tailEquation(float x, float y, const TailFit& tail) {
  cpgsci(1);
  cpgstbg(0);
  const TextBox label = drawText(x, y, "Y = ");
  const TextBox coefficient = drawText(label.right, y, visible(tail.texts[0]));
  const TextBox e = drawText(coefficient.right, y, "  e");
  cpgsch(0.7f);
  const float ye = e.bottom + 1.5f * e.height();
  const TextBox exponent = drawText(e.right, ye, visible(tail.texts[1]));
  drawText(exponent.right, ye, " X");
  cpgsch(0.9f);
  const float ys = e.bottom - 2.5f * e.height();
  const TextBox sy = drawText(e.left, ys, "Sy. X = ");
  drawText(sy.right, ys, visible(tail.texts[3]));
  const float yr = sy.bottom - 2.0f * sy.height();
  const TextBox r = drawText(e.left, yr, "r = ");
  drawText(r.right, yr, visible(tail.texts[2]));
}

}  // namespace

void drawDataPlot(PlotContext& ctx, const DataCurve& cv, const TailFit& tail, int32_t phase,
                  Option points, Option curveSwitch, int32_t pass, int32_t modeWord,
                  ExtrapolationMethod extrapolationMethod, [[maybe_unused]] int32_t firstPlot) {
  const TestDescription& test = ctx.test;
  PlotState& st = ctx.state;
  const int32_t n = cv.n;
  if (n < 1) return;
  const bool ps = pass >= kPostScriptPass;
  bool drawPoints = on(points);
  bool drawCurve = on(curveSwitch);
  if (ps) {
    if (!drawPoints || !drawCurve) drawPoints = drawCurve = true;
    if (!st.devices.openPostScript(ctx.gate)) return;
  } else {
    if (!drawPoints && !drawCurve) return;
    if (!st.devices.selectScreen(dataWindow(phase))) return;
  }

  const int32_t p = firstMax(cv.C, n);
  const float tp = cv.T[p];
  const float median = medianTime(cv.T, n);
  timeLabel(test.timeUnit, st.dataTimeLabel);
  concentrationLabel(test.concentrationUnit, st.dataConcentrationLabel);
  const bool measuredDischarge = test.dischargeMode == DischargeMode::Measured;
  const bool exponentialTail =
      on(test.extrapolationOption) && extrapolationMethod == ExtrapolationMethod::Exponential;

  cpgpage();
  cpgvstd();
  Frame f;
  f.x = usable(plotRange(cv.T[0], cv.T[n - 1]));
  f.y = usable(plotRange(cv.C[0], cv.C[p]));
  f.xhiExt = f.x.hi;
  if (measuredDischarge && exponentialTail)
    f.xhiExt += f.x.hi / 5.0f;
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(f.x.lo, f.xhiExt, f.y.lo, f.y.hi);
  cpgbbuf();
  cpgsci(7);
  cpgslw(4);
  const bool exponentLabels = f.y.hi >= 1000.0f || f.y.hi < 0.01f;
  // Without a right-hand frame line when the discharge axis takes that side.
  const char* vertical = measuredDischarge ? (exponentLabels ? "BNST" : "BNSTV")
                                           : (exponentLabels ? "BCNST" : "BCNSTV");
  cpgbox("BCNST", 0.0f, 0, vertical, 0.0f, 0);
  cpgsci(1);
  cpgslw(3);
  sideText("T", 3.0f, 0.5f, 0.5f, curveName(ctx, phase));
  sideText("B", 3.2f, 0.5f, 0.5f, st.dataTimeLabel);
  sideText("L", 3.0f, 0.5f, 0.5f, st.dataConcentrationLabel);
  cpgslw(2);

  drawSeries(cv, cv.C, cv.sC, SeriesStyle{2, 1, 5, 2.5f, 20}, drawCurve, drawPoints,
             drawPoints && modeWord == 2);
  if (measuredDischarge) dischargeOverlay(ctx, cv, f, drawPoints, drawCurve, pass, modeWord);

  // The texts, in the concentration window without the extension.
  cpgsch(1.0f);
  cpgvstd();
  cpgslw(3);
  cpgsls(1);
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(f.x.lo, f.x.hi, f.y.lo, f.y.hi);
  const float xt = f.x.hi / 1.5f;
  // The left position is kept for the whole run, as long as it stays in
  // the left part of the plot (a wider earlier plot must not push the texts
  // out of this one).
  float xl = std::max(st.savedLeft, f.x.hi / 10.0f);
  if (xl > xt) xl = f.x.hi / 10.0f;
  st.savedLeft = xl;
  const bool late = tp > median && tp > xt;
  const float yp = cv.C[p];
  if (measuredDischarge) legend(late ? xl : xt, yp);

  cpgslw(1);
  cpgsch(0.9f);
  cpgsci(6);
  cpgstbg(0);
  const float yc = 0.875f * yp;
  const TextBox count = drawText(late ? xl : xt + 0.6f, yc, phase == 0 ? "Data = " : "Knots = ");
  drawText(count.right, yc, fmt::I(n, 4));

  const char* caption = "";
  if (phase == 0) {
    if (on(test.extrapolationOption)) caption = "Extrapolated Data";
  } else if (on(test.knotOption)) {
    caption = on(test.extrapolationOption) ? "Interp/Extrap Data" : "Interpolated Data";
  }
  cpgsch(0.65f);
  drawText(count.left, count.bottom - 1.2f * count.height(), caption);
  cpgsch(0.9f);
  if (exponentialTail && (phase == 0 || on(test.knotOption)))
    tailEquation(late ? count.left : xt, 0.25f * yp, tail);

  cpgebuf();
  if (ps) st.devices.closePostScript();
}

void dataPlot(PlotContext& ctx, const DataCurve& cv, const TailFit& tail, int32_t phase,
              int32_t modeWord, ExtrapolationMethod extrapolationMethod, int32_t firstPlot) {
  Console& c = ctx.console;
  const TestDescription& test = ctx.test;
  checkTimeOrder(c, cv.T, cv.n);
  const PlotSwitches& sw = plotGroup(test, phase);
  int32_t pass = on(sw.postscript) ? 1 : 0;
  if (on(sw.listing)) {
    if (test.echo()) plotPrompt(c, kListingPrompt, curveName(ctx, phase));
    dataListing(c, test, cv.T, cv.C, cv.Q, cv.n);
  }
  if (sw.onScreen()) {
    if (phase == 0 && test.echo()) {
      plotPrompt(c, kPlotPrompt, ctx.stationFile);
      c.clear();
    }
    drawDataPlot(ctx, cv, tail, phase, sw.points, sw.curve, pass, modeWord, extrapolationMethod,
                 firstPlot);
    // The interpolated-data listing that follows must be readable.
    const PlotSwitches& ip = test.interpolatedPlot;
    if (phase == 0 && on(ip.listing) && ip.onScreen()) closeGraphicsWindow(c, ctx.state);
  }
  ++pass;
  if (pass == kPostScriptPass)
    filePasses(ctx, ctx.stationFile, 85, phase == 0 ? kSuffixData : kSuffixInterpolated, [&] {
      drawDataPlot(ctx, cv, tail, phase, sw.points, sw.curve, pass, modeWord, extrapolationMethod,
                   firstPlot);
    });
}

void dataPlot(PlotContext& ctx, const Curve& c, const GroupSpread* spread, const TailFit& tail,
              int32_t phase, int32_t modeWord, ExtrapolationMethod extrapolationMethod,
              int32_t firstPlot) {
  // A curve without a group spread (every line, every k-th) has none of 0.
  const std::vector<float> none(c.T.size(), 0.0f);
  auto of = [&](const std::vector<float>* v) -> std::span<const float> {
    return v && v->size() == c.T.size() ? std::span<const float>(*v) : none;
  };
  const DataCurve curve{c.T,
                        c.C,
                        c.Q,
                        of(spread ? &spread->T : nullptr),
                        of(spread ? &spread->C : nullptr),
                        of(spread ? &spread->Q : nullptr),
                        c.size()};
  dataPlot(ctx, curve, tail, phase, modeWord, extrapolationMethod, firstPlot);
}

void measuredDataPlots(PlotContext& ctx, const MeasuredCurve& curve, const TailFit& tail,
                       ReductionMode mode, ExtrapolationMethod extrapolationMethod,
                       int32_t firstPlot) {
  const int32_t modeWord = code(mode);
  dataPlot(ctx, curve.samples, &curve.spread, tail, 0, modeWord, extrapolationMethod, firstPlot);
  if (modeWord == 2)
    dataPlot(ctx, curve.samples, &curve.spread, tail, 0, 0, extrapolationMethod, firstPlot);
}

}  // namespace kaldero::plot
