// The one table of the quantities the results report: for each its name in
// the JSON and CSV files (the unit in the name), its label and display
// unit in the HTML report, the group it is shown in, the conversion from
// the unit the analysis keeps it in, and when it has no value. Every
// writer (JSON, CSV, HTML, the uncertainty draws, the console lines) takes
// the names, labels and conversions from here; the schema of the results
// file lists the same names in the same order (a test holds it to that).
//
// Every number is checked finite where it is taken from the results: a
// value that is not finite is written as null (an empty CSV cell, a dash in
// the HTML report), never as a number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "model/flow_path_fit.h"

namespace kaldero {

// A station's quantities, in the order of its results listing, then the
// signed estimates of its measured record.
enum class QuantityId : std::uint8_t {
  RecoveredMass,
  PercentRecovery,
  AccuracyIndex,
  LowerIntegrationLimit,
  UpperIntegrationLimit,
  FirstArrival,
  PeakTime,
  PeakConcentration,
  TravelDistance,
  MeanTransitTime,
  TransitTimeVariance,
  TransitTimeStandardDeviation,
  TransitTimeSkewness,
  TransitTimeKurtosis,
  MeanVelocity,
  VelocityStandardDeviation,
  MaximumVelocity,
  DispersionCoefficient,
  DispersionMethod,
  MomentDispersionCoefficient,
  ChatwinDispersionCoefficient,
  Dispersivity,
  PecletNumber,
  PecletClass,
  Volume,
  CrossSection,
  SurfaceArea,
  SorptionCoefficient,
  HeadLoss,
  FrictionFactor,
  ViscousSublayer,
  ReynoldsNumber,
  TubeDiameter,
  FissureHeight,
  TransportWidth,
  HydraulicConductivity,
  FroudeNumber,
  HydraulicDepth,
  ShearVelocity,
  SchmidtNumber,
  SherwoodNumber,
  MassTransferCoefficient,
  DiffusionLayerThickness,
  SignedRecoveredMass,
  SignedMeanTransitTime,
  SignedPercentRecovery,
  FirstArrivalAboveLimit,
};

// The share (0 to 1) of a station's tracer load on an extrapolated tail:
// its name in the JSON, the CSV and the uncertainty's intervals.
inline constexpr std::string_view kExtrapolatedShareName = "extrapolated_mass_share";

// The groups of the HTML report's key numbers.
enum class QuantityGroup : std::uint8_t { Recovery, Times, Transport, FlowSystem, Signed };

struct QuantityRow {
  QuantityId id;
  std::string_view name;   // JSON and CSV
  std::string_view label;  // HTML
  std::string_view unit;   // HTML, UTF-8; empty for a dimensionless number
  QuantityGroup group;
  bool text = false;  // a word, not a number
  // The value as the results hold it, divided by this, is the value in the
  // name's unit (seconds to hours: 3600; ng/L to ug/L: 1000). Applied in
  // single precision, as the listing converts.
  float divisor = 1;
  // When the quantity has no value although the station was analysed.
  std::string_view nullWhen = {};
};

std::span<const QuantityRow> quantityTable();
const QuantityRow& quantityRow(QuantityId id);
inline std::string_view quantityName(QuantityId id) { return quantityRow(id).name; }
std::optional<QuantityId> quantityNamed(std::string_view name);
// The groups' captions in the HTML report, in the order shown.
std::string_view groupTitle(QuantityGroup g);

// The estimates of a fitted flow path: its JSON name (unit in the name),
// the name of its 95 % interval in the JSON (scripts know the first ones
// by their short names), label and unit in the HTML report, and the
// factor from the fit's units (m, s, ug) to the name's unit. The CSV
// columns are fit_pathK_NAME with NAME_ci95_low and NAME_ci95_high.
struct PathQuantityRow {
  std::string_view name;
  std::string_view intervalName;
  std::string_view label;
  std::string_view unit;
  double scale = 1;
  Estimate FittedPath::*estimate = nullptr;
  bool storageOnly = false;  // null without a storage zone
  bool inCsv = false;        // a column of the results table
};

std::span<const PathQuantityRow> pathQuantityTable();

}  // namespace kaldero
