#include "plot/legend.h"

#include <cpgplot.h>

#include <algorithm>

#include "plot/plot_draw.h"

namespace kaldero::plot {

void drawLegend(std::vector<LegendEntry> entries, const LegendLayout& layout) {
  if (entries.size() > layout.most + 1) {
    const std::size_t more = entries.size() - layout.most;
    entries.resize(layout.most);
    LegendEntry rest;
    rest.text = "and " + std::to_string(more) + " more " + layout.moreOf;
    rest.sample = LegendEntry::Sample::None;
    entries.push_back(rest);
  }
  float x1, x2, y1, y2, xch, ych;
  cpgqwin(&x1, &x2, &y1, &y2);
  cpgsch(layout.height);
  cpgqcs(4, &xch, &ych);
  float width = 0;
  for (const LegendEntry& e : entries) {
    const TextBox box = textBox(x1, y1, e.text);
    width = std::max(width, box.right - box.left);
  }
  const float sample = 3 * xch, step = 1.5f * ych;
  const float left = layout.right ? x2 - xch - width - sample - xch : x1 + 2 * xch;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    const LegendEntry& e = entries[k];
    const float y = y2 - (static_cast<float>(k) + 1.2f) * step;
    const float mid = y + 0.3f * ych;
    cpgsci(e.colour);
    cpgsls(e.style);
    cpgslw(e.width);
    if (e.sample == LegendEntry::Sample::Line) segment(left, mid, left + sample, mid);
    if (e.sample == LegendEntry::Sample::Marker) {
      // A dot (symbol -1) takes the line width as its size.
      cpgslw(e.symbol < 0 ? 5 : 2);
      for (float at : {0.2f, 0.5f, 0.8f}) marker(left + at * sample, mid, e.symbol);
    }
    cpgsls(1);
    cpgslw(2);
    // The text of an entry without a sample keeps its colour.
    if (e.sample != LegendEntry::Sample::None) cpgsci(1);
    cpgtext(e.sample == LegendEntry::Sample::None ? left : left + sample + xch, y, e.text.c_str());
  }
  cpgsci(1);
  cpgsch(1.0f);
}

}  // namespace kaldero::plot
