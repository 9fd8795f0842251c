// Every quantity of a station's results listing by name, the unit in the
// name (recovered_mass_kg, mean_transit_time_h, ...), in the order of the
// listing: the one list the results files (JSON, CSV, HTML) and the
// uncertainty of the results take their quantities from. A quantity that
// does not apply to the station, or that the listing repeats from an
// earlier station, has no value (null).
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "analysis/measured_series.h"
#include "model/results.h"

namespace kaldero {

// A value of the results: none, a number or a text.
using ResultValue = std::variant<std::monostate, double, std::string>;

// The quantities of the station's results (the names alone, every value
// null, without results).
std::vector<std::pair<std::string, ResultValue>> listingQuantities(const StationResults* results);

// The signed estimates of the measured record by name, in doubles
// (signed_recovered_mass_kg, signed_mean_transit_time_h,
// signed_percent_recovery, first_arrival_above_limit_h); every value null
// without estimates.
std::vector<std::pair<std::string, ResultValue>> signedQuantities(const SignedEstimates* estimates);

// The names of the quantities that are numbers (every one but the texts
// dispersion_method and peclet_class), in the order of the listing, then
// the signed estimates.
std::vector<std::string> numericQuantityNames();

// A number at single precision: the double nearest to the shortest decimal
// that reads back as the same float, so that the JSON text shows 0.1 for
// the float nearest to 0.1 rather than its 9 digits 0.100000001.
double singlePrecision(float x);

}  // namespace kaldero
