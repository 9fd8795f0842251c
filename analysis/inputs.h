// What every analysis reads besides the station curve: the header as read,
// the station setup in internal units and the release.
#pragma once

#include "model/control.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

struct AnalysisInputs {
  const TestDescription& test;
  const StationSetup& setup;
  const ReleaseSetup& release;
};

}  // namespace kaldero
