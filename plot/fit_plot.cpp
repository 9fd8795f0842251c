#include "plot/fit_plot.h"

#include <cpgplot.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/flow_path_fit.h"
#include "numeric/advection_dispersion.h"
#include "plot/plot_draw.h"

namespace kaldero::plot {

namespace {

constexpr int kGridPoints = 600;
constexpr int kPathColours[] = {3, 8, 6};

std::string num(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.3g", x);
  return b;
}

// A text cut into lines of at most width characters at its blanks.
std::vector<std::string> wrapped(const std::string& s, std::size_t width) {
  std::vector<std::string> lines;
  std::string line, word;
  std::istringstream in(s);
  while (in >> word) {
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(line);
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// The discharge at time t, linear between the samples and constant beyond.
double dischargeAt(const FitPlotCurve& c, double t) {
  const auto& T = c.times;
  const auto it = std::lower_bound(T.begin(), T.end(), t);
  if (it == T.begin()) return c.discharges.front();
  if (it == T.end()) return c.discharges.back();
  const std::size_t i = static_cast<std::size_t>(it - T.begin());
  const double w = (t - T[i - 1]) / (T[i] - T[i - 1]);
  return c.discharges[i - 1] + w * (c.discharges[i] - c.discharges[i - 1]);
}

// The model curve of the paths on a grid over the sampled times, in hours
// and ug/L.
Polyline modelCurve(const FitPlotCurve& c, std::span<const numeric::FlowPath> paths) {
  Polyline p;
  const double t0 = c.times.front(), t1 = c.times.back();
  for (int i = 0; i < kGridPoints; ++i) {
    const double t = t0 + (t1 - t0) * i / (kGridPoints - 1);
    const double y =
        numeric::concentration(t, c.distance, dischargeAt(c, t), c.releaseDuration, paths);
    p.x.push_back(static_cast<float>(t / 3600));
    p.y.push_back(static_cast<float>(y * 1e-3));
  }
  return p;
}

void drawFigure(PlotContext& ctx, const FitPlotCurve& c, const FlowPathFitResult& fit) {
  PlotState& st = ctx.state;
  if (!st.devices.openPostScript(ctx.gate)) return;
  const std::size_t n = c.times.size();
  std::vector<float> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = static_cast<float>(c.times[i] / 3600);
    y[i] = static_cast<float>(c.concentrations[i] * 1e-3);
  }
  const PathModelFit* best = fit.best();
  Polyline sum;
  std::vector<Polyline> parts;
  if (best) {
    const std::vector<numeric::FlowPath> paths = modelPaths(*best);
    sum = modelCurve(c, paths);
    if (paths.size() > 1)
      for (const numeric::FlowPath& p : paths) parts.push_back(modelCurve(c, {&p, 1}));
  }
  float top = *std::max_element(y.begin(), y.end());
  for (float v : sum.y) top = std::max(top, v);
  const float bottom = std::min(0.0f, *std::min_element(y.begin(), y.end()));

  cpgpage();
  cpgsvp(0.1f, 0.9f, 0.1f, 0.9f);
  const Range xr = usable(plotRange(x.front(), x.back()));
  const Range yr = usable(plotRange(bottom, top));
  cpgswin(xr.lo, xr.hi, yr.lo, yr.hi);
  cpgbbuf();
  cpgsls(1);
  cpgslw(2);
  cpgsci(1);
  cpgsch(1.0f);
  cpgbox("BCNST", 0.0f, 0, "BCNSTV", 0.0f, 0);
  sideText("T", 2.0f, 0.5f, 0.5f, ctx.stationFile);
  sideText("B", 3.0f, 0.5f, 0.5f, "Time since the release (hours)");
  sideText("L", 3.0f, 0.5f, 0.5f, "Concentration (\\gmg L\\u-1\\d)");

  // Dense curves as dots, sparse ones as circles.
  cpgsci(4);
  cpgsch(n > 300 ? 0.6f : 1.0f);
  markers(static_cast<int32_t>(n), x.data(), y.data(), n > 300 ? -1 : 4);
  cpgsch(0.8f);
  for (std::size_t j = 0; j < parts.size(); ++j) {
    cpgsci(kPathColours[j % 3]);
    cpgsls(2);
    drawPolyline(parts[j]);
  }
  cpgsls(1);
  if (best) {
    cpgsci(2);
    cpgslw(4);
    drawPolyline(sum);
    cpgslw(2);
  }

  // The parameters, top right inside the frame.
  float line = 1.5f;
  auto say = [&](int colour, const std::string& s) {
    cpgsci(colour);
    cpgmtxt("T", -line, 0.97f, 1.0f, s.c_str());
    line += 1.4f;
  };
  if (!best) {
    say(1, "No flow-path fit:");
    for (const std::string& piece : wrapped(fit.reason, 60)) say(1, piece);
    cpgebuf();
    st.devices.closePostScript();
    return;
  }
  say(2, "Fitted sum of " + std::to_string(best->pathCount) +
             (best->pathCount == 1 ? " flow path" : " flow paths") +
             ", R\\u2\\d = " + num(best->rSquared));
  for (std::size_t j = 0; j < best->paths.size(); ++j) {
    const FittedPath& p = best->paths[j];
    say(best->paths.size() > 1 ? kPathColours[j % 3] : 2,
        "Path " + std::to_string(j + 1) + ": v = " + num(p.velocity.value) +
            " m s\\u-1\\d, D = " + num(p.dispersion.value) + " m\\u2\\d s\\u-1\\d, " +
            num(100 * p.massFraction.value) + " % of the mass");
  }
  say(4, "Measured");
  cpgebuf();
  st.devices.closePostScript();
}

}  // namespace

void fitPlot(PlotContext& ctx, const FitPlotCurve& curve, const FlowPathFitResult& fit) {
  if (curve.times.empty() || curve.concentrations.size() != curve.times.size() ||
      curve.discharges.size() != curve.times.size())
    return;
  filePasses(ctx, ctx.stationFile, 85, kSuffixFit, [&] { drawFigure(ctx, curve, fit); });
}

}  // namespace kaldero::plot
