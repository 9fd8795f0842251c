#include "analysis/finite_check.h"

namespace kaldero {

namespace {

void check(FiniteCheck& c, std::string_view q, const VelocityInUnits& v) {
  c(q, v.perDay);
  c(q, v.perHour);
  c(q, v.perSecond);
}

void check(FiniteCheck& c, std::string_view q, const InDaysHoursMinutes& t) {
  c(q, t.days);
  c(q, t.hours);
  c(q, t.minutes);
}

void check(FiniteCheck& c, std::string_view q, const Length& l) {
  c(q, l.metres);
  c(q, l.feet);
}

void check(FiniteCheck& c, std::string_view q, const std::optional<Carried>& v) {
  if (v) c(q, v->value);
}

}  // namespace

void check(FiniteCheck& c, const ArrivalAndPeak& r) {
  c("Time to leading edge (first arrival)", r.firstArrival);
  c("Time to peak tracer concentration", r.peakTime);
  c("For a peak tracer concentration", r.peakConcentration);
}

void check(FiniteCheck& c, const TravelDistance& r) {
  c("Distance from input to outflow point", r.metres);
  c("Distance from input to outflow point", r.feet);
}

void check(FiniteCheck& c, const MassRecovery& r) {
  c("Lower integration limit", r.limits.lower);
  c("Upper integration limit", r.limits.upper);
  const std::string_view q = "The quantity of tracer recovered";
  c(q, r.mass.micrograms);
  c(q, r.mass.milligrams);
  c(q, r.mass.grams);
  c(q, r.mass.kilograms);
  c(q, r.mass.pounds);
}

void check(FiniteCheck& c, const ChatwinResults& r) {
  if (!r.fitted) return;
  c("time of the Chatwin table", r.listedTimes);
  c("Chatwin parameter", r.listedParameters);
  c("fitted Chatwin parameter", r.listedFits);
  c("Chatwin residual", r.listedResiduals);
  c("Chatwin residual", r.residual);
  c("Chatwin residual", r.fitResidual);
  c("Chatwin fit r squared", r.r2);
  c("Chatwin fit correlation coefficient", r.r);
  c("Chatwin fit probability", r.probability);
  c("Chatwin fit z statistic", r.z);
  c("Chatwin fit intercept", r.intercept);
  c("Chatwin fit slope", r.slope);
}

void check(FiniteCheck& c, const TransitTimes& r) {
  check(c, "The mean tracer transit time", r.meanTime);
  check(c, "Variance for mean tracer time", r.varianceUnits);
  check(c, "Standard deviation for tracer time", r.standardDeviation);
  c("skewness of the transit time", r.skewness);
  c("kurtosis of the transit time", r.kurtosis);
  c("mean transit time", r.meanTimeInTimeUnit);
  c("standard deviation of the transit time", r.standardDeviationInTimeUnit);
}

void check(FiniteCheck& c, const Transport& r) {
  check(c, "The mean tracer velocity", r.meanVelocity);
  if (r.velocitySpread) check(c, "Standard deviation for tracer velocity", *r.velocitySpread);
  c("Dispersion coefficient", r.dispersion);
  c("Longitudinal dispersivity", r.dispersivity);
  c("Peclet number", r.peclet);
  check(c, "The maximum tracer velocity", r.maxVelocityUnits);
}

void check(FiniteCheck& c, const FlowGeometry& g) {
  if (g.endedAtStart) return;
  if (g.conduit) {
    const ConduitForm& f = *g.conduit;
    c("Flow-channel volume estimate", f.volume);
    if (f.volumeLimits) {
      c("Based on a lower integration limit", f.volumeLimits->lower);
      c("and on an upper integration limit", f.volumeLimits->upper);
    }
    c("Flow-channel cross-sectional area", f.crossSection);
    c("Flow-channel surface area", f.surfaceArea);
    c("Tracer sorption coefficient (channel)", f.sorption);
    c("Hydraulic head loss along channel", f.headLoss);
    c("Based on a friction factor", f.friction);
    c("Viscous-flow sublayer along walls", f.sublayer);
    if (f.totals) {
      c("Estimated Reynolds number", f.totals->reynolds);
      check(c, "Based on an estimated tube diameter", f.totals->diameter);
      c("and an hydraulic conductivity", f.totals->conductivity);
      c("Estimated Froude number", f.totals->froude);
      check(c, "Based on an estimated hydraulic depth", f.totals->depth);
    }
  }
  if (g.porous) {
    const PorousForm& f = *g.porous;
    c("Transport zone volume estimate", f.volume);
    c("Transport zone cross-sectional area", f.crossSection);
    check(c, "Hydraulic head loss along channel", f.headLoss);
    check(c, "Estimated Reynolds number", f.reynolds);
  }
  if (g.fractures) {
    const FractureForm& f = *g.fractures;
    if (f.described) {
      const FractureForm::Described& d = *f.described;
      c("Transport zone volume estimate", d.volume);
      c("Transport zone cross-sectional area", d.crossSection);
      c("Based on an estimated fissure height", d.fissureHeight);
      c("Transport zone surface area", d.surfaceArea);
      c("Tracer sorption coefficient (aquifer)", d.sorption);
      c("Hydraulic head loss along fracture(s)", d.headLoss);
      c("Based on a friction factor", d.friction);
      c("Viscous-flow sublayer along walls", d.sublayer);
      c("Estimated Reynolds number", d.reynolds);
      check(c, "Based on an estimated transport width", d.width);
      c("and an hydraulic conductivity", d.conductivity);
      check(c, "Based on an estimated hydraulic depth", d.depth);
    }
    c("Estimated Froude number", f.froude);
  }
  if (g.porosityReset) c("POROSITY", g.porosityReset->percent);
  if (g.massTransfer) {
    const MassTransfer& m = *g.massTransfer;
    check(c, "Shear velocity", m.shearVelocity);
    c("Estimated Schmidt number", m.schmidt);
    c("Estimated Sherwood number", m.sherwood);
    c("Mass transfer coef. from wall to flow", m.coefficient);
    check(c, "Molecular diffusion layer thickness", m.diffusionLayer);
  }
}

void check(FiniteCheck& c, const Recovery& r) {
  c("Percent recovery of tracer injected", r.percent);
  c("Accuracy index", r.accuracyIndex);
}

void check(FiniteCheck& c, const RunTotals& r) {
  const std::string_view q = "Total quantity of tracer recovered";
  c(q, r.recoveredMassKg);
  c(q, r.recoveredMassG);
  c(q, r.recoveredMassMg);
  c(q, r.recoveredMassUg);
  if (r.volume) {
    c(r.volume->aquifer ? "Total aquifer volume estimate" : "Total transport zone volume estimate",
      r.sums.aquiferVolume);
    c("Total aquifer surface area estimate", r.volume->surfaceArea);
    if (r.volume->finalSorption)
      c("Final tracer sorption coefficient", r.volume->finalSorption->value);
  }
  c("Percent recovery of tracer injected", r.percentRecovery);
  c("Accuracy index", r.accuracyIndex);
}

void check(FiniteCheck& c, const cxtfit::Parameters& p) {
  if (p.sizeLine) {
    c("peak tracer velocity (CXTFIT input file)", p.sizeLine->peakVelocity);
    c("travel distance (CXTFIT input file)", p.sizeLine->distance);
    c("flow-form size (CXTFIT input file)", p.sizeLine->size);
    c("mean tracer velocity (CXTFIT input file)", p.sizeLine->meanVelocity);
  }
  c("travel distance (CXTFIT input file)", p.distance);
  c("peak tracer velocity (CXTFIT input file)", p.peakVelocityRange);
  c("dispersion coefficient (CXTFIT input file)", p.dispersionRange);
  c("ratio of mean to peak velocity (CXTFIT input file)", p.velocityRatioRange);
  c("input concentration (CXTFIT input file)", p.inputRange);
  c("sample time (CXTFIT input file)", p.hours);
  c("concentration (CXTFIT input file)", p.milligramsPerCubicMetre);
}

std::optional<std::string> nonFiniteKnots(const Curve& knots) {
  FiniteCheck c;
  c("knot time", knots.T);
  c("interpolated concentration", knots.C);
  c("interpolated discharge", knots.Q);
  return c.first();
}

std::optional<std::string> nonFiniteConditioned(const Curve& cv, DischargeMode mode,
                                                const StationSetup& setup) {
  FiniteCheck c;
  c("sample time in seconds", cv.T);
  c("concentration in ng/L", cv.C);
  if (mode == DischargeMode::Measured) c("discharge in m3/s", cv.Q);
  c("constant discharge in m3/s", setup.constantDischarge);
  c("travel distance in metres", setup.distance);
  return c.first();
}

}  // namespace kaldero
