// The console text of the reports of a failed PCHEZ or PCHEV call.
#pragma once

#include <string>

namespace kaldero::testing {

inline std::string pchezReport(const std::string& ierrField) {
  return "\n\n     AN ERROR CALLING PCHEZ, IERR = " + ierrField +
         "\n\n     PROGRAM PAUSED DUE TO ERROR IN DATA MANIPULATION\n";
}

inline std::string pchevReport(const std::string& ierrField) {
  return "\n\n     AN ERROR CALLING PCHEV, IERR = " + ierrField +
         "\n\n     PROGRAM PAUSE DUE TO ERROR IN DATA MANIPULATION\n";
}

// IERR = -3 (times not strictly increasing) in its free-format field.
inline const std::string kIerrNotIncreasing = "          -3";

}  // namespace kaldero::testing
