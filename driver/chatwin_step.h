// The Chatwin step of the station sequence: the Chatwin parameters and fit
// points, then the fit with its table and plots, on the curve as
// concentrations in internal units. It hands the flow-zone velocity
// correction and the Chatwin dispersion estimate to the dispersion report.
#pragma once

namespace kaldero {

struct RunState;

void chatwinStep(RunState& s);

}  // namespace kaldero
