// The results of a station's analysis, one struct a step, each written once
// by its step (analysis/) and read by every writer (the results listing, the
// console texts, the curve and CXTFIT files, the plots, JSON, CSV, HTML).
//
// Every number a writer shows is stored here, in the unit it is shown in;
// writers only format. A value that does not apply to the station is an
// empty std::optional, never 0. A value that the listings repeat from an
// earlier station, because this station computed none, is a Carried value
// that says so (the results files show it as null).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/notices.h"

namespace kaldero {

// The lower and upper limit of an integral, s.
struct IntegrationLimits {
  float lower = 0;
  float upper = 0;
};

// One quantity in the three units the listing shows.
struct InDaysHoursMinutes {
  float days = 0;
  float hours = 0;
  float minutes = 0;
};
struct VelocityInUnits {
  float perDay = 0;     // m/d
  float perHour = 0;    // m/h
  float perSecond = 0;  // m/s
};

// A value the listing shows for every station, computed by this station or
// carried over from the last station that computed one (0 before any).
struct Carried {
  float value = 0;
  bool computed = false;  // computed for this station
};

// First arrival and peak of the analysed curve.
struct ArrivalAndPeak {
  float firstArrival = 0;       // s; 0 when no sample holds tracer
  int32_t peakIndex = 1;        // 1-based position of the first largest concentration
  float peakConcentration = 0;  // ng/L
  float peakTime = 0;           // s, less the flow-zone arrival time
  float chatwinPeak = 0;        // peak concentration * sqrt(peak time)
};

// The recovered mass in the units of the listing.
struct MassInUnits {
  float micrograms = 0;
  float milligrams = 0;
  float grams = 0;
  float kilograms = 0;
  std::optional<float> pounds;  // when the injected mass is given in pounds
};

// The tracer-load integral over the whole curve, and the first-moment and
// distance-weighted integrals that follow it.
struct MassRecovery {
  IntegrationLimits limits;  // the first and the last sample time
  MassInUnits mass;
  // The first-moment step: the integral (of the load times the time, or for
  // a long release of the shortfall below the peak), the comparison time of
  // the release regimes (h), and the limits it leaves for the later
  // integrals (the upper one lowered to the peak for a long release).
  float firstMoment = 0;
  float comparisonTime = 0;  // h
  IntegrationLimits momentLimits;
  float distanceWeighted = 0;
  // The limits-warning indicator as these integrals leave it (0: none).
  int32_t limitsWarning = 0;
  // The regime of the conversions between load and concentration: a pulse
  // (instantaneous, or a release shorter than the comparison time).
  bool loadRegime = false;
  Notices notices;
};

// The travel distance as the listing shows it.
struct TravelDistance {
  float metres = 0;
  std::optional<float> feet;  // when the header gives it in feet
};

// The Chatwin method: the parameters of the samples, the straight line
// through the fit points, its statistics and the dispersion coefficient
// from its intercept.
struct ChatwinResults {
  float flowZoneVelocityCorrection = 0;  // m/s, whether fitted or not
  int32_t fitPoints = 0;                 // NFIT
  bool fitted = false;  // a line with a positive intercept over two fit points or more
  // Listed points: time in the station's time unit, Chatwin parameter,
  // fitted value (the first fitPoints of them are the fit points' line).
  std::vector<float> listedTimes, listedParameters, listedFits, listedResiduals;
  float residual = 0;      // root of the sum of squared residuals over the listed points
  float fitResidual = 0;   // ... over the fit points among them
  float intercept = 0;     // a, s^1/2
  float slope = 0;         // b, s^1/2 per time unit of the station
  float r = 0;             // correlation statistics (0 with two fit points)
  float r2 = 0;
  float probability = 0;
  float z = 0;
  float dispersion = 0;    // m^2/s, 0 when there is no estimate
  Notices parameterNotices;  // shown after the parameters
  Notices fitNotices;        // shown after the table
  int32_t pointsListed = 0;  // of the listed arrays (a record may keep the count alone)
  int32_t listed() const { return pointsListed; }
};

// The mean transit time and its moments (corrected by the flow-zone
// arrival time).
struct TransitTimes {
  InDaysHoursMinutes meanTime;
  bool infiltrationExceedsMean = false;  // the corrected mean time is not positive
  float variance = 0;                    // h^2
  InDaysHoursMinutes varianceUnits;      // d^2, h^2, min^2
  InDaysHoursMinutes standardDeviation;  // d, h, min
  float longReleaseMoment = 0;           // s*h, long release only
  float zerothMoment = 0;                // pulse regime only
  // Only with the normalized curve file.
  std::optional<float> skewness;
  std::optional<float> kurtosis;
  // The moment parameters of the curve plots, in the station's time unit.
  float meanTimeInTimeUnit = 0;
  float standardDeviationInTimeUnit = 0;
  int32_t limitsWarning = 0;
  Notices notices;
};

// Velocities, dispersion and Peclet number.
struct Transport {
  VelocityInUnits meanVelocity;
  // The standard deviation of the velocity (with the flow-zone velocity
  // correction), in the pulse regime when it is positive.
  std::optional<VelocityInUnits> velocitySpread;
  float momentDispersion = 0;        // m^2/s
  std::optional<float> chatwinDispersion;  // m^2/s, when the Chatwin method gave one
  float dispersion = 0;              // the estimate reported, m^2/s
  bool dispersionFromMoments = false;
  // The moment estimate was below 0, no estimate: the Chatwin one is
  // reported, or none (the dispersion, its dispersivity and Peclet number
  // undefined; dispersion holds 0).
  bool momentDispersionRejected = false;
  bool dispersionUndefined() const { return momentDispersionRejected && !(dispersion > 0); }
  // Undefined (0/0: no mean velocity, or no dispersion) when they cannot
  // be formed.
  std::optional<float> dispersivity;  // m
  std::optional<float> peclet;
  std::optional<std::string> pecletClass;  // "Advection > Diffusion", ...
  bool pulseRegime = false;
  // The maximum velocity from the first arrival; the listing repeats the
  // previous station's when no sample qualifies.
  Carried maxVelocity;  // m/s
  VelocityInUnits maxVelocityUnits;
  int32_t limitsWarning = 0;
  Notices notices;
};

// Hydraulic values of one flow form kept from station to station: a branch
// that does not compute a value leaves the one of an earlier station, as
// the listings show it.
struct FlowFormHydraulics {
  Carried headLoss;       // m
  Carried friction;
  Carried reynolds;
  Carried sublayer;       // mm
  Carried shearVelocity;  // m/s
};

// What the analyses carry from one station to the next (the listings
// repeat these values where a station computes none).
struct CarriedResults {
  Carried maxVelocity;  // m/s
  FlowFormHydraulics conduit, porous, fracture;
  Carried diffusionLayer;  // m
  // The values of the next station start as these, not yet computed by it.
  CarriedResults forNextStation() const;
};

// The lines of a porosity outside (0, 1] that was reset to 1.
struct PorosityReset {
  float read = 0;
  float percent = 0;  // the porosity read, times 100
};

// A length also shown in feet (conductivity unit code 2).
struct Length {
  float metres = 0;
  std::optional<float> feet;
};

// A circular conduit (flow-geometry codes 1 and 2), described when the
// volume is positive along a positive distance.
struct ConduitForm {
  float volume = 0;  // m^3
  std::optional<IntegrationLimits> volumeLimits;  // shown for a measured discharge with totals
  float crossSection = 0;  // m^2
  float surfaceArea = 0;   // m^2
  float sorption = 0;      // m
  float headLoss = 0;      // m
  float friction = 0;
  std::optional<float> sublayer;  // mm, turbulent flow
  // With the station totals.
  struct Totals {
    float reynolds = 0;
    Length diameter;
    std::optional<float> conductivity;  // m/s, laminar flow
    float froude = 0;
    Length depth;
  };
  std::optional<Totals> totals;
};

// A porous transport zone (flow-geometry code 3).
struct PorousForm {
  std::optional<float> volume;  // m^3, when not 0
  float crossSection = 0;       // m^2
  std::optional<Carried> headLoss;  // m, when positive
  std::optional<Carried> reynolds;  // with the station totals and a volume
};

// Fractures (flow-geometry code 4).
struct FractureForm {
  // Described when the volume is positive along a positive distance.
  struct Described {
    float volume = 0;
    float crossSection = 0;
    float fissureHeight = 0;  // m
    float surfaceArea = 0;
    float sorption = 0;
    float headLoss = 0;
    float friction = 0;
    std::optional<float> sublayer;  // mm, turbulent flow
    float reynolds = 0;
    Length width;                       // transport width
    std::optional<float> conductivity;  // m/s, laminar flow
    Length depth;                       // the fissure height as hydraulic depth
  };
  std::optional<Described> described;
  std::optional<float> froude;  // with a fissure height
};

// The molecular mass-transfer lines.
struct MassTransfer {
  std::optional<Carried> shearVelocity;  // m/s (not for a porous zone)
  float schmidt = 0;
  float sherwood = 0;
  std::optional<float> coefficient;       // m/s (not for a porous zone)
  std::optional<Carried> diffusionLayer;  // mm (not for a porous zone)
};

// Flow geometry and hydraulic parameters.
struct FlowGeometry {
  // The discharge record does not begin at the release: the volume cannot
  // be integrated properly. With the screen echo on, the step ends there.
  bool startsAfterRelease = false;
  bool endedAtStart = false;
  // The volume integral (from the lower integration limit to the mean
  // transit time) with its notices and the code of its warning block.
  IntegrationLimits volumeLimits;
  float volume = 0;  // m^3
  Notices volumeNotices;
  int32_t volumeCode = 0;
  // A porous zone without a conductivity unit ends the step before its
  // flow form.
  bool noFlowForm = false;
  std::optional<ConduitForm> conduit;
  std::optional<PorousForm> porous;
  std::optional<FractureForm> fractures;
  std::optional<PorosityReset> porosityReset;
  std::optional<MassTransfer> massTransfer;
  // For the run totals and the CXTFIT file.
  float surfaceArea = 0;    // m^2, 0 when the form has none
  float conductivity = 0;   // the form's conductivity (fractures: fissure height)
};

// The percent recovery and accuracy index of the station; undefined
// without an injected mass (a mass that is not known may be given as 0).
struct Recovery {
  std::optional<float> percent;
  std::optional<float> accuracyIndex;
  bool impossible = false;  // above 100 percent
};

// The normalized, load and standardized curves of the curve files (the
// normalized and standardized ones always made together).
struct CurveFileValues {
  std::vector<float> times;   // in the station's time unit
  std::vector<float> values;  // mg/L per kg recovered
  std::vector<float> standardizedTimes;
  std::vector<float> standardizedConcentrations;
  std::vector<float> loadValues;  // mg/s per kg recovered
};

// The curves the steps of the analysis work on, each built from the one
// before: the single-precision round trips of the conversions between
// concentration and load, so that every step sees exactly the values the
// step before left. Only the last, the concentrations the output files
// take, outlives the analysis (StationResults::outputConcentrations).
struct AnalysisCurves {
  std::vector<float> load;                // concentration times discharge
  std::vector<float> momentInput;         // what the first-moment step integrates
  std::vector<float> afterFirstMoment;    // the same after its F*t/t round trip
  std::vector<float> chatwinConcentrations;
  std::vector<float> transportCurve;      // what the transit and velocity steps take
  std::vector<float> outputConcentrations;  // what the CXTFIT and curve files take
};

// A warning of the analysis (report/ words it).
struct StationWarning {
  enum class Kind {
    NegativeDischarge,       // a: the time of the first one, h
    ArrivalAfterPeak,        // a: the flow-zone arrival, b: the peak sample's time, h
    NegativeDistance,        // a: the travel distance, m
    NegativeInjectedMass,    // a: the injected mass, mg
    NoInjectedMass,          // the recovery is undefined
    NoMeanVelocity,          // the dispersivity is undefined
    NoDispersion,            // the Peclet number is undefined
    NegativeMomentDispersion,  // a: the moment estimate, m^2/s; b: the Chatwin one reported (0: none)
    ReleaseLongerThanCurve,  // a: the release duration, b: the time of the last sample, h
    RecoveryAbove100,        // a: the percent recovery (with the listing not shown on the console)
  };
  Kind kind;
  float a = 0;
  float b = 0;
};

// Why the analysis of a station stopped before its end.
struct AnalysisStop {
  enum class Kind { NoMassRecovered, NonFinite };
  Kind kind = Kind::NoMassRecovered;
  std::string quantity;  // the quantity that is not a finite number
};

// Where the analysis stopped: the steps before it have their results.
enum class AnalysisStage { Arrival, Mass, Chatwin, Transit, Transport, Geometry, Recovery, Done };

// Every result of one station's analysis, in the order of the steps. A
// step that did not run (the analysis stopped before it) has no result.
struct StationResults {
  TravelDistance distance;
  ArrivalAndPeak arrival;
  std::optional<MassRecovery> mass;
  std::optional<ChatwinResults> chatwin;
  std::optional<TransitTimes> transit;
  std::optional<Transport> transport;
  std::optional<FlowGeometry> geometry;
  std::optional<Recovery> recovery;
  // The concentrations the CXTFIT and curve files take (the analysed curve
  // after the analyses' round trips between concentration and load).
  std::vector<float> outputConcentrations;
  CarriedResults carried;  // as this station leaves them
  // What the user must know to read the results: inputs that cannot be
  // physical (the results are computed as always, but do not mean what
  // they seem to), and quantities left undefined.
  std::vector<StationWarning> warnings;
  std::optional<AnalysisStop> stop;
  AnalysisStage stoppedAt = AnalysisStage::Done;

  bool complete() const { return !stop.has_value(); }
};

// The run totals: every station adds its recovered mass, and its volume and
// surface area when its station-totals option is 1.
struct RunSums {
  float recoveredMass = 0;  // ug, every station
  float aquiferVolume = 0;  // m3, stations with the station-totals option
  float surfaceArea = 0;    // stations with the station-totals option
};

// The run totals written after the last station into its results listing.
struct RunTotals {
  RunSums sums;
  float recoveredMassKg = 0;
  float recoveredMassG = 0;
  std::optional<float> recoveredMassMg;  // when below 1000 mg
  std::optional<float> recoveredMassUg;  // when below 1000 ug
  // The volume block (the last station has a volume estimate).
  struct VolumeBlock {
    bool aquifer = true;  // "aquifer" or "transport zone" volume
    std::optional<float> surfaceArea;    // not for a porous zone
    std::optional<Carried> finalSorption;  // not for a porous zone
    bool severalVolumes = false;  // more than the last station gave a volume
  };
  std::optional<VolumeBlock> volume;
  // Undefined without an injected mass.
  std::optional<float> percentRecovery;
  std::optional<float> accuracyIndex;
  bool impossible = false;
};

}  // namespace kaldero
