// The interpolated-data file: the knot curve, one knot a line, time and
// concentration and, with a measured discharge, the discharge, each in
// 20-character general format (file units). Other discharge modes write no
// lines.
#pragma once

#include <span>
#include <string>

#include "core/checked_file.h"
#include "model/codes.h"

namespace kaldero::files {

WriteOutcome writeInterpolatedData(const std::string& path, DischargeMode mode,
                                   std::span<const float> times,
                                   std::span<const float> concentrations,
                                   std::span<const float> discharges);

}  // namespace kaldero::files
