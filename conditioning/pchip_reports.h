// The console reports of a failed call of the interpolation routines
// (IERR < 0): the code, then a pause until Enter; processing goes on with
// whatever the call produced.
#pragma once

#include <cstdint>

namespace kaldero {

class Console;

void reportPCHEZError(Console& console, int32_t ierr);
void reportPCHEVError(Console& console, int32_t ierr);

}  // namespace kaldero
