// The flow-path fit (--fit) as data: its JSON object (every model tried,
// the chosen one's paths and storage zone with 95 % intervals, the error
// statistics, the residuals) and its columns of the CSV table (the chosen
// model's parameters with their intervals). Only formats the fit result.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis/quantities.h"
#include "model/flow_path_fit.h"

namespace kaldero {

// arrivalHours: when the tracer reached the flow zone (the fit's times are
// counted from then; the residuals' times are given since the release).
nlohmann::json fitDocument(const FlowPathFitResult& fit, double arrivalHours);

// The CSV columns of a fit, by name: every value empty without a fit (or
// for a path or storage zone the chosen model has not).
// With bypass, the columns of a reach's bypass path after the paths'
// (fit_bypass_...), for tables that hold a reach fitted with one.
std::vector<std::pair<std::string, ResultValue>> fitColumns(const FlowPathFitResult* fit,
                                                             bool bypass = false);

}  // namespace kaldero
