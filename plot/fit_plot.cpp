#include "plot/fit_plot.h"

#include <cpgplot.h>

#include <algorithm>
#include <cmath>
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
// and ug/L (a path with a storage zone is inverted once for the grid), plus
// the fitted baseline (ng/L).
Polyline modelCurve(const FitPlotCurve& c, std::span<const numeric::FlowPath> paths,
                    double baseline) {
  const double t0 = c.times.front(), t1 = c.times.back();
  std::vector<double> t(kGridPoints), q(kGridPoints), y(kGridPoints);
  for (int i = 0; i < kGridPoints; ++i) {
    t[static_cast<std::size_t>(i)] = t0 + (t1 - t0) * i / (kGridPoints - 1);
    q[static_cast<std::size_t>(i)] = dischargeAt(c, t[static_cast<std::size_t>(i)]);
  }
  numeric::concentrations(t, q, c.distance, c.releaseDuration, paths, y);
  Polyline p;
  for (int i = 0; i < kGridPoints; ++i) {
    p.x.push_back(static_cast<float>(t[static_cast<std::size_t>(i)] / 3600));
    p.y.push_back(static_cast<float>((y[static_cast<std::size_t>(i)] + baseline) * 1e-3));
  }
  return p;
}

// The residual panel below the curve: measured minus fitted concentration
// (ug/L) at each sample fitted, against the same time axis, with the zero
// line and the lag-1 statistic.
void residualPanel(const FlowPathFitResult& fit, const PathModelFit& best, const Range& xr) {
  const std::size_t n = std::min(fit.times.size(), best.residuals.size());
  if (n == 0) return;
  std::vector<float> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = static_cast<float>(fit.times[i] / 3600);
    y[i] = static_cast<float>(best.residuals[i] * 1e-3);
  }
  const float lo = *std::min_element(y.begin(), y.end());
  const float hi = *std::max_element(y.begin(), y.end());
  const float m = std::max(std::fabs(lo), std::fabs(hi));
  const Range yr = usable(Range{-1.1f * m, 1.1f * m});
  cpgsvp(0.1f, 0.9f, 0.08f, 0.28f);
  cpgswin(xr.lo, xr.hi, yr.lo, yr.hi);
  cpgsci(1);
  cpgslw(2);
  cpgsch(0.8f);
  cpgbox("BCNST", 0.0f, 0, "BCNSTV", 0.0f, 0);
  sideText("B", 2.6f, 0.5f, 0.5f, "Time since the release (hours)");
  sideText("L", 4.0f, 0.5f, 0.5f, "Residual (\\gmg L\\u-1\\d)");
  cpgsls(2);
  segment(xr.lo, 0.0f, xr.hi, 0.0f);
  cpgsls(1);
  cpgsci(4);
  markers(static_cast<int32_t>(n), x.data(), y.data(), n > 300 ? -1 : 4);
  cpgsci(1);
  char lag[96];
  std::snprintf(lag, sizeof lag, "Measured - fitted; lag-1 %.3f, Durbin-Watson %.3f",
                best.errors.residualLag1, best.errors.durbinWatson);
  cpgmtxt("T", 0.7f, 0.0f, 0.0f, lag);
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
    const double baseline = best->baseline ? best->baselineOffset.value : 0.0;
    sum = modelCurve(c, paths, baseline);
    if (paths.size() > 1)
      for (const numeric::FlowPath& p : paths) parts.push_back(modelCurve(c, {&p, 1}, 0.0));
  }
  float top = *std::max_element(y.begin(), y.end());
  for (float v : sum.y) top = std::max(top, v);
  const float bottom = std::min(0.0f, *std::min_element(y.begin(), y.end()));

  cpgpage();
  // The curve above, the residuals of the fit below (when there is one).
  const bool residuals = best && !best->residuals.empty();
  cpgsvp(0.1f, 0.9f, residuals ? 0.38f : 0.1f, 0.9f);
  const Range xr = usable(plotRange(x.front(), x.back()));
  const Range yr = usable(plotRange(bottom, top));
  cpgswin(xr.lo, xr.hi, yr.lo, yr.hi);
  cpgbbuf();
  cpgsls(1);
  cpgslw(2);
  cpgsci(1);
  cpgsch(1.0f);
  cpgbox(residuals ? "BCST" : "BCNST", 0.0f, 0, "BCNSTV", 0.0f, 0);
  sideText("T", 2.0f, 0.5f, 0.5f, ctx.stationFile);
  if (!residuals) sideText("B", 3.0f, 0.5f, 0.5f, "Time since the release (hours)");
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
             (best->storage ? " with a storage zone" : "") + ", R\\u2\\d = " +
             num(best->rSquared));
  for (std::size_t j = 0; j < best->paths.size(); ++j) {
    const FittedPath& p = best->paths[j];
    say(best->paths.size() > 1 ? kPathColours[j % 3] : 2,
        "Path " + std::to_string(j + 1) + ": v = " + num(p.velocity.value) +
            " m s\\u-1\\d, D = " + num(p.dispersion.value) + " m\\u2\\d s\\u-1\\d, " +
            num(100 * p.massFraction.value) + " % of the mass");
  }
  if (best->storage && !best->paths.empty())
    say(2, "Storage zone: capacity ratio " + num(best->paths[0].storageRatio.value) +
               ", exchange rate " + num(best->paths[0].exchangeRate.value) + " s\\u-1\\d");
  if (fit.stillImprovingAtLargest) say(1, "Criterion still improving at 3 paths: shape, not routes");
  say(4, "Measured");
  if (residuals) residualPanel(fit, *best, xr);
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
