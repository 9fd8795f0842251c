// The analysis results of one station that later steps, the listings and
// the plots read.
#pragma once

#include <cstdint>

#include "model/notices.h"

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

// What the flow-geometry step found besides the values of the results
// block: which lines each flow form writes, and the lengths and values that
// only its lines show.
struct GeometryResults {
  // The discharge record does not begin at the release (time 0): the
  // volume cannot be integrated properly. With the screen echo on, the step
  // ends after saying so.
  bool startsAfterRelease = false;
  bool endedAtStart = false;
  // The volume integration: its notices and the code of its warning block
  // (0 when there is none).
  Notices volumeNotices;
  int32_t volumeCode = 0;
  // A porous zone without a conductivity unit ends the step before its
  // flow form.
  bool noFlowForm = false;
  // The flow form could be described (a positive volume along a positive
  // distance, for conduits and fractures).
  bool described = false;
  bool laminar = false;
  float diameter = 0;              // conduit, m
  float depth = 0;                 // hydraulic depth of a conduit, m
  float conduitConductivity = 0;   // of a laminar conduit, m/s
  float conductivity = 0;          // porous zone: rescaled; fractures: the fissure height, m
  float width = 0;                 // transport width of fractures, m
  float fractureConductivity = 0;  // of laminar fractures, m/s
  float porosity = 0;              // as used
  bool porosityReset = false;      // the porosity read was outside (0, 1] and became 1
  float porosityRead = 0;
  float shearVelocity = 0;         // m/s, of the mass-transfer lines
  bool massTransfer = false;       // the mass-transfer lines are written
};

// The Chatwin fit: the straight line through the fit points, its
// statistics and the dispersion coefficient from its intercept.
struct ChatwinResults {
  bool fitted = false;     // a line with a positive intercept over two fit points or more
  int32_t listed = 0;      // K, the listed points
  int32_t fitPoints = 0;   // NFIT
  float residual = 0;      // root of the sum of squared residuals over the listed points
  float intercept = 0;     // a, s^1/2
  float slope = 0;         // b, s^1/2 per time unit of the station
  float r = 0;             // correlation statistics (0 with two fit points)
  float r2 = 0;
  float probability = 0;
  float z = 0;
  float dispersion = 0;    // m^2/s, 0 when there is no estimate
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
  ChatwinResults chatwin;

  // Velocities and dispersion.
  float meanVelocity = 0;        // m/s
  float meanVelocityHour = 0;    // m/h
  float meanVelocityDay = 0;     // m/d
  float velocitySpread = 0;      // standard deviation of the velocity, m/h
  float momentDispersion = 0;    // m^2/s
  float dispersion = 0;          // the estimate reported, m^2/s
  float dispersivity = 0;        // m
  float peclet = 0;
  bool pulseRegime = false;            // a pulse, not a long release, for the velocities
  bool dispersionFromMoments = false;  // the method-of-moments estimate was taken
  bool pecletFormed = false;           // the Peclet number could be formed

  // Flow geometry, volumes and sorption.
  float aquiferVolume = 0;       // m^3
  float surfaceArea = 0;         // m^2
  float crossSection = 0;        // m^2
  float sorption = 0;            // surface sorption coefficient, m
  float froude = 0;
  float schmidt = 0;
  float sherwood = 0;
  float massTransfer = 0;        // m/s
  GeometryResults geometry;

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

// The run totals written after the last station into its results listing:
// the total recovered mass, the total volume and surface area with the
// final sorption coefficient, and the percent recovery of the whole run.
struct RunTotals {
  float recoveredMass = 0;    // ug, every station
  float aquiferVolume = 0;    // m3, stations with the station-totals option
  float surfaceArea = 0;      // stations with the station-totals option
  float recoveredMassKg = 0;
  float finalSorption = 0;    // final tracer sorption coefficient, m
  // The volume block is written (the last station has a volume estimate),
  // and the sorption warning when more than the last station gave a volume.
  bool volumeBlock = false;
  bool severalVolumes = false;
  float percentRecovery = 0;
  float accuracyIndex = 0;
};

}  // namespace kaldero
