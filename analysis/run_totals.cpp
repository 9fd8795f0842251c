#include "analysis/run_totals.h"

#include "analysis/guards.h"

namespace kaldero {

namespace {

float volumeOf(const StationResults& r) { return r.geometry ? r.geometry->volume : 0.0f; }

}  // namespace

RunSums addStation(const RunSums& sums, const StationResults& r, const TestDescription& t) {
  RunSums out = sums;
  out.recoveredMass += r.mass ? r.mass->mass.micrograms : 0.0f;
  if (on(t.stationTotals) && r.geometry) {
    out.aquiferVolume += r.geometry->volume;
    out.surfaceArea += r.geometry->surfaceArea;
  }
  return out;
}

RunTotals runTotals(const RunSums& sums, const StationResults& last, const TestDescription& t,
                    float M) {
  RunTotals out;
  out.sums = sums;
  const float total = sums.recoveredMass;
  out.recoveredMassKg = total * 1e-9f;
  out.recoveredMassG = total * 1e-6f;
  if (total * 0.001f < 1000.0f) out.recoveredMassMg = total * 0.001f;
  if (total < 1000.0f) out.recoveredMassUg = total;
  const float V = sums.aquiferVolume;
  const float A = sums.surfaceArea;
  const float lastVolume = volumeOf(last);
  if (lastVolume != 0) {
    RunTotals::VolumeBlock block;
    block.aquifer = t.geometry == FlowForm::Conduit || t.geometry == FlowForm::PorousZone ||
                    t.geometry == FlowForm::Fractures;
    if (t.geometry != FlowForm::PorousZone) {
      block.surfaceArea = A;
      // Without the station totals the run has no sorption coefficient of
      // its own: the listing shows 0.
      Carried kd;
      if (on(t.stationTotals)) {
        const float R = guard::ugToMg(total);
        const float rv = guard::quotient(R, V);
        float k = guard::quotient(V * (guard::quotient(M, V) - rv), rv * A);
        if (k < 0) k = 0;
        kd = {k, true};
      }
      block.finalSorption = kd;
    }
    block.severalVolumes = lastVolume != V;
    out.volume = block;
  }
  // Without an injected mass the recovery of the run is undefined.
  if (M != 0) {
    const float R = guard::ugToMg(total);
    out.percentRecovery = R / M * 100.0f;
    out.accuracyIndex = (M - R) / M;
    out.impossible = *out.percentRecovery > 100.0f;
  }
  return out;
}

}  // namespace kaldero
