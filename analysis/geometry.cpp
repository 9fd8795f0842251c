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
float checkedPorosity(FlowGeometry& g, float porosity) {
  if (porosity > 1.0f || porosity <= 0) {
    g.porosityReset = PorosityReset{porosity, porosity * 100.0f};
    return 1.0f;
  }
  return porosity;
}

// A length also in feet when the conductivity unit code is 2.
Length length(float metres, const TestDescription& t) {
  Length l{metres, std::nullopt};
  if (t.conductivityUnit == ConductivityUnit::Code2) l.feet = metres * 3.2808f;
  return l;
}

Carried computed(float value) { return {value, true}; }

// What the flow forms share.
struct FormInputs {
  const AnalysisInputs& in;
  float V;     // volume, m3
  float L;     // distance, m
  float v;     // mean velocity, m/s
  float M;     // recovered mass, ug
  float meanSeconds;
};

// A circular conduit.
void conduit(FlowGeometry& g, const FormInputs& f, FlowFormHydraulics& hy, Carried& diffusion,
             float& sherwood, float& coefficient) {
  const AnalysisInputs& in = f.in;
  const float V = f.V, L = f.L, v = f.v;
  if (!describable(V, L)) return;
  const float Mi = in.release.injectedMass;
  ConduitForm c;
  c.volume = V;
  const float d = 2.0f * root(quotient(V, kPi * L));
  const float A = quotient(V, L);
  const float h = quotient(A, d);
  const float re = v * kDensity * d / kViscosity;
  const float fr = quotient(v, root(kGravity * h));
  const ConduitFriction cf = conduitFriction(re, d);
  hy.reynolds = computed(re);
  hy.friction = computed(cf.friction);
  if (!cf.laminar) hy.sublayer = computed(cf.sublayer);

  float sh;
  if (!cf.laminar) {
    sh = 0.023f * guard::power(re, 0.83f) * kSchmidtCubeRoot;
  } else {
    const float gz = quotient(d, L) * re * kSchmidt;
    sh = 3.65f + quotient(0.668f * gz, guard::power(1.0f + 0.04f * gz, 0.67f));
  }
  sherwood = sh;
  coefficient = quotient(sh * kDiffusion, d);
  diffusion = computed(quotient(d, sh));

  if (cf.laminar)
    hy.headLoss = computed(quotient(kEightViscosity * v * L, kSpecificWeight * quotient(V, kPi * L)));
  else
    hy.headLoss = computed(quotient(cf.friction * L * v * v, kTwoGravity * d));
  const float S = cf.laminar ? quotient(kPi * L * d * root(cf.friction) * re, d)
                             : quotient(kPi * L * d, hy.sublayer.value / 1000.0f);
  const float Mr = guard::ugToMg(f.M);
  const float ka = Mi >= Mr ? quotient((Mi - Mr) * V, S * Mr) : 0.0f;
  c.crossSection = A;
  c.surfaceArea = S;
  c.sorption = ka;
  c.headLoss = hy.headLoss.value;
  c.friction = cf.friction;
  if (!cf.laminar) c.sublayer = cf.sublayer;
  const TestDescription& t = in.test;
  if (t.dischargeMode == DischargeMode::Measured && on(t.stationTotals))
    c.volumeLimits = g.volumeLimits;
  if (on(t.stationTotals)) {
    hy.shearVelocity = computed(root(quotient(kGravity * h * hy.headLoss.value, L)));
    ConduitForm::Totals totals;
    totals.reynolds = re;
    totals.diameter = length(d, t);
    if (cf.laminar) totals.conductivity = (d / 2.0f) * (d / 2.0f) * kSpecificWeight / kEightViscosity;
    totals.froude = fr;
    totals.depth = length(h, t);
    c.totals = totals;
  }
  g.surfaceArea = S;
  g.conduit = c;
}

// A porous transport zone.
void porousZone(FlowGeometry& g, const FormInputs& f, FlowFormHydraulics& hy, float& sherwood) {
  const TestDescription& t = f.in.test;
  const float V = f.V, L = f.L, v = f.v;
  float K = t.conductivity;
  switch (t.conductivityUnit) {
    case ConductivityUnit::Code2: K = K * 3600.0f; break;
    case ConductivityUnit::Code3: K = K * 0.3048f; break;
    case ConductivityUnit::Code4: K = K * 3600.0f * 0.3048f; break;
    default: break;
  }
  g.conductivity = K;
  if (K > 0) {
    // The grain-scale length is the square root of the intrinsic
    // permeability.
    hy.reynolds = computed((v * kDensity / kViscosity) * root(K * kViscosity / kSpecificWeight));
    hy.headLoss = computed(v * L / K);
  }
  const float re = hy.reynolds.value;
  if (re > 0) sherwood = sherwoodNumber(re, kSchmidtCubeRoot);
  PorousForm p;
  if (V != 0) p.volume = V;
  p.crossSection = quotient(V, L);
  (void)checkedPorosity(g, t.porosity);
  if (hy.headLoss.value > 0) p.headLoss = hy.headLoss;
  if (on(t.stationTotals) && V != 0) p.reynolds = hy.reynolds;
  g.porous = p;
}

// Fractures. The fissure height is the hydraulic-conductivity value of the
// header.
void fractures(FlowGeometry& g, const FormInputs& f, FlowFormHydraulics& hy, Carried& diffusion,
               float& sherwood, float& coefficient) {
  const AnalysisInputs& in = f.in;
  const TestDescription& t = in.test;
  const float V = f.V, L = f.L, v = f.v;
  const float Mi = in.release.injectedMass;

  float b = t.conductivity;
  if (t.conductivityUnit == ConductivityUnit::Code2) b = b * 0.3048f;
  const bool volume = describable(V, L);
  float A = 0, w = 0, R = 0;
  if (volume) {
    A = quotient(V, L);
    if (b <= 0) b = 5.0f * root(A);
    w = quotient(A, b);
    R = quotient(w * b, 2.0f * b + w);
    hy.reynolds = computed(R * v * kDensity / kViscosity);
  }
  FractureForm form;
  if (b != 0) form.froude = quotient(v, root(kGravity * b));
  const float re = hy.reynolds.value;
  FractureFriction ff{true, 0.0f, 0.0f};
  if (volume) {
    ff = fractureFriction(re, w, L);
    hy.friction = computed(ff.friction);
    if (!ff.laminar) hy.sublayer = computed(ff.sublayer);
    const float sh = sherwoodNumber(re, std::pow(kSchmidt, 1.0f / 3.0f));
    sherwood = sh;
    coefficient = quotient(sh * kDiffusion, w);
    diffusion = computed(quotient(w, sh));
    hy.headLoss = computed(ff.laminar ? quotient(kTwelveViscosity * v * L, kSpecificWeight * w * w)
                                      : quotient(ff.friction * L * v * v, kTwoGravity * 4.0f * R));
  }
  const float n = checkedPorosity(g, t.porosity);
  if (volume) {
    FractureForm::Described d;
    d.volume = V;
    d.crossSection = A;
    d.fissureHeight = b;
    d.surfaceArea = ff.laminar ? 2.0f * L * b * 1000.0f / n
                               : quotient(quotient(2.0f * L * b, hy.sublayer.value / 1000.0f), n);
    const float Mr = guard::ugToMg(f.M);
    d.sorption = Mi > Mr ? quotient((Mi - Mr) * V, d.surfaceArea * Mr) : 0.0f;
    d.headLoss = hy.headLoss.value;
    d.friction = ff.friction;
    if (!ff.laminar) d.sublayer = ff.sublayer;
    d.reynolds = re;
    d.width = length(w, t);
    if (ff.laminar) d.conductivity = n * kSpecificWeight * w * w / kTwelveViscosity;
    d.depth = length(b, t);
    hy.shearVelocity = computed(root(quotient(kGravity * b * hy.headLoss.value, L)));
    g.surfaceArea = d.surfaceArea;
    form.described = d;
  }
  g.conductivity = b;
  g.fractures = form;
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

FlowGeometry flowGeometry(const AnalysisInputs& in, const Curve& cv, const MassRecovery& mass,
                          const TransitTimes& transit, const Transport& transport,
                          const CarriedResults& carried, CarriedResults& after) {
  const TestDescription& t = in.test;
  FlowGeometry g;
  after = carried;
  // The header's value, unless a flow form rescales it (porous zone) or
  // takes it as the fissure height (fractures).
  g.conductivity = t.conductivity;
  const int32_t n = cv.size();
  // The limits of the volume integral: the report of a discharge record
  // that starts after the release reads the lower one, also when the step
  // ends there.
  const float meanSeconds = transit.meanTime.minutes * 60.0f;
  g.volumeLimits = {mass.limits.lower, meanSeconds};
  if (on(t.stationTotals) && t.dischargeMode == DischargeMode::Measured && n >= 1 &&
      cv.T[0] != 0) {
    g.startsAfterRelease = true;
    if (t.echo()) {
      g.endedAtStart = true;
      return g;
    }
  }

  const Integral volume = integrate(g.volumeNotices, n, cv.T, cv.Q, g.volumeLimits, in.setup.wideSums);
  g.volumeCode = volume.code;
  float V = volume.value;
  if (t.dischargeMode == DischargeMode::Constant && on(t.stationTotals))
    V = meanSeconds * in.setup.constantDischarge;
  g.volume = V;

  const FormInputs f{in, V, in.setup.distance, transport.meanVelocity.perSecond,
                     mass.mass.micrograms, meanSeconds};
  float sherwood = 0, coefficient = 0;
  std::optional<Carried> shear;
  switch (t.geometry) {
    case FlowForm::Conduit:
    case FlowForm::ConduitZone:
      conduit(g, f, after.conduit, after.diffusionLayer, sherwood, coefficient);
      shear = after.conduit.shearVelocity;
      break;
    case FlowForm::PorousZone:
      if (t.conductivityUnit == ConductivityUnit::None) {
        g.noFlowForm = true;
        return g;
      }
      porousZone(g, f, after.porous, sherwood);
      break;
    case FlowForm::Fractures:
      fractures(g, f, after.fracture, after.diffusionLayer, sherwood, coefficient);
      shear = after.fracture.shearVelocity;
      break;
    default:
      // A flow form the header does not name: its mass-transfer lines show
      // nothing of a form.
      shear = Carried{};
      break;
  }
  const bool porous = t.geometry == FlowForm::PorousZone;
  const bool form = code(t.geometry) >= 1 && code(t.geometry) <= 4;
  const bool lines = (porous || !form) ? V != 0 : describable(V, in.setup.distance);
  if (lines) {
    MassTransfer m;
    m.schmidt = form ? kSchmidt : 0.0f;
    m.sherwood = sherwood;
    if (!porous) {
      m.shearVelocity = shear;
      m.coefficient = coefficient;
      m.diffusionLayer = Carried{after.diffusionLayer.value * 1000.0f, after.diffusionLayer.computed};
    }
    g.massTransfer = m;
  }
  return g;
}

}  // namespace kaldero
