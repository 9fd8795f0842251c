// The inline SVG back-end of the figures, for the HTML report: one <svg>
// element that scales to its column (a viewBox and width="100%", no pixel
// size), with role="img", a <title> (and <desc>) for screen readers, text
// as <text> in the system's sans-serif font, and nothing external: no
// script, no style sheet, no image, no font. Coordinates are written to 0.1
// unit of the viewBox, lines as relative path data, so that a line of
// 2,000 points takes about 15 KB.
#pragma once

#include <string>
#include <string_view>

#include "figure/figure.h"

namespace kaldero::figure {

// The SVG element of a figure. Every id in it begins with idPrefix
// (letters, digits, '-' and '_' are kept, any other character becomes '_'),
// so that several figures can share one page.
std::string renderSvg(const Figure& figure, std::string_view idPrefix);
std::string renderSvg(const IntervalFigure& figure, std::string_view idPrefix);

}  // namespace kaldero::figure
