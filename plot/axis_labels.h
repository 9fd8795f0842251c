// The axis labels of the plots by unit code, in the graphics library's text
// escapes ("\u" raises and "\d" lowers, "\gm" is mu), blank-padded to their
// present length (at least 35). A code without a label leaves the label as
// the previous plot of its kind had it.
#pragma once

#include <string>

#include "model/codes.h"

namespace kaldero::plot {

void timeLabel(TimeUnit unit, std::string& label);
void timeLabelLong(TimeUnit unit, std::string& label);  // curve-file plots
void concentrationLabel(ConcentrationUnit unit, std::string& label);
void dischargeLabel(DischargeUnit unit, std::string& label);

}  // namespace kaldero::plot
