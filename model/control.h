// The control file's values as read, and what the run derives from them.
#pragma once

#include <string>

#include "core/text.h"
#include "model/codes.h"

namespace kaldero {

// The leading block of the control file, as read.
struct ControlValues {
  float injectedMass = 0;  // in the mass unit
  MassUnit massUnit{0};
  ReleaseMode releaseMode{0};
  float releaseDuration = 0;  // hours
  float flowZoneArrival = 0;  // hours
  std::string controlFileName = text::padded("");
  std::string title;  // line 1, the test's own title (trailing blanks removed)
};

// The release as the analyses use it.
struct ReleaseSetup {
  ReleaseMode mode{0};
  float durationHours = 0;  // 0 for an instantaneous release (corrected by the release check)
  float flowZoneArrivalHours = 0;
  float injectedMass = 0;   // mg
  MassUnit massUnit{0};     // the unit it was given in (the listing adds pounds)
};

}  // namespace kaldero
