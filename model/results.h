// The analysis results of one station that later steps, the listings and
// the plots read.
#pragma once

#include <cstdint>

namespace kaldero {

// Hydraulic values of one flow form. They are kept from station to station:
// a branch that does not compute a value leaves the one of an earlier
// station.
struct FlowFormHydraulics {
  float headLoss = 0;       // m
  float friction = 0;       // friction factor
  float reynolds = 0;
  float sublayer = 0;       // viscous-flow sublayer, mm
  float shearVelocity = 0;  // m/s
};

// What survives the per-station reset.
struct PersistentResults {
  // Maximum tracer velocity from the first arrival; kept when no sample
  // qualifies.
  float maxVelocity = 0;        // m/s
  float maxVelocityHour = 0;    // m/h
  float maxVelocityDay = 0;     // m/d
  FlowFormHydraulics conduit;   // flow-geometry codes 1 and 2
  FlowFormHydraulics porous;    // code 3 (head loss and Reynolds number only)
  FlowFormHydraulics fracture;  // code 4
  float diffusionLayer = 0;     // molecular diffusion layer thickness, m
};

struct AnalysisResults {
  // Integration limits (seconds) and the warning code of the last
  // integration whose limit lay outside the sampled times.
  float lowerLimit = 0;
  float upperLimit = 0;
  float recordedUpperLimit = 0;
  int32_t limitsWarning = 0;

  // First arrival and peak.
  float firstArrival = 0;      // s
  int32_t peakIndex = 0;       // 1-based position of the peak sample
  float peakConcentration = 0; // ng/L
  float peakTime = 0;          // s, corrected by the flow-zone arrival time
  float chatwinPeak = 0;       // peak concentration * sqrt(peak time)

  // Mass recovery and the moment integrals.
  float recoveredMass = 0;       // ug
  float recoveredMassGrams = 0;  // g
  float firstMoment = 0;         // first-moment integral (or shortfall integral)
  float comparisonTime = 0;      // h
  float distanceWeighted = 0;    // distance-weighted integral

  // Transit times (corrected by the flow-zone arrival time after the
  // transit-time step).
  float meanTimeDays = 0;
  float meanTimeHours = 0;
  float meanTimeMinutes = 0;
  float variance = 0;            // h^2
  float standardDeviation = 0;   // h
  float longReleaseMoment = 0;   // s*h, long release only
  float zerothMoment = 0;        // pulse regime only
  float skewness = 0;
  float kurtosis = 0;

  // Handed over by the Chatwin step: its dispersion estimate (0 when there
  // is none) and the flow-zone velocity correction.
  float chatwinDispersion = 0;           // m^2/s
  float flowZoneVelocityCorrection = 0;  // m/s

  // Velocities and dispersion.
  float meanVelocity = 0;        // m/s
  float meanVelocityHour = 0;    // m/h
  float meanVelocityDay = 0;     // m/d
  float velocitySpread = 0;      // standard deviation of the velocity, m/h
  float momentDispersion = 0;    // m^2/s
  float dispersion = 0;          // the estimate reported, m^2/s
  float dispersivity = 0;        // m
  float peclet = 0;

  // Flow geometry, volumes and sorption.
  float aquiferVolume = 0;       // m^3
  float surfaceArea = 0;         // m^2
  float crossSection = 0;        // m^2
  float sorption = 0;            // surface sorption coefficient, m
  float froude = 0;
  float schmidt = 0;
  float sherwood = 0;
  float massTransfer = 0;        // m/s

  // Recovery.
  float percentRecovery = 0;
  float accuracyIndex = 0;

  PersistentResults kept;

  // Per-station results are cleared before every station; the values kept
  // from station to station survive.
  void resetStation() {
    const PersistentResults k = kept;
    *this = AnalysisResults{};
    kept = k;
  }
};

}  // namespace kaldero
