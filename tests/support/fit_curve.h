// A synthetic curve of flow paths as the fit takes it: sample times,
// concentrations and discharges, the travel distance and the release, and
// the fit's input made from them.
#pragma once

#include <vector>

#include "analysis/flow_path_fit.h"

namespace kaldero::testing {

struct FitCurve {
  std::vector<double> t, c, q;  // s, ng/L, m^3/s
  double L = 500, Td = 0;       // m, s

  FlowPathFitInput input(int paths, StorageChoice storage = StorageChoice::None,
                         ErrorModel errors = ErrorModel::Ar1) const {
    FlowPathFitInput in;
    in.times = t;
    in.concentrations = c;
    in.discharges = q;
    in.distance = L;
    in.releaseDuration = Td;
    in.paths = paths;
    in.storage = storage;
    in.errors = errors;
    return in;
  }
};

}  // namespace kaldero::testing
