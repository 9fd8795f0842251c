#include "plot/curve_plot.h"

#include <cpgplot.h>

#include <string>

#include "core/console.h"
#include "core/format.h"
#include "plot/axis_labels.h"
#include "plot/data_listing.h"
#include "plot/data_plot.h"
#include "plot/plot_draw.h"

namespace kaldero::plot {

namespace {

struct KindInfo {
  const PlotSwitches& switches;
  const std::string& fileName;
  int32_t suffix;
  const char* title;
  const char* verticalLabel;
};

KindInfo kindInfo(const TestDescription& t, CurveKind kind) {
  switch (kind) {
    case CurveKind::Normalized:
      return {t.normalizedPlot, t.normalizedName, kSuffixNormalized, "Normalized Concentration",
              valueAxisTitle(kind)};
    case CurveKind::Load:
      return {t.loadPlot, t.loadName, kSuffixLoad, "Normalized Load", valueAxisTitle(kind)};
    case CurveKind::Standardized:
      break;
  }
  return {t.standardizedPlot, t.standardizedName, kSuffixStandardized, "Standardized Curve",
          valueAxisTitle(CurveKind::Standardized)};
}

std::string g(float x) { return fmt::G(x, 10, 4); }

// The word after a time value of a normalized plot.
const char* unitWord(TimeUnit timeUnit) {
  switch (timeUnit) {
    case TimeUnit::Days: return "days";
    case TimeUnit::Hours: return "hrs";
    case TimeUnit::Minutes: return "mins";
    case TimeUnit::Seconds: return "secs";
    default: return "";
  }
}

// A label followed by its value text.
void labelled(float x, float y, const char* label, const std::string& value) {
  const TextBox box = drawText(x, y, label);
  drawText(box.right, y, visible(value));
}

}  // namespace

std::optional<CurveKind> selectedKind(const KindSelectors& kinds) {
  for (int32_t i = 0; i < 3; ++i)
    if (kinds[i] == 1) return static_cast<CurveKind>(i);
  return std::nullopt;
}

void drawCurvePlot(PlotContext& ctx, std::span<const float> T, std::span<const float> C,
                   int32_t n, Option points, Option curveSwitch, int32_t pass,
                   const KindSelectors& kinds, const CurveParameters& params, int32_t phase,
                   [[maybe_unused]] int32_t firstPlot) {
  const std::optional<CurveKind> kind = selectedKind(kinds);
  if (!kind || n < 1) return;
  const TestDescription& test = ctx.test;
  PlotState& st = ctx.state;
  const KindInfo info = kindInfo(test, *kind);
  const bool standardized = *kind == CurveKind::Standardized;
  const bool ps = pass >= kPostScriptPass;
  const bool drawPoints = on(points);
  const bool drawCurve = ps || on(curveSwitch);
  if (ps) {
    if (!st.devices.openPostScript(ctx.gate)) return;
  } else {
    if (!drawPoints && !on(curveSwitch)) return;
    if (!st.devices.selectScreen(curveWindow(static_cast<int32_t>(*kind), phase))) return;
  }

  // The parameter texts.
  std::string meanText = g(params.meanTime);
  std::string sigmaText = g(params.sigma);
  std::string peakText = g(params.peak);
  std::string gammaText, kappaText;
  if (params.sigmaHours * params.sigmaHours != 0.0f) {
    gammaText = g(params.skewness);
    kappaText = g(params.kurtosis);
  }
  std::string timeLabel;
  if (standardized) {
    timeLabel = text::padded("Standardized Time \\fi(t-t\\b\\u\\(2376)\\d)/\\gs\\dt\\u");
    meanText = fmt::G(0.0f, 10, 4);
    sigmaText = peakText = fmt::G(1.0f, 10, 4);
  } else {
    timeLabelLong(test.timeUnit, st.curveTimeLabel);
    timeLabel = st.curveTimeLabel;
  }

  // Reference times: the peak is late when it lies after the median and the
  // mean sample time.
  const float median = medianTime(T, n);
  float mean = 0;
  for (int32_t i = 0; i < n; ++i) mean += T[i];
  mean /= static_cast<float>(n);
  const int32_t w = firstMax(C, n);
  const bool late = T[w] > median && T[w] > mean;

  cpgpage();
  cpgvstd();
  const Range x = usable(plotRange(T[0], T[n - 1]));
  const Range y = usable(plotRange(C[0], C[w]));
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  cpgswin(x.lo, x.hi, y.lo, y.hi);
  cpgbbuf();
  cpgsls(1);
  cpgsci(7);
  cpgslw(4);
  cpgbox("BCNST", 0.0f, 0, (y.hi >= 1000.0f || y.hi * 0.5f < 0.01f) ? "BCNST" : "BCNSTV", 0.0f,
         0);
  cpgsci(1);
  cpgslw(3);
  sideText("T", 3.0f, 0.5f, 0.5f, ctx.stationFile);
  sideText("B", 3.2f, 0.5f, 0.5f, timeLabel);
  sideText("L", 3.0f, 0.5f, 0.5f, info.verticalLabel);
  cpgslw(2);
  if (drawCurve) {
    cpgsci(2);
    cpgsls(1);
    drawPolyline(curvePolyline(T, C, n, x.hi));
  }
  if (drawPoints) {
    cpgsci(5);
    cpgsch(2.5f);
    markers(n, T.data(), C.data(), 20);
  }

  const float tn = T[n - 1];
  const float t1 = T[0];
  float xcap = 0;
  switch (*kind) {
    case CurveKind::Normalized: xcap = late ? 0.03f * tn : 0.65f * tn; break;
    case CurveKind::Load: xcap = late ? 0.03f * tn : 0.73f * tn; break;
    case CurveKind::Standardized: xcap = late ? t1 : 0.7f * tn; break;
  }
  cpgsci(3);
  cpgsch(0.7f);
  drawText(xcap, 0.04f * y.hi, visible(info.fileName));
  drawText(xcap, 0.02f * y.hi, visible(info.title));

  cpgsci(1);
  cpgsch(0.9f);
  const float xfirst = late ? (standardized ? t1 : 0.03f * tn) : 0.61f * tn;
  const float xrest = late ? (standardized ? t1 : 0.03f * tn) : 0.6f * tn;
  labelled(xfirst, 0.8f * y.hi, "\\fit\\b\\u\\(2376)\\d =", meanText);
  labelled(xrest, 0.75f * y.hi, "\\fi\\gs\\dt\\u =", sigmaText);
  labelled(xrest, 0.7f * y.hi, "\\fi\\gg\\dt\\u =", gammaText);
  if (standardized) {
    labelled(late ? t1 : 0.6f * tn, 0.65f * y.hi, "\\fiC\\dp\\u =", peakText);
  } else {
    labelled(xrest, 0.65f * y.hi, "\\fi\\gk\\dt\\u =", kappaText);
    const bool days = test.timeUnit == TimeUnit::Days;
    const float xw = late ? (days ? 0.21f : 0.22f) * tn : (days ? 0.78f : 0.79f) * tn;
    // The unit beside the mean and the standard deviation; skewness and
    // kurtosis have none.
    for (float h : {0.8f, 0.75f}) drawText(xw, h * y.hi, unitWord(test.timeUnit));
  }

  cpgebuf();
  if (ps) st.devices.closePostScript();
}

CurveParameters curveParameters(const TransitTimes& tt, float peakConcentration) {
  return CurveParameters{tt.meanTimeInTimeUnit,        tt.standardDeviationInTimeUnit,
                         tt.standardDeviation.hours,   tt.skewness.value_or(0.0f),
                         tt.kurtosis.value_or(0.0f),   peakConcentration};
}

void curvePlot(PlotContext& ctx, std::span<const float> T, std::span<const float> C,
               std::span<const float> third, int32_t n, const KindSelectors& kinds,
               const CurveParameters& params, int32_t phase, int32_t firstPlot,
               int32_t& plotCounter) {
  const std::optional<CurveKind> kind = selectedKind(kinds);
  if (!kind) return;
  Console& c = ctx.console;
  const KindInfo info = kindInfo(ctx.test, *kind);
  const Option points = info.switches.points;
  const Option curve = info.switches.curve;
  int32_t pass = on(info.switches.postscript) ? 1 : 0;
  if (on(info.switches.listing)) {
    if (ctx.test.echo()) plotPrompt(c, kListingPrompt, info.fileName);
    dataListing(c, ctx.test, T, C, third, n);
  }
  if (info.switches.onScreen()) {
    if (ctx.test.echo() && plotCounter == 0) {
      plotPrompt(c, kPlotPrompt, info.fileName);
      c.clear();
    }
    drawCurvePlot(ctx, T, C, n, points, curve, pass, kinds, params, phase, firstPlot);
    ++plotCounter;
  }
  ++pass;
  if (pass == kPostScriptPass)
    filePasses(ctx, info.fileName, 80, info.suffix, [&] {
      drawCurvePlot(ctx, T, C, n, points, curve, pass, kinds, params, phase, firstPlot);
    });
}

const char* valueAxisTitle(CurveKind kind) {
  switch (kind) {
    case CurveKind::Normalized:
      return "Conc. (mg L\\u-1\\d kg\\u-1\\d recovered)";
    case CurveKind::Load:
      return "Load (mg s\\u-1\\d kg\\u-1\\d recovered)";
    case CurveKind::Standardized:
      break;
  }
  return "Standardized Concentration \\fi(C/C\\dp\\u)";
}

}  // namespace kaldero::plot
