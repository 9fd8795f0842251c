// The results of a run as data: a JSON document (--results) and a CSV table
// with one row per station (--table). Numbers are written as the shortest
// decimals that read back as the same single-precision value (doubles of
// the fit: the shortest that read back as the same double); a quantity that does not apply to a
// station is null (an empty CSV field). The names carry their units; the
// schema of the document is docs/results.schema.json. Texts are UTF-8:
// bytes of names and reports that are not UTF-8 are read as Windows-1252.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "report/run_record.h"

namespace kaldero {

// A value of the results: none, a number or a text.
using ResultValue = std::variant<std::monostate, double, std::string>;

// The quantities of the results listing of a station, by name, in the order
// of the listing (the same names in every station, null where they do not
// apply).
std::vector<std::pair<std::string, ResultValue>> stationResults(const StationRecord& station);

// The results document of the run.
nlohmann::json resultsDocument(const RunRecord& run);

// The CSV table: a header line of the names (station_file and status
// first), then one row per station.
std::string resultsTable(const RunRecord& run);

// "analysed", "stopped" or "not run".
const char* statusName(StationStatus status);

// A number at single precision: the double nearest to the shortest decimal
// that reads back as the same float, so that the JSON text shows 0.1 for
// the float nearest to 0.1 rather than its 9 digits 0.100000001.
double singlePrecision(float x);

}  // namespace kaldero
