#include "analysis/run_totals.h"

#include "analysis/guards.h"

namespace kaldero {

void addStationToTotals(RunTotals& totals, const AnalysisResults& r, const TestDescription& t) {
  totals.recoveredMass += r.recoveredMass;
  if (on(t.stationTotals)) {
    totals.aquiferVolume += r.aquiferVolume;
    totals.surfaceArea += r.surfaceArea;
  }
}

void finishRunTotals(RunTotals& totals, const AnalysisResults& last, const TestDescription& t,
                     float M) {
  totals.recoveredMassKg = totals.recoveredMass * 1e-9f;
  const float V = totals.aquiferVolume;
  const float A = totals.surfaceArea;
  totals.volumeBlock = last.aquiferVolume != 0;
  if (totals.volumeBlock) {
    if (t.geometry != FlowForm::PorousZone && on(t.stationTotals)) {
      const float R = guard::ugToMg(totals.recoveredMass);
      const float rv = guard::quotient(R, V);
      float kd = guard::quotient(V * (guard::quotient(M, V) - rv), rv * A);
      if (kd < 0) kd = 0;
      totals.finalSorption = kd;
    }
    totals.severalVolumes = last.aquiferVolume != V;
  }
  const float R = guard::ugToMg(totals.recoveredMass);
  totals.percentRecovery = guard::quotient(R, M) * 100.0f;
  totals.accuracyIndex = guard::quotient(M - R, M);
}

}  // namespace kaldero
