#include "analysis/geometry.h"

#include <cmath>

#include "analysis/guards.h"
#include "analysis/integration.h"

namespace kaldero {

using guard::quotient;
using guard::root;
using namespace water;

namespace {

// A conduit or fractures can only be described for a positive volume along
// a positive distance. A volume of 0 comes from a constant discharge without
// the station totals; a negative one from negative discharges or from a
// mean transit time that the flow-zone arrival makes negative. Either way
// the form writes no volume-dependent lines.
bool describable(float V, float L) { return V > 0 && L > 0; }

// The porosity as the porous zone and fractures use it: one outside (0, 1]
// is reset to 1 (and reported).
float checkedPorosity(GeometryResults& g, float porosity) {
  g.porosityRead = porosity;
  if (porosity > 1.0f || porosity <= 0) {
    g.porosityReset = true;
    return 1.0f;
  }
  return porosity;
}

// A circular conduit (CONDUI).
void conduit(AnalysisResults& r, const AnalysisInputs& in, float M) {
  GeometryResults& g = r.geometry;
  FlowFormHydraulics& hy = r.kept.conduit;
  const float V = r.aquiferVolume;
  const float L = in.setup.distance;
  if (!describable(V, L)) return;
  g.described = true;
  const float v = r.meanVelocity;
  const float Mi = in.release.injectedMass;

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
    const float gz = quotient(d, L) * re * kSchmidt;
    sh = 3.65f + quotient(0.668f * gz, guard::power(1.0f + 0.04f * gz, 0.67f));
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
  g.laminar = cf.laminar;
  g.diameter = d;
  g.depth = h;
  if (cf.laminar)
    g.conduitConductivity = (d / 2.0f) * (d / 2.0f) * kSpecificWeight / kEightViscosity;
  if (on(in.test.stationTotals)) hy.shearVelocity = root(quotient(kGravity * h * hy.headLoss, L));
}

// A porous transport zone (PORZON).
void porousZone(AnalysisResults& r, const AnalysisInputs& in) {
  GeometryResults& g = r.geometry;
  FlowFormHydraulics& hy = r.kept.porous;
  const TestDescription& t = in.test;
  const float V = r.aquiferVolume;
  const float L = in.setup.distance;
  const float v = r.meanVelocity;

  float K = t.conductivity;
  switch (t.conductivityUnit) {
    case ConductivityUnit::Code2: K = K * 3600.0f; break;
    case ConductivityUnit::Code3: K = K * 0.3048f; break;
    case ConductivityUnit::Code4: K = K * 3600.0f * 0.3048f; break;
    default: break;
  }
  g.conductivity = K;
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
  g.porosity = checkedPorosity(g, t.porosity);
}

// Fractures (FRACTR). The fissure height is the hydraulic-conductivity
// value of the header.
void fractures(AnalysisResults& r, const AnalysisInputs& in, float M) {
  GeometryResults& g = r.geometry;
  FlowFormHydraulics& hy = r.kept.fracture;
  const TestDescription& t = in.test;
  const float V = r.aquiferVolume;
  const float L = in.setup.distance;
  const float v = r.meanVelocity;
  const float Mi = in.release.injectedMass;

  float b = t.conductivity;
  if (t.conductivityUnit == ConductivityUnit::Code2) b = b * 0.3048f;
  const bool volume = describable(V, L);
  g.described = volume;
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
    r.schmidt = kSchmidt;
    const float sh = sherwoodNumber(re, std::pow(kSchmidt, 1.0f / 3.0f));
    r.sherwood = sh;
    r.massTransfer = quotient(sh * kDiffusion, w);
    r.kept.diffusionLayer = quotient(w, sh);
    hy.headLoss = ff.laminar ? quotient(kTwelveViscosity * v * L, kSpecificWeight * w * w)
                             : quotient(ff.friction * L * v * v, kTwoGravity * 4.0f * R);
    r.crossSection = A;
  }
  const float n = checkedPorosity(g, t.porosity);
  g.porosity = n;
  if (volume) {
    const float S = ff.laminar ? 2.0f * L * b * 1000.0f / n
                               : quotient(quotient(2.0f * L * b, hy.sublayer / 1000.0f), n);
    const float Mr = guard::ugToMg(M);
    const float ka = Mi > Mr ? quotient((Mi - Mr) * V, S * Mr) : 0.0f;
    r.surfaceArea = S;
    r.sorption = ka;
    if (ff.laminar) g.fractureConductivity = n * kSpecificWeight * w * w / kTwelveViscosity;
    hy.shearVelocity = root(quotient(kGravity * b * hy.headLoss, L));
  }
  g.laminar = ff.laminar;
  g.conductivity = b;
  g.width = w;
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

void flowGeometry(AnalysisResults& r, const AnalysisInputs& in, int32_t n,
                  std::span<const float> X, std::span<const float> Q, std::span<float> D,
                  float M) {
  const TestDescription& t = in.test;
  GeometryResults& g = r.geometry;
  g = GeometryResults{};
  // The header's value, unless a flow form rescales it (porous zone) or
  // takes it as the fissure height (fractures).
  g.conductivity = t.conductivity;
  g.porosity = t.porosity;
  r.schmidt = r.sherwood = r.massTransfer = 0;

  if (on(t.stationTotals) && t.dischargeMode == DischargeMode::Measured && n >= 1 && X[0] != 0) {
    g.startsAfterRelease = true;
    if (t.echo()) {
      g.endedAtStart = true;
      return;
    }
  }

  const float meanSeconds = r.meanTimeMinutes * 60.0f;
  r.upperLimit = meanSeconds;
  int32_t ierr = 0;
  float V = integrateInterpolant(g.volumeNotices, r, n, X.data(), Q.data(), D.data(), false, ierr);
  g.volumeCode = ierr;
  if (t.dischargeMode == DischargeMode::Constant && on(t.stationTotals))
    V = meanSeconds * in.setup.constantDischarge;
  r.aquiferVolume = V;

  switch (t.geometry) {
    case FlowForm::Conduit:
    case FlowForm::ConduitZone:
      conduit(r, in, M);
      g.shearVelocity = r.kept.conduit.shearVelocity;
      break;
    case FlowForm::PorousZone:
      if (t.conductivityUnit == ConductivityUnit::None) {
        g.noFlowForm = true;
        return;
      }
      porousZone(r, in);
      break;
    case FlowForm::Fractures:
      fractures(r, in, M);
      g.shearVelocity = r.kept.fracture.shearVelocity;
      break;
    default: break;
  }
  const bool porous = t.geometry == FlowForm::PorousZone;
  const bool form = code(t.geometry) >= 1 && code(t.geometry) <= 4;
  g.massTransfer = (porous || !form) ? V != 0 : describable(V, in.setup.distance);
}

}  // namespace kaldero
