#include "analysis/geometry.h"

#include <cmath>
#include <string>
#include <vector>

#include "analysis/guards.h"
#include "analysis/integration.h"
#include "analysis/listing_lines.h"
#include "core/console.h"
#include "core/format.h"
#include "core/listing_channel.h"
#include "core/file_reports.h"
#include "core/text.h"

namespace kaldero {

using guard::quotient;
using guard::root;
using lines::continued;
using lines::g10;
using lines::labelled;
using namespace water;

namespace {

// A conduit or fractures can only be described for a positive volume along
// a positive distance. A volume of 0 comes from a constant discharge without
// the station totals; a negative one from negative discharges or from a
// mean transit time that the flow-zone arrival makes negative. Either way
// the form writes no volume-dependent lines.
bool describable(float V, float L) { return V > 0 && L > 0; }

// A length also shown in feet when the conductivity unit code is 2.
void feetLine(const AnalysisContext& ctx, float metres, std::string_view quantity) {
  if (ctx.test.conductivityUnit == 2)
    ctx.echoLine(text::blanks(68) + "(" + g10(metres * 3.2808f, quantity) + " ft)");
}

// The volume-integration limit lines of a measured discharge.
void limitLine(const AnalysisContext& ctx, std::string_view label, float seconds) {
  if (auto u = lines::timeUnit(ctx.test.timeUnit))
    ctx.echoLine(labelled(16, label, g10(seconds / u->divisor, label), u->unit));
}

void porosityCheck(const AnalysisContext& ctx) {
  float& n = ctx.test.porosity;
  if (n > 1.0f || n <= 0) {
    PORRST(ctx);
    n = 1.0f;
  }
}

// The volume can only be integrated from the release on.
void volumeStartReport(const AnalysisContext& ctx) {
  if (ctx.results.lowerLimit == 0) return;
  const std::vector<std::string> text{
      "",
      fmt::FreeLine("--------- CANNOT INTEGRATE AQUIFER VOLUME ").text("---------").str(),
      "",
      fmt::FreeLine("AQUIFER VOLUME INTEGRATION REQUIRES THAT THE ").text("TIME-DISCHARGE DATA").str(),
      fmt::FreeLine("FILE BEGIN AT ZERO TIME TO PROPERLY ").text("INTEGRATE VOLUME.").str(),
      ""};
  ctx.console.line(kStars80);
  ctx.listing.line(kStars80);
  for (const auto& l : text) ctx.console.line(l);
  for (const auto& l : text) ctx.listing.line(l);
  ctx.console.line(kStars80);
  ctx.listing.line(kStars80);
}

void volumeIntegrationWarning(const AnalysisContext& ctx, int32_t ierr) {
  Console& c = ctx.console;
  ListingChannel& l = ctx.listing;
  const std::string code = fmt::FreeLine("AN ERROR CALLING PCHQA, IERR = ").num(ierr).str();
  auto free = [](std::string_view a, std::string_view b = {}) {
    return fmt::FreeLine(a).text(b).str();
  };
  c.line(kStars80);
  c.empty();
  l.empty();
  c.line(code);
  if (ierr > 0) {
    const std::string cause = free("This error occurred because your aquifer ", "retained the tracer for");
    const std::string longer =
        free("a longer period of time than you measured ", "discharge at the spring so");
    const std::string file =
        free("file which may result in an inaccurate ", "volume estimate for your aquifer.");
    c.line(free("This error is a warning - you may continue."));
    c.empty();
    c.line(cause);
    c.line(longer);
    c.line(free("you are forced to integrate beyond the ", "limits of time for your data"));
    c.line(file);
    c.empty();
    c.line(kStars80);
    c.empty();
    l.empty();
    l.line(kStars80);
    l.line(code);
    l.line(free("This error was an warning - you may have", " continued."));
    l.empty();
    l.line(cause);
    l.line(longer);
    l.line(free("you were forced to integrate beyond the ", "limits of time for your data"));
    l.line(file);
    l.empty();
  }
  c.empty();
  l.empty();
  c.line(kStars80);
  l.line(kStars80);
}

struct HydraulicLabels {
  std::string_view surface, sorption, headLoss;
};

// Surface area and sorption coefficient, head loss and friction factor, and
// the viscous sublayer of a turbulent flow.
void hydraulicLines(const AnalysisContext& ctx, const HydraulicLabels& label, float S, float ka,
                    const FlowFormHydraulics& hy, bool laminar) {
  ctx.echoLine(labelled(15, label.surface, g10(S, label.surface), "m^2"));
  ctx.echoLine(labelled(16, label.sorption, g10(ka, label.sorption), "m"));
  ctx.echoEmpty();
  ctx.echoLine(labelled(15, label.headLoss, g10(hy.headLoss, label.headLoss), "m"));
  ctx.echoLine(
      labelled(16, "Based on a friction factor", g10(hy.friction, "Based on a friction factor")));
  ctx.echoEmpty(2);
  if (!laminar) {
    ctx.echoLine(labelled(15, "Viscous-flow sublayer along walls",
                          g10(hy.sublayer, "Viscous-flow sublayer along walls"), "mm"));
    ctx.echoEmpty(2);
  }
}

void massTransferLines(const AnalysisContext& ctx, float shearVelocity) {
  const AnalysisResults& r = ctx.results;
  const bool porous = ctx.test.geometry == 3;
  ctx.echoEmpty(3);
  ctx.echoLine(text::blanks(15) + "Molecular mass transport parameters");
  if (!porous) {
    ctx.echoEmpty(2);
    ctx.echoLine(labelled(16, "Shear velocity", g10(shearVelocity, "Shear velocity"), "m/s"));
  }
  ctx.echoEmpty(2);
  ctx.echoLine(
      labelled(16, "Estimated Schmidt number", g10(r.schmidt, "Estimated Schmidt number")));
  ctx.echoEmpty(2);
  ctx.echoLine(
      labelled(16, "Estimated Sherwood number", g10(r.sherwood, "Estimated Sherwood number")));
  if (!porous) {
    ctx.echoEmpty(2);
    ctx.echoLine(labelled(16, "Mass transfer coef. from wall to flow",
                          g10(r.massTransfer, "Mass transfer coef. from wall to flow"), "m/s"));
    ctx.echoEmpty(2);
    ctx.echoLine(labelled(
        16, "Molecular diffusion layer thickness",
        g10(r.kept.diffusionLayer * 1000.0f, "Molecular diffusion layer thickness"), "mm"));
  }
}

}  // namespace

ConduitFriction conduitFriction(float re, float d) {
  if (re <= 2000.0f) return {true, quotient(64.0f, re), 0.0f};
  const float lg = 1.8f * std::log10(6.9f / re + guard::power(1.0f / (3.7f * d), 1.11f));
  const float f = quotient(1.0f, lg * lg);
  return {false, f, quotient(32.8f * d, std::sqrt(f) * re) * 1000.0f};
}

FractureFriction fractureFriction(float re, float w, float L) {
  if (re <= 500.0f) return {true, quotient(16.0f, re), 0.0f};
  const float lg = std::log10(0.5f * w) + 2.11f;
  return {false, quotient(1.0f, lg * lg), 5.0f * L / std::sqrt(re) * 1000.0f};
}

float sherwoodNumber(float re, float schmidtCubeRoot) {
  return (re > 500.0f ? 0.037f * guard::power(re, 0.8f) : 0.664f * root(re)) * schmidtCubeRoot;
}

void CONDUI(const AnalysisContext& ctx, float M) {
  AnalysisResults& r = ctx.results;
  FlowFormHydraulics& hy = r.kept.conduit;
  const TestDescription& t = ctx.test;
  const float V = r.aquiferVolume;
  const float L = t.distance;
  if (!describable(V, L)) return;
  const float v = r.meanVelocity;
  const float Mi = ctx.control.injectedMass;

  const float d = 2.0f * root(quotient(V, kPi * L));
  const float A = quotient(V, L);
  const float h = quotient(A, d);
  const float re = v * kDensity * d / kViscosity;
  const float fr = quotient(v, root(kGravity * h));
  const ConduitFriction cf = conduitFriction(re, d);
  hy.reynolds = re;
  hy.friction = cf.friction;
  if (!cf.laminar) hy.sublayer = cf.sublayer;

  float sh;
  if (!cf.laminar) {
    sh = 0.023f * guard::power(re, 0.83f) * kSchmidtCubeRoot;
  } else {
    const float g = quotient(d, L) * re * kSchmidt;
    sh = 3.65f + quotient(0.668f * g, guard::power(1.0f + 0.04f * g, 0.67f));
  }
  r.schmidt = kSchmidt;
  r.sherwood = sh;
  r.massTransfer = quotient(sh * kDiffusion, d);
  r.kept.diffusionLayer = quotient(d, sh);

  if (cf.laminar)
    hy.headLoss = quotient(kEightViscosity * v * L, kSpecificWeight * quotient(V, kPi * L));
  else
    hy.headLoss = quotient(cf.friction * L * v * v, kTwoGravity * d);
  const float S = cf.laminar ? quotient(kPi * L * d * root(cf.friction) * re, d)
                             : quotient(kPi * L * d, hy.sublayer / 1000.0f);
  const float Mr = guard::ugToMg(M);
  const float ka = Mi >= Mr ? quotient((Mi - Mr) * V, S * Mr) : 0.0f;
  r.crossSection = A;
  r.surfaceArea = S;
  r.sorption = ka;
  r.froude = fr;

  ctx.echoEmpty(3);
  ctx.echoLine(
      labelled(15, "Flow-channel volume estimate", g10(V, "Flow-channel volume estimate"), "m^3"));
  if (t.dischargeMode == 1 && t.stationTotals == 1) {
    limitLine(ctx, "Based on a lower integration limit", r.lowerLimit);
    limitLine(ctx, "and on an upper integration limit", r.upperLimit);
  }
  ctx.echoEmpty();
  ctx.echoLine(labelled(15, "Flow-channel cross-sectional area",
                        g10(A, "Flow-channel cross-sectional area"), "m^2"));
  ctx.echoEmpty();
  hydraulicLines(ctx, {"Flow-channel surface area", "Tracer sorption coefficient (channel)",
                       "Hydraulic head loss along channel"},
                 S, ka, hy, cf.laminar);
  if (t.stationTotals == 1) {
    ctx.echoLine(labelled(15, "Estimated Reynolds number", g10(re, "Estimated Reynolds number")));
    ctx.echoLine(labelled(16, "Based on an estimated tube diameter",
                          g10(d, "Based on an estimated tube diameter"), "m"));
    feetLine(ctx, d, "Based on an estimated tube diameter");
    if (cf.laminar)
      ctx.echoLine(labelled(16, "and an hydraulic conductivity",
                            g10((d / 2.0f) * (d / 2.0f) * kSpecificWeight / kEightViscosity,
                                "and an hydraulic conductivity"),
                            "m/s"));
    ctx.echoEmpty(2);
    ctx.echoLine(labelled(15, "Estimated Froude number", g10(fr, "Estimated Froude number")));
    ctx.echoLine(labelled(16, "Based on an estimated hydraulic depth",
                          g10(h, "Based on an estimated hydraulic depth"), "m"));
    feetLine(ctx, h, "Based on an estimated hydraulic depth");
    hy.shearVelocity = root(quotient(kGravity * h * hy.headLoss, L));
  }
  ctx.echoPause();
}

void PORZON(const AnalysisContext& ctx) {
  AnalysisResults& r = ctx.results;
  FlowFormHydraulics& hy = r.kept.porous;
  TestDescription& t = ctx.test;
  const float V = r.aquiferVolume;
  const float L = t.distance;
  const float v = r.meanVelocity;

  float& K = t.conductivity;
  switch (t.conductivityUnit) {
    case 2: K = K * 3600.0f; break;
    case 3: K = K * 0.3048f; break;
    case 4: K = K * 3600.0f * 0.3048f; break;
    default: break;
  }
  r.schmidt = kSchmidt;
  if (K > 0) {
    // The grain-scale length is the square root of the intrinsic
    // permeability.
    hy.reynolds = (v * kDensity / kViscosity) * root(K * kViscosity / kSpecificWeight);
    hy.headLoss = v * L / K;
  }
  const float re = hy.reynolds;
  if (re > 0) r.sherwood = sherwoodNumber(re, kSchmidtCubeRoot);
  r.crossSection = quotient(V, L);

  if (V != 0) {
    if (ctx.echo()) ctx.console.empty(2);
    ctx.echoEmpty(6);
    ctx.echoLine(labelled(15, "Transport zone volume estimate",
                          g10(V, "Transport zone volume estimate"), "m^3"));
    ctx.echoEmpty(4);
  }
  ctx.echoEmpty();
  ctx.echoLine(labelled(15, "Transport zone cross-sectional area",
                        g10(r.crossSection, "Transport zone cross-sectional area"), "m^2"));
  ctx.echoEmpty(4);
  porosityCheck(ctx);
  if (hy.headLoss > 0) {
    ctx.echoLine(labelled(15, "Hydraulic head loss along channel",
                          g10(hy.headLoss, "Hydraulic head loss along channel"), "m"));
    ctx.echoEmpty(4);
  }
  if (t.stationTotals == 1 && V != 0) {
    ctx.echoLine(labelled(15, "Estimated Reynolds number", g10(re, "Estimated Reynolds number")));
    ctx.echoEmpty(4);
  }
  ctx.echoPause();
}

void FRACTR(const AnalysisContext& ctx, float M) {
  AnalysisResults& r = ctx.results;
  FlowFormHydraulics& hy = r.kept.fracture;
  TestDescription& t = ctx.test;
  const float V = r.aquiferVolume;
  const float L = t.distance;
  const float v = r.meanVelocity;
  const float Mi = ctx.control.injectedMass;

  // The fissure height is held in the hydraulic-conductivity field.
  float& b = t.conductivity;
  if (t.conductivityUnit == 2) b = b * 0.3048f;
  const bool volume = describable(V, L);
  float A = 0, w = 0, R = 0;
  if (volume) {
    A = quotient(V, L);
    if (b <= 0) b = 5.0f * root(A);
    w = quotient(A, b);
    R = quotient(w * b, 2.0f * b + w);
    hy.reynolds = R * v * kDensity / kViscosity;
  }
  if (b != 0) r.froude = quotient(v, root(kGravity * b));
  const float re = hy.reynolds;
  FractureFriction ff{true, 0.0f, 0.0f};
  if (volume) {
    ff = fractureFriction(re, w, L);
    hy.friction = ff.friction;
    if (!ff.laminar) hy.sublayer = ff.sublayer;
    ctx.echoEmpty(6);
    ctx.echoLine(labelled(15, "Transport zone volume estimate",
                          g10(V, "Transport zone volume estimate"), "m^3"));
    r.schmidt = kSchmidt;
    const float sh = sherwoodNumber(re, std::pow(kSchmidt, 1.0f / 3.0f));
    r.sherwood = sh;
    r.massTransfer = quotient(sh * kDiffusion, w);
    r.kept.diffusionLayer = quotient(w, sh);
    hy.headLoss = ff.laminar ? quotient(kTwelveViscosity * v * L, kSpecificWeight * w * w)
                             : quotient(ff.friction * L * v * v, kTwoGravity * 4.0f * R);
    r.crossSection = A;
    ctx.echoEmpty();
    ctx.echoLine(labelled(15, "Transport zone cross-sectional area",
                          g10(A, "Transport zone cross-sectional area"), "m^2"));
    ctx.echoLine(labelled(16, "Based on an estimated fissure height",
                          g10(b, "Based on an estimated fissure height"), "m"));
    ctx.echoEmpty();
  }
  porosityCheck(ctx);
  const float n = t.porosity;
  if (volume) {
    const float S = ff.laminar ? 2.0f * L * b * 1000.0f / n
                               : quotient(quotient(2.0f * L * b, hy.sublayer / 1000.0f), n);
    const float Mr = guard::ugToMg(M);
    const float ka = Mi > Mr ? quotient((Mi - Mr) * V, S * Mr) : 0.0f;
    r.surfaceArea = S;
    r.sorption = ka;
    hydraulicLines(ctx, {"Transport zone surface area", "Tracer sorption coefficient (aquifer)",
                         "Hydraulic head loss along fracture(s)"},
                   S, ka, hy, ff.laminar);
    ctx.echoLine(labelled(15, "Estimated Reynolds number", g10(re, "Estimated Reynolds number")));
    // This line has its own spacing: 16 blanks after the label put the
    // number one column further right than on the other lines.
    ctx.echoLine(text::blanks(16) + "Based on an estimated transport width" + text::blanks(16) +
                 g10(w, "Based on an estimated transport width") + "m");
    feetLine(ctx, w, "Based on an estimated transport width");
    if (ff.laminar) {
      ctx.echoLine(labelled(
          16, "and an hydraulic conductivity",
          g10(n * kSpecificWeight * w * w / kTwelveViscosity, "and an hydraulic conductivity"),
          "m/s"));
      ctx.echoEmpty(2);
    }
  }
  if (b != 0) {
    ctx.echoEmpty(2);
    ctx.echoLine(labelled(15, "Estimated Froude number", g10(r.froude, "Estimated Froude number")));
  }
  if (volume) {
    ctx.echoLine(labelled(16, "Based on an estimated hydraulic depth",
                          g10(b, "Based on an estimated hydraulic depth"), "m"));
    feetLine(ctx, b, "Based on an estimated hydraulic depth");
    hy.shearVelocity = root(quotient(kGravity * b * hy.headLoss, L));
  }
  ctx.echoPause();
}

void PORRST(const AnalysisContext& ctx) {
  const float n = ctx.test.porosity;
  ctx.bothEmpty();
  ctx.bothLine(text::blanks(16) + "POROSITY" + fmt::F(n * 100.0f, 7, 2) +
               (n > 1.0f ? "% > 100%" : "% <= 0.0%"));
  ctx.console.empty();
  ctx.console.free("           POROSITY RESET TO 1.0 (100%)");
  ctx.console.empty(2);
  ctx.listing.empty();
  ctx.listing.line(fmt::FreeLine("             POROSITY RESET TO 100%").str());
  ctx.listing.empty(2);
}

void GEOMET(const AnalysisContext& ctx, int32_t n, std::span<const float> X,
            std::span<const float> Q, std::span<float> D, float M) {
  AnalysisResults& r = ctx.results;
  const TestDescription& t = ctx.test;
  r.schmidt = r.sherwood = r.massTransfer = 0;

  if (t.stationTotals == 1 && t.dischargeMode == 1 && n >= 1 && X[0] != 0) {
    volumeStartReport(ctx);
    if (ctx.echo()) {
      ctx.echoPause();
      return;
    }
  }

  const float meanSeconds = r.meanTimeMinutes * 60.0f;
  r.upperLimit = meanSeconds;
  int32_t ierr = 0;
  float V = CURINT(ctx.console, r, n, X.data(), Q.data(), D.data(), false, ierr);
  if (ierr != 0) {
    volumeIntegrationWarning(ctx, ierr);
    ctx.echoPause();
  }
  if (t.dischargeMode == 2 && t.stationTotals == 1) V = meanSeconds * t.constantDischarge;
  r.aquiferVolume = V;

  float shearVelocity = 0;
  switch (t.geometry) {
    case 1:
    case 2:
      CONDUI(ctx, M);
      shearVelocity = r.kept.conduit.shearVelocity;
      break;
    case 3:
      if (t.conductivityUnit == 0) return;
      PORZON(ctx);
      break;
    case 4:
      FRACTR(ctx, M);
      shearVelocity = r.kept.fracture.shearVelocity;
      break;
    default: break;
  }
  const bool porous = t.geometry == 3;
  const bool form = t.geometry >= 1 && t.geometry <= 4;
  if ((porous || !form) ? V != 0 : describable(V, t.distance))
    massTransferLines(ctx, shearVelocity);

  if (t.normalizedOption == 1) return;
  ctx.bothEmpty();
  ctx.echoPause();
}

}  // namespace kaldero
