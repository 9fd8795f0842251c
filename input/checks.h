// Checks of the control-file values made by the run driver.
#pragma once

#include <cstdint>

#include "model/control.h"

namespace kaldero {

class Console;
class ListingChannel;

// The release-time check made for every station: an instantaneous release
// with a duration is corrected to 0 (report and pause); a pulse release
// without a positive duration stops the run.
void releaseTimeCheck(Console& console, ListingChannel& listing, const ControlValues& control,
                      ReleaseSetup& release);

// Stops the run when the station counter is not at least 1.
void countingErrorStop(Console& console, int32_t counter);

}  // namespace kaldero
