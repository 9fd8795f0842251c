// The interpolated-data file: the knot curve, one knot a line, time and
// concentration and, with a measured discharge, the discharge, each in
// 20-character general format (file units). Other discharge modes write no
// lines.
#pragma once

#include <string>
#include <vector>

#include "model/codes.h"
#include "model/curve.h"

namespace kaldero::files {

std::vector<std::string> interpolatedDataLines(DischargeMode mode, const Curve& knots);

}  // namespace kaldero::files
