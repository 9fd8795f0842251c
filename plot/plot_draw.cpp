#include "plot/plot_draw.h"

#include <cpgplot.h>

#include <algorithm>
#include <cmath>

#include "core/text.h"
#include "numeric/pchip.h"
#include "plot/library_text.h"

namespace kaldero::plot {

std::string visible(std::string_view s) { return text::trimmed(s); }

namespace {

// A text with its overbar sequences taken out, and for each barred letter
// the position just after it.
struct Barred {
  std::string text;
  std::vector<std::size_t> letterEnds;
};

Barred takeOutOverbars(std::string_view text) {
  // Characters beyond ASCII (a station name) as the library draws them.
  const std::string characters = libraryCharacters(text);
  const std::string_view s = characters;
  Barred b;
  std::size_t from = 0;
  for (std::size_t at; (at = s.find(kOverbar, from)) != std::string_view::npos;
       from = at + kOverbar.size()) {
    b.text += s.substr(from, at - from);
    if (!b.text.empty()) b.letterEnds.push_back(b.text.size());
  }
  b.text += s.substr(from);
  return b;
}

// The width of a text written horizontally, in world x units.
float textWidth(const std::string& s) {
  float xb[4], yb[4];
  cpgqtxt(0.0f, 0.0f, 0.0f, 0.0f, s.c_str(), xb, yb);
  return xb[2] - xb[0];
}

// A bar over a letter: from, to along the text direction, just above the
// height of a lower-case letter (the baseline is at x for a text written
// upwards, at y for a horizontal one), leaning a little with the slant of
// an italic letter.
void overbar(float from, float to, float baseline, bool upwards) {
  float xch = 0, ych = 0;
  cpgqcs(4, &xch, &ych);
  int clip = 1, width = 1;
  cpgqclp(&clip);
  cpgqlw(&width);
  cpgsclp(0);  // the bar of an axis label lies outside the viewport
  cpgslw(2);   // about as thin as the strokes of the letters
  const float inset = 0.1f * (to - from);
  if (upwards) {
    const float lean = 0.06f * ych, h = baseline - 0.92f * xch;
    segment(h, from + inset + lean, h, to + lean);
  } else {
    const float lean = 0.06f * xch, h = baseline + 0.92f * ych;
    segment(from + inset + lean, h, to + lean, h);
  }
  cpgslw(width);
  cpgsclp(clip);
}

// The bars of a horizontal text that starts at (x, y): the library places
// the letters of a horizontal text where it measures them.
void drawOverbars(const Barred& b, float x, float y) {
  for (std::size_t end : b.letterEnds)
    overbar(x + textWidth(b.text.substr(0, end - 1)), x + textWidth(b.text.substr(0, end)), y,
            false);
}

// The font escapes met before position at of a text, in order: written
// before a piece of the text, they put the library in the font state the
// piece has within the whole text (an italic after a change of family is
// the italic of that family).
std::string fontAt(const std::string& s, std::size_t at) {
  std::string fonts;
  for (std::size_t i = 0; i + 2 < std::min(at, s.size()) + 1 && i + 2 < s.size(); ++i)
    if (s[i] == '\\' && s[i + 1] == 'f' && i + 3 <= at) fonts += s.substr(i, 3);
  return fonts;
}

// A text written upwards from (x, start) with its barred letters: the
// library does not place the letters of a rotated text exactly where it
// measures them, so the text is written in pieces that each start where
// the horizontal measure puts them, and the bar goes over its own piece.
void upwardsWithOverbars(const Barred& b, float x, float start) {
  float xch = 0, ych = 0;
  cpgqcs(4, &xch, &ych);
  const float scale = ych / xch;  // world y units per world x unit of text
  auto at = [&](std::size_t i) { return start + textWidth(b.text.substr(0, i)) * scale; };
  auto piece = [&](std::size_t from, std::size_t to) {
    if (to <= from) return;
    const std::string s = fontAt(b.text, from) + b.text.substr(from, to - from);
    cpgptxt(x, at(from), 90.0f, 0.0f, s.c_str());
  };
  std::size_t from = 0;
  for (std::size_t end : b.letterEnds) {
    piece(from, end - 1);
    piece(end - 1, end);
    overbar(at(end - 1), at(end), x, true);
    from = end;
  }
  piece(from, b.text.size());
}

}  // namespace

TextBox textBox(float x, float y, std::string_view s) {
  const std::string t = takeOutOverbars(s).text;
  // The library measures a text that begins or ends with blanks wrongly:
  // the blanks at either end are counted here, the text between them is
  // measured.
  const std::size_t first = t.find_first_not_of(' ');
  const float blank = textWidth("x x") - textWidth("xx");
  if (first == std::string::npos) return TextBox{x, x + blank * static_cast<float>(t.size()), y, y};
  const std::size_t last = t.find_last_not_of(' ');
  const float start = x + blank * static_cast<float>(first);
  float xb[4], yb[4];
  cpgqtxt(start, y, 0.0f, 0.0f, t.substr(first, last + 1 - first).c_str(), xb, yb);
  // Corners: lower left, upper left, upper right, lower right.
  return TextBox{x, xb[2] + blank * static_cast<float>(t.size() - 1 - last), yb[0], yb[1]};
}

TextBox drawText(float x, float y, std::string_view s) {
  const Barred b = takeOutOverbars(s);
  if (b.text.find_first_not_of(' ') != std::string::npos) {
    cpgtext(x, y, b.text.c_str());
    drawOverbars(b, x, y);
  }
  return textBox(x, y, b.text);
}

void sideText(const char* side, float displacement, float coordinate, float justification,
              std::string_view s) {
  const Barred b = takeOutOverbars(visible(s));
  if (b.text.empty()) return;
  const std::string where(side);
  const bool horizontal = where == "B" || where == "T";
  if (b.letterEnds.empty() || !(horizontal || where == "L")) {
    cpgmtxt(side, displacement, coordinate, justification, b.text.c_str());
    return;
  }
  // The anchor of the text beside the viewport, as the library places it,
  // then the start of the text from the justification.
  float x1, x2, y1, y2, xch, ych;
  cpgqwin(&x1, &x2, &y1, &y2);
  cpgqcs(4, &xch, &ych);
  const float width = textWidth(b.text);
  if (horizontal) {
    cpgmtxt(side, displacement, coordinate, justification, b.text.c_str());
    const float y = where == "B" ? y1 - displacement * ych : y2 + displacement * ych;
    drawOverbars(b, x1 + coordinate * (x2 - x1) - justification * width, y);
  } else {
    const float y = y1 + coordinate * (y2 - y1);
    upwardsWithOverbars(b, x1 - displacement * xch, y - justification * width * ych / xch);
  }
}

void segment(float x1, float y1, float x2, float y2) {
  cpgmove(x1, y1);
  cpgdraw(x2, y2);
}

void markers(int32_t n, const float* x, const float* y, int symbol) {
  if (n < 1) return;
  cpgmove(x[0], y[0]);
  cpgpt(n, x, y, symbol);
}

void marker(float x, float y, int symbol) { markers(1, &x, &y, symbol); }

Range plotRange(float a, float b) {
  Range r;
  cpgrnge(a, b, &r.lo, &r.hi);
  return r;
}

Range usable(Range r) {
  if (r.lo != r.hi) return r;
  const float d = r.lo == 0.0f ? 1.0f : std::fabs(r.lo) * 0.5f;
  return Range{r.lo - d, r.hi + d};
}

int32_t firstMax(std::span<const float> v, int32_t n) {
  int32_t k = 0;
  for (int32_t i = 1; i < n; ++i)
    if (v[i] > v[k]) k = i;
  return k;
}

int32_t firstMin(std::span<const float> v, int32_t n) {
  int32_t k = 0;
  for (int32_t i = 1; i < n; ++i)
    if (v[i] < v[k]) k = i;
  return k;
}

float medianTime(std::span<const float> T, int32_t n) {
  if (n < 1) return 0.0f;
  if (n % 2 == 1) return T[(n + 1) / 2 - 1];
  return (T[n / 2 - 1] + T[n / 2]) * 0.5f;
}

Polyline curvePolyline(std::span<const float> T, std::span<const float> Y, int32_t n,
                       float gridEnd) {
  Polyline p;
  auto direct = [&] {
    p.x.assign(T.begin(), T.begin() + n);
    p.y.assign(Y.begin(), Y.begin() + n);
    return p;
  };
  if (n >= 100 || n < 2) return direct();
  const float step = (gridEnd - T[0]) / static_cast<float>(10 * n);
  std::vector<float> d(static_cast<std::size_t>(n));
  if (!(step > 0.0f) || numeric::PCHEZ(n, T.data(), Y.data(), d.data()) < 0) return direct();
  const float last = T[n - 1];
  for (float x = T[0]; x < last && static_cast<int32_t>(p.x.size()) < 10 * n; x += step)
    p.x.push_back(x);
  p.y.resize(p.x.size());
  if (!p.x.empty())
    numeric::PCHEV(n, T.data(), Y.data(), d.data(), static_cast<int32_t>(p.x.size()),
                   p.x.data(), p.y.data(), nullptr);
  return p;
}

void drawPolyline(const Polyline& p) {
  if (p.x.size() >= 2) cpgline(static_cast<int>(p.x.size()), p.x.data(), p.y.data());
}

void clippedLine(int32_t n, const float* x, const float* y, const ClipFrame& f) {
  // Liang-Barsky clipping of each segment to the frame.
  const float xlo = std::min(f.xlo, f.xhi), xhi = std::max(f.xlo, f.xhi);
  const float ylo = std::min(f.ylo, f.yhi), yhi = std::max(f.ylo, f.yhi);
  for (int32_t i = 0; i + 1 < n; ++i) {
    const double x0 = x[i], y0 = y[i], dx = x[i + 1] - x0, dy = y[i + 1] - y0;
    double t0 = 0, t1 = 1;
    bool visible = true;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xlo, xhi - x0, y0 - ylo, yhi - y0};
    for (int k = 0; k < 4 && visible; ++k) {
      if (p[k] == 0) {
        visible = q[k] >= 0;
      } else {
        const double r = q[k] / p[k];
        if (p[k] < 0)
          t0 = std::max(t0, r);
        else
          t1 = std::min(t1, r);
        visible = t0 <= t1;
      }
    }
    if (!visible) continue;
    cpgmove(static_cast<float>(x0 + t0 * dx), static_cast<float>(y0 + t0 * dy));
    cpgdraw(static_cast<float>(x0 + t1 * dx), static_cast<float>(y0 + t1 * dy));
  }
}

}  // namespace kaldero::plot
