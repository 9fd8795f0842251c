#include "output/plot_draw.h"

#include <cpgplot.h>

#include <cmath>

#include "app/text.h"
#include "numeric/pchip.h"

namespace kaldero::plot {

std::string visible(std::string_view s) { return text::trimmed(s); }

TextBox textBox(float x, float y, std::string_view s) {
  const std::string t = visible(s);
  float xb[4], yb[4];
  cpgqtxt(x, y, 0.0f, 0.0f, t.c_str(), xb, yb);
  // Corners: lower left, upper left, upper right, lower right.
  return TextBox{xb[0], xb[2], yb[0], yb[1]};
}

TextBox drawText(float x, float y, std::string_view s) {
  const std::string t = visible(s);
  if (!t.empty()) cpgtext(x, y, t.c_str());
  return textBox(x, y, t);
}

void sideText(const char* side, float displacement, float coordinate, float justification,
              std::string_view s) {
  const std::string t = visible(s);
  if (!t.empty()) cpgmtxt(side, displacement, coordinate, justification, t.c_str());
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

}  // namespace kaldero::plot
