// The conversion of a station to internal units (seconds, ng/L, m3/s,
// metres), after the background subtraction and before any analysis.
#pragma once

#include <span>
#include <vector>

#include "model/control.h"
#include "model/curve.h"
#include "model/setup.h"
#include "model/test_description.h"
#include "core/units.h"

namespace kaldero::units {

// The travel distance (with the sinuosity correction: a factor outside 1 to
// 3 counts as 1) and the constant discharge in internal units.
StationSetup internalSetup(const TestDescription& test);

// The curve in internal units; a concentration below 0.001 ng/L counts as
// 0. The discharges are converted in discharge mode Measured.
Curve toInternalUnits(const TestDescription& test, const Curve& curve);
// The same in the curve's own arrays.
void toInternalUnitsInPlace(const TestDescription& test, Curve& curve);

// Times in seconds back in the time unit of the station data file, for the
// reports that show them as the file has them.
std::vector<float> toFileTimes(const TestDescription& test, std::span<const float> seconds);

// The release as the analyses take it: the injected mass in milligrams,
// the rest as the control file gives it.
ReleaseSetup internalRelease(const ControlValues& control);

}  // namespace kaldero::units
