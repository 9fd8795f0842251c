// Header options from a TOML file (--header): every header option that the
// command line does not set, by a documented name (docs/import.md). Unknown
// names, values of the wrong type and values the header's rules refuse are
// errors that name the file, the line and the column.
#pragma once

#include <string>
#include <string_view>

#include "importer/error.h"
#include "importer/station_header.h"

namespace kaldero::importer {

// Reads the file and sets the options it names in h; the others keep their
// values.
Status applyHeaderOptions(const std::string& path, StationHeader& h);
// The same from text (path names it in errors).
Status applyHeaderOptionsText(std::string_view text, const std::string& path, StationHeader& h);

}  // namespace kaldero::importer
