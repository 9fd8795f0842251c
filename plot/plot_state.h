// What the plots keep between calls for the whole run: the graphics
// devices, the saved left text position of the data plot and the axis
// labels (a unit code outside the tables leaves a label as the previous plot
// of its kind had it).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/text.h"
#include "plot/plot_device.h"

namespace kaldero::plot {

struct PlotState {
  PlotDevices devices;
  float savedLeft = 0;  // left text position of the data plot
  std::string dataTimeLabel = text::padded("");
  std::string dataConcentrationLabel = text::padded("");
  std::string dataDischargeLabel = text::padded("");
  std::string curveTimeLabel = text::padded("");
  std::string chatwinTimeLabel = text::padded("");
  // The file formats of the plots (--plots): PostScript alone unless asked.
  std::vector<PlotFormat> formats{PlotFormat::PostScript};
};

}  // namespace kaldero::plot
