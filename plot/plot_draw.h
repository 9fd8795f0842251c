// Drawing helpers shared by the plots: texts and their boxes, axis ranges,
// and the polyline through which a curve is drawn.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero::plot {

// The box a text takes in world coordinates.
struct TextBox {
  float left = 0, right = 0, bottom = 0, top = 0;
  float height() const { return top - bottom; }
};

// The fixed-length texts are blank padded; the plots write them without
// their trailing blanks (leading blanks of a number field stay).
std::string visible(std::string_view s);

// The escape sequence of an overbar after a letter (the mean t-bar). The
// graphics library has no glyph for it: the texts below take it out and
// draw a line over the letter instead.
inline constexpr std::string_view kOverbar = "\\b\\u\\(2376)\\d";

// The box of a text written left-justified at (x, y), without drawing it.
// The text is measured as it stands: a label piece that ends in a blank
// ("Data = ") keeps the width of that blank, so the piece drawn after it
// does not touch it.
TextBox textBox(float x, float y, std::string_view s);
// Writes a text left-justified at (x, y) and returns its box.
TextBox drawText(float x, float y, std::string_view s);
// A text beside the viewport, without its trailing blanks.
void sideText(const char* side, float displacement, float coordinate, float justification,
              std::string_view s);
// A line from (x1, y1) to (x2, y2).
void segment(float x1, float y1, float x2, float y2);

// A rectangle of the window, in world coordinates.
struct ClipFrame {
  float xlo, xhi, ylo, yhi;
};
// The polyline through the n points, cut at the edges of the frame (the
// parts outside it are not drawn).
void clippedLine(int32_t n, const float* x, const float* y, const ClipFrame& frame);

// Markers. The pen is moved to the first marker first: the library joins a
// circle marker to the pen position otherwise.
void markers(int32_t n, const float* x, const float* y, int symbol);
void marker(float x, float y, int symbol);

struct Range {
  float lo = 0, hi = 0;
};
// The plotting range of data from a to b: 10 % margin on each side, clamped
// at zero when the data do not cross it.
Range plotRange(float a, float b);
// A range usable as a window: one of zero width is opened around its value.
Range usable(Range r);

// Index of the first maximum and of the first minimum of n values.
int32_t firstMax(std::span<const float> v, int32_t n);
int32_t firstMin(std::span<const float> v, int32_t n);
// The median of n ascending times.
float medianTime(std::span<const float> T, int32_t n);

// The polyline a curve through (T, Y) is drawn as. With 100 samples or more
// it is the samples joined directly. With fewer it is the monotone
// piecewise cubic interpolant of the samples, evaluated on a grid that
// starts at T(1) with the step (gridEnd - T(1)) / (10 N) and keeps the grid
// values below T(N), at most 10 N of them. Curves that cannot be
// interpolated (fewer than two samples, times not increasing) are joined
// directly.
struct Polyline {
  std::vector<float> x, y;
};
Polyline curvePolyline(std::span<const float> T, std::span<const float> Y, int32_t n,
                       float gridEnd);
void drawPolyline(const Polyline& p);

}  // namespace kaldero::plot
