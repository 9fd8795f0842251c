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
#include "plot/legend.h"
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

// R^2 with the digits that tell it from 1 (0.99993, not 1).
std::string rSquared(double r) {
  char b[32];
  int digits = 3;
  while (digits < 8 && 1 - r > 0 && 1 - r < std::pow(10.0, 1 - digits)) ++digits;
  std::snprintf(b, sizeof b, "%.*g", digits, r);
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
    p.x.push_back(static_cast<float>((t[static_cast<std::size_t>(i)] + c.arrival) / 3600));
    p.y.push_back(static_cast<float>((y[static_cast<std::size_t>(i)] + baseline) * 1e-3));
  }
  return p;
}

// The residual panel below the curve: measured minus fitted concentration
// (ug/L) at each sample fitted, against the same time axis, with the zero
// line and the lag-1 statistic.
void residualPanel(const FlowPathFitResult& fit, const PathModelFit& best, const Range& xr,
                   double arrival) {
  const std::size_t n = std::min(fit.times.size(), best.residuals.size());
  if (n == 0) return;
  std::vector<float> x(n), y(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = static_cast<float>((fit.times[i] + arrival) / 3600);
    y[i] = static_cast<float>(best.residuals[i] * 1e-3);
  }
  const float lo = *std::min_element(y.begin(), y.end());
  const float hi = *std::max_element(y.begin(), y.end());
  const float m = std::max(std::fabs(lo), std::fabs(hi));
  const Range yr = usable(Range{-1.1f * m, 1.1f * m});
  cpgsvp(0.12f, 0.9f, 0.08f, 0.28f);
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
    x[i] = static_cast<float>((c.times[i] + c.arrival) / 3600);
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
  cpgsvp(0.12f, 0.9f, residuals ? 0.38f : 0.1f, 0.9f);
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
  // Clear of the tick numbers, which the V option writes horizontally.
  sideText("L", 4.2f, 0.5f, 0.5f, "Concentration (\\gmg L\\u-1\\d)");

  // The model first, the measured samples over it (dense curves as dots,
  // sparse ones as circles), so that the fitted sum never hides them.
  std::vector<LegendEntry> legend;
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
  // A dot is as wide as the line: wide enough to show on the fitted sum.
  const bool dense = n > 300;
  const int symbol = dense ? -1 : 4;
  cpgsci(4);
  cpgslw(dense ? 5 : 2);
  markers(static_cast<int32_t>(n), x.data(), y.data(), symbol);
  cpgslw(2);

  LegendEntry measured;
  measured.text = "Measured";
  measured.sample = LegendEntry::Sample::Marker;
  measured.colour = 4;
  measured.symbol = symbol;
  if (!best) {
    legend.push_back(measured);
    LegendEntry none;
    none.sample = LegendEntry::Sample::None;
    none.text = "No flow-path fit:";
    legend.push_back(none);
    for (const std::string& piece : wrapped(fit.reason, 60)) {
      none.text = piece;
      legend.push_back(none);
    }
    drawLegend(legend, {});
    cpgebuf();
    st.devices.closePostScript();
    return;
  }
  legend.push_back(measured);
  LegendEntry total;
  total.colour = 2;
  total.width = 4;
  total.text = "Fitted sum of " + std::to_string(best->pathCount) +
               (best->pathCount == 1 ? " flow path" : " flow paths") +
               (best->storage ? " with a storage zone" : "") + ", R\\u2\\d = " +
               rSquared(best->rSquared);
  legend.push_back(total);
  for (std::size_t j = 0; j < best->paths.size(); ++j) {
    const FittedPath& p = best->paths[j];
    LegendEntry path;
    path.text = "Path " + std::to_string(j + 1) + ": v = " + num(p.velocity.value) +
                " m s\\u-1\\d, D = " + num(p.dispersion.value) + " m\\u2\\d s\\u-1\\d, " +
                num(100 * p.massFraction.value) + " % of the mass";
    if (best->paths.size() > 1) {
      path.colour = kPathColours[j % 3];
      path.style = 2;
    } else {
      path.sample = LegendEntry::Sample::None;
      path.colour = 1;
    }
    legend.push_back(path);
  }
  LegendEntry note;
  note.sample = LegendEntry::Sample::None;
  if (best->storage && !best->paths.empty()) {
    note.text = "Storage zone: capacity ratio " + num(best->paths[0].storageRatio.value) +
                ", exchange rate " + num(best->paths[0].exchangeRate.value) + " s\\u-1\\d";
    legend.push_back(note);
  }
  if (fit.stillImprovingAtLargest) {
    note.text = "Criterion still improving at the largest model: the paths describe the shape";
    legend.push_back(note);
  }
  drawLegend(legend, {});
  if (residuals) residualPanel(fit, *best, xr, c.arrival);
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
