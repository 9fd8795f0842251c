#include "model/quantity_table.h"

#include <array>

namespace kaldero {
namespace {

using G = QuantityGroup;
using Q = QuantityId;

constexpr std::string_view kNoInjectedMass = "no injected mass is given";
constexpr std::string_view kNotThisForm = "the station's flow form does not give it";
constexpr std::string_view kCarried =
    "the listing repeats it from an earlier station (only a station's own value is reported)";

constexpr QuantityRow kRows[] = {
    {Q::RecoveredMass, "recovered_mass_kg", "Recovered mass", "kg", G::Recovery},
    {Q::PercentRecovery, "percent_recovery", "Recovery", "%", G::Recovery, false, 1,
     kNoInjectedMass},
    {Q::AccuracyIndex, "accuracy_index", "Accuracy index", "", G::Recovery, false, 1,
     kNoInjectedMass},
    {Q::LowerIntegrationLimit, "lower_integration_limit_h", "Lower integration limit", "h",
     G::Recovery, false, 3600},
    {Q::UpperIntegrationLimit, "upper_integration_limit_h", "Upper integration limit", "h",
     G::Recovery, false, 3600},
    {Q::FirstArrival, "first_arrival_h", "First arrival", "h", G::Times, false, 3600},
    {Q::PeakTime, "peak_time_h", "Peak time", "h", G::Times, false, 3600},
    {Q::PeakConcentration, "peak_concentration_ug_per_L", "Peak concentration", "µg/L", G::Times,
     false, 1000},
    {Q::TravelDistance, "travel_distance_m", "Travel distance", "m", G::Transport},
    {Q::MeanTransitTime, "mean_transit_time_h", "Mean transit time", "h", G::Times},
    {Q::TransitTimeVariance, "transit_time_variance_h2", "Transit time variance", "h²", G::Times},
    {Q::TransitTimeStandardDeviation, "transit_time_standard_deviation_h",
     "Transit time standard deviation", "h", G::Times},
    {Q::TransitTimeSkewness, "transit_time_skewness", "Transit time skewness", "", G::Times, false,
     1, "the curve's spread is zero"},
    {Q::TransitTimeKurtosis, "transit_time_kurtosis", "Transit time kurtosis", "", G::Times, false,
     1, "the curve's spread is zero"},
    {Q::MeanVelocity, "mean_velocity_m_per_s", "Mean velocity", "m/s", G::Transport},
    {Q::VelocityStandardDeviation, "velocity_standard_deviation_m_per_s",
     "Velocity standard deviation", "m/s", G::Transport, false, 1,
     "the transit time's spread exceeds the mean"},
    {Q::MaximumVelocity, "maximum_velocity_m_per_s", "Maximum velocity", "m/s", G::Transport,
     false, 1, kCarried},
    {Q::DispersionCoefficient, "dispersion_coefficient_m2_per_s", "Dispersion coefficient",
     "m²/s", G::Transport, false, 1, "neither estimate is positive"},
    {Q::DispersionMethod, "dispersion_method", "Dispersion method", "", G::Transport, true, 1,
     "neither estimate is positive"},
    {Q::MomentDispersionCoefficient, "moment_dispersion_coefficient_m2_per_s",
     "Dispersion coefficient by moments", "m²/s", G::Transport},
    {Q::ChatwinDispersionCoefficient, "chatwin_dispersion_coefficient_m2_per_s",
     "Dispersion coefficient by Chatwin", "m²/s", G::Transport, false, 1,
     "no Chatwin line was fitted"},
    {Q::Dispersivity, "dispersivity_m", "Longitudinal dispersivity", "m", G::Transport, false, 1,
     "the mean velocity is zero"},
    {Q::PecletNumber, "peclet_number", "Peclet number", "", G::Transport, false, 1,
     "the dispersion coefficient is zero"},
    {Q::PecletClass, "peclet_class", "Peclet class", "", G::Transport, true, 1,
     "there is no Peclet number"},
    {Q::Volume, "volume_m3", "Volume", "m³", G::FlowSystem, false, 1,
     "the integration ended at its start"},
    {Q::CrossSection, "cross_section_m2", "Cross-section", "m²", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::SurfaceArea, "surface_area_m2", "Surface area", "m²", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::SorptionCoefficient, "sorption_coefficient_m", "Sorption coefficient", "m", G::FlowSystem,
     false, 1, kNotThisForm},
    {Q::HeadLoss, "head_loss_m", "Head loss", "m", G::FlowSystem, false, 1, kNotThisForm},
    {Q::FrictionFactor, "friction_factor", "Friction factor", "", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::ViscousSublayer, "viscous_sublayer_mm", "Viscous sublayer", "mm", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::ReynoldsNumber, "reynolds_number", "Reynolds number", "", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::TubeDiameter, "tube_diameter_m", "Tube diameter", "m", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::FissureHeight, "fissure_height_m", "Fissure height", "m", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::TransportWidth, "transport_width_m", "Transport width", "m", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::HydraulicConductivity, "hydraulic_conductivity_m_per_s", "Hydraulic conductivity", "m/s",
     G::FlowSystem, false, 1, kNotThisForm},
    {Q::FroudeNumber, "froude_number", "Froude number", "", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::HydraulicDepth, "hydraulic_depth_m", "Hydraulic depth", "m", G::FlowSystem, false, 1,
     kNotThisForm},
    {Q::ShearVelocity, "shear_velocity_m_per_s", "Shear velocity", "m/s", G::FlowSystem, false, 1,
     kCarried},
    {Q::SchmidtNumber, "schmidt_number", "Schmidt number", "", G::FlowSystem, false, 1,
     "no mass transfer was estimated"},
    {Q::SherwoodNumber, "sherwood_number", "Sherwood number", "", G::FlowSystem, false, 1,
     "no mass transfer was estimated"},
    {Q::MassTransferCoefficient, "mass_transfer_coefficient_m_per_s", "Mass transfer coefficient",
     "m/s", G::FlowSystem, false, 1, "no mass transfer was estimated"},
    {Q::DiffusionLayerThickness, "diffusion_layer_thickness_mm", "Diffusion layer thickness", "mm",
     G::FlowSystem, false, 1, kCarried},
    {Q::SignedRecoveredMass, "signed_recovered_mass_kg", "Recovered mass", "kg", G::Signed, false,
     1, "the measured record gives no estimate"},
    {Q::SignedMeanTransitTime, "signed_mean_transit_time_h", "Mean transit time", "h", G::Signed,
     false, 1, "the measured record's signed mass is not positive"},
    {Q::SignedPercentRecovery, "signed_percent_recovery", "Recovery", "%", G::Signed, false, 1,
     kNoInjectedMass},
    {Q::FirstArrivalAboveLimit, "first_arrival_above_limit_h", "First arrival above the limit",
     "h", G::Signed, false, 1, "no detection limit was given, or no reading reached it"},
};

// The table is indexed by the ids.
constexpr bool inOrder() {
  for (std::size_t i = 0; i < std::size(kRows); ++i)
    if (static_cast<std::size_t>(kRows[i].id) != i) return false;
  return true;
}
static_assert(inOrder(), "the rows follow the order of QuantityId");
static_assert(std::size(kRows) == static_cast<std::size_t>(QuantityId::FirstArrivalAboveLimit) + 1);

constexpr std::string_view nameOf(Q id) { return kRows[static_cast<std::size_t>(id)].name; }

// A path's dispersivity and Peclet number are named as the station's.
constexpr PathQuantityRow kPathRows[] = {
    {"velocity_m_per_s", "velocity_ci95", "Velocity", "m/s", 1, &FittedPath::velocity, false,
     true},
    {"dispersion_m2_per_s", "dispersion_ci95", "D", "m²/s", 1, &FittedPath::dispersion, false,
     true},
    {"mass_kg", "mass_kg_ci95", "Mass", "kg", 1e-9, &FittedPath::mass},
    {"mass_fraction", "mass_fraction_ci95", "Mass fraction", "", 1, &FittedPath::massFraction,
     false, true},
    {nameOf(Q::Dispersivity), "dispersivity_ci95", "Dispersivity", "m", 1, &FittedPath::dispersivity},
    {nameOf(Q::PecletNumber), "peclet_ci95", "Peclet number", "", 1, &FittedPath::peclet},
    {"mean_travel_time_h", "mean_travel_time_h_ci95", "Mean travel time", "h", 1.0 / 3600,
     &FittedPath::meanTravelTime},
    {"storage_ratio", "storage_ratio_ci95", "Storage capacity ratio", "", 1,
     &FittedPath::storageRatio, true, true},
    {"exchange_rate_per_s", "exchange_rate_per_s_ci95", "Exchange rate", "1/s", 1,
     &FittedPath::exchangeRate, true, true},
};

}  // namespace

std::span<const QuantityRow> quantityTable() { return kRows; }

const QuantityRow& quantityRow(QuantityId id) { return kRows[static_cast<std::size_t>(id)]; }

std::optional<QuantityId> quantityNamed(std::string_view name) {
  for (const QuantityRow& r : kRows)
    if (r.name == name) return r.id;
  return std::nullopt;
}

std::string_view groupTitle(QuantityGroup g) {
  switch (g) {
    case G::Recovery: return "Mass recovery";
    case G::Times: return "Times";
    case G::Transport: return "Velocity and dispersion";
    case G::FlowSystem: return "Flow system";
    case G::Signed: return "Measured record, with its sign";
  }
  return "";
}

std::span<const PathQuantityRow> pathQuantityTable() { return kPathRows; }

}  // namespace kaldero
