// The control file: written anew, or extended by one station file name.
#pragma once

#include <optional>
#include <string>

#include "importer/error.h"
#include "importer/units.h"

namespace kaldero::importer {

struct Release {
  bool pulse = false;
  double hours = 0;  // pulse duration
};

// "instantaneous" or "pulse:HOURS".
std::optional<Release> parseRelease(std::string_view text, std::string& why);

struct ControlRequest {
  std::string path;
  std::optional<Measure> mass;        // needed for a new file
  std::optional<Release> release;     // needed for a new file
  std::optional<std::string> title;   // line 1 of a new file
  std::optional<double> arrivalHours; // flow-zone arrival time (default 0)
};

struct ControlPlan {
  bool exists = false;         // the file is there and is extended
  bool alreadyListed = false;  // it names the station already: left as it is
  std::string text;            // the whole new file
};

// What the control file becomes with the station file name added. For an
// existing file the values given must agree with those it holds.
Expected<ControlPlan> planControlFile(const ControlRequest& request,
                                      const std::string& stationName,
                                      const std::string& defaultTitle);

}  // namespace kaldero::importer
