#include "analysis/dispersion.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"
#include "analysis/listing_lines.h"
#include "analysis/mass_recovery.h"
#include "core/console.h"
#include "core/format.h"
#include "core/text.h"

namespace kaldero {

using lines::continued;
using lines::g10;
using lines::labelled;

std::string_view pecletClass(float pe) {
  if (std::isnan(pe)) return {};
  if (pe < 0.4f) return "Diffusion > Advection";
  if (pe <= 6.0f) return "Diffusion = Advection";
  return "Advection > Diffusion";
}

void CHTMSG(Console& c) {
  c.free(fmt::FreeLine("      NOT ENOUGH STORAGE SPACE FOR CHATWIN ").text("PARAMETER OR"));
  c.free(fmt::FreeLine("      INSUFFICIENT NUMBER OF DATA POINTS FOR ").text("CHATWIN ESTIMATION"));
  c.empty();
  c.free(fmt::FreeLine("          DISPERSION ESTIMATED BY METHOD OF ").text("MOMENTS"));
  c.empty();
}

void velocitiesAndDispersion(const AnalysisContext& ctx, int32_t n, std::span<const float> X,
                             std::span<const float> F, std::span<float> D,
                             float chatwinEstimate, float dv) {
  AnalysisResults& r = ctx.results;
  const int32_t mode = ctx.control.releaseMode;
  const float Td = ctx.control.releaseDuration;
  const float tf = ctx.control.flowZoneArrival;
  const float L = ctx.test.distance;
  const float th = r.meanTimeHours;  // corrected by the flow-zone arrival time
  const bool pulse = mode == 1 || (mode == 2 && Td < th);
  const bool longRelease = mode == 2 && Td >= th;

  // Spread of the velocities of the samples about the mean velocity.
  {
    std::vector<float> W(static_cast<std::size_t>(n), 0.0f);
    r.limitsWarning = 0;
    const float shift = 0.5f * 3600.0f * Td;
    for (int32_t i = 0; i < n; ++i) {
      if (X[i] == 0) continue;
      const float t = X[i] / 3600.0f;
      if (mode == 1) {
        const float dev = L / t - guard::quotient(L, th);
        W[i] = dev * dev * F[i];
      } else if (mode == 2 && Td < th && X[i] > shift) {
        // Samples up to half the release duration have no shifted time and
        // keep 0.
        const float dev = L / (t - 0.5f * Td) - L / (th - 0.5f * Td);
        W[i] = dev * dev * F[i];
      }
    }
    r.velocitySpread = 0;
    if (pulse) {
      std::fill(D.begin(), D.end(), 0.0f);
      int32_t ierr = 0;
      const float s = CURINT(ctx.console, r, n, X.data(), W.data(), D.data(), ctx.spline, ierr);
      r.velocitySpread = guard::root(guard::quotient(s, r.zerothMoment));
    }
  }

  const float v = guard::quotient(r.distanceWeighted, r.firstMoment) + dv;
  const float vh = 3600.0f * v;
  r.meanVelocity = v;
  r.meanVelocityHour = vh;
  r.meanVelocityDay = 86400.0f * v;

  const float var = r.variance;
  float dm = 0;
  if (mode == 1) {
    dm = guard::quotient(0.5f * var, th * th) * vh * L / 3600.0f;
  } else if (longRelease) {
    dm = (guard::quotient(r.longReleaseMoment, r.firstMoment) - guard::quotient(L, 2.0f * vh)) *
         vh * vh / 3600.0f;
  } else if (mode == 2) {
    // The box pulse of the release adds Td^2/12 (h^2) to the variance.
    dm = guard::quotient((var - Td * Td / 12.0f) * vh * vh * vh, 2.0f * L) / 3600.0f;
  }
  r.momentDispersion = dm;
  const bool fromMoments = !(chatwinEstimate > 0) || dm < chatwinEstimate;
  const float disp = fromMoments ? dm : chatwinEstimate;
  r.dispersion = disp;
  r.dispersivity = guard::quotient(disp, v);
  // Without a dispersion coefficient the Peclet number cannot be formed.
  const bool pecletFormed = disp != 0 && std::isfinite(v * L / disp);
  r.peclet = pecletFormed ? v * L / disp : 0.0f;

  // Maximum velocity from the first sample with tracer after the flow-zone
  // arrival; a long release counts from the middle of the release unless
  // that leaves no time.
  for (int32_t i = 0; i < n; ++i) {
    const float dt = X[i] - 3600.0f * tf;
    if (!(F[i] > 0 && dt > 0)) continue;
    const float shifted = dt - 0.5f * 3600.0f * Td;
    const float t = pulse || !(shifted > 0) ? dt : shifted;
    r.kept.maxVelocity = L / t;
    r.kept.maxVelocityHour = r.kept.maxVelocity * 3600.0f;
    r.kept.maxVelocityDay = r.kept.maxVelocity * 86400.0f;
    break;
  }

  ctx.echoEmpty(4);
  ctx.echoLine(labelled(15, "The mean tracer velocity",
                        g10(r.meanVelocityDay, "The mean tracer velocity"), "m/d"));
  ctx.echoLine(continued(g10(vh, "The mean tracer velocity"), "m/hr"));
  ctx.echoLine(continued(g10(v, "The mean tracer velocity"), "m/s"));
  const float s = r.velocitySpread;
  if (pulse && s > 0) {
    ctx.echoEmpty();
    ctx.echoLine(labelled(
        15, "Standard deviation for tracer velocity",
        g10(24.0f * (s + 3600.0f * dv), "Standard deviation for tracer velocity") + " m/d"));
    ctx.echoLine(
        continued(g10(s + 3600.0f * dv, "Standard deviation for tracer velocity"), "m/hr"));
    ctx.echoLine(continued(g10(s / 3600.0f + dv, "Standard deviation for tracer velocity"), "m/s"));
  }
  if (r.limitsWarning > 0) SUSWRN(ctx);
  if (fromMoments) CHTMSG(ctx.console);

  ctx.echoEmpty(3);
  ctx.echoLine(
      labelled(15, "Dispersion coefficient", g10(disp, "Dispersion coefficient"), "m^2/s"));
  ctx.echoLine(labelled(15, "Longitudinal dispersivity",
                        g10(r.dispersivity, "Longitudinal dispersivity"), "m"));
  if (fromMoments) {
    ctx.echoEmpty();
    ctx.echoLine(text::blanks(16) + "Dispersion estimate is probably too large");
  }
  ctx.echoEmpty(2);
  ctx.echoLine(labelled(15, "Peclet number", g10(r.peclet, "Peclet number")));
  if (pecletFormed) {
    const std::string_view cls = pecletClass(r.peclet);
    if (!cls.empty()) ctx.echoLine(text::blanks(68) + std::string(cls));
  }
  if (fromMoments) ctx.echoLine(text::blanks(16) + "Peclet estimate is probably too small");
  ctx.echoEmpty(2);
  ctx.echoLine(labelled(15, "The maximum tracer velocity",
                        g10(r.kept.maxVelocityDay, "The maximum tracer velocity"), "m/d"));
  ctx.echoLine(continued(g10(r.kept.maxVelocityHour, "The maximum tracer velocity"), "m/hr"));
  ctx.echoLine(continued(g10(r.kept.maxVelocity, "The maximum tracer velocity"), "m/s"));
  ctx.echoEmpty(2);
  ctx.echoPause();
}

}  // namespace kaldero
