// The legend of the figures beyond the station plots (the flow-path fit,
// the campaign figures): in a top corner inside the frame, each entry a
// sample of what it names (a line in its colour, style and width, or a
// marker) and its text; an entry without a sample is a text line in its
// colour. Entries beyond a limit are summed up in one line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kaldero::plot {

struct LegendEntry {
  enum class Sample { Line, Marker, None };
  std::string text;
  Sample sample = Sample::Line;
  int colour = 1;
  int style = 1;   // line style
  int width = 2;   // line width
  int symbol = 17;  // marker
};

struct LegendLayout {
  bool right = true;         // top right, else top left
  float height = 0.8f;       // character height
  std::size_t most = 12;     // entries shown; the rest "and N more ..."
  std::string moreOf = "stations";
};

// Draws the legend in the current window and viewport.
void drawLegend(std::vector<LegendEntry> entries, const LegendLayout& layout);

}  // namespace kaldero::plot
