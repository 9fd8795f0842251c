// The ticks of the figures' axes, their labels, the palette and the time
// unit of a figure.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

#include "figure/figure.h"

namespace kaldero::figure {
namespace {

constexpr std::array<std::string_view, kPaletteSize> kPalette{
    "#332288", "#CC6677", "#117733", "#882255", "#44AA99",
    "#999933", "#AA4499", "#88CCEE", "#DDCC77", "#000000"};

// ---------------------------------------------------------------- ticks

const char* const kSuperscripts[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                     "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};

std::string superscript(int e) {
  std::string out = e < 0 ? "\u207B" : "";
  for (const char c : std::to_string(std::abs(e))) out += kSuperscripts[c - '0'];
  return out;
}

// The minus sign of typesetting instead of the hyphen.
std::string withMinus(std::string s) {
  if (!s.empty() && s[0] == '-') {
    if (s.find_first_not_of("-0.") == std::string::npos) return s.substr(1);  // "-0.0"
    s.replace(0, 1, "\u2212");
  }
  return s;
}

std::string fixedText(double v, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return withMinus(buffer);
}

// m × 10^k exactly as the decimal number reads (the nearest double).
double decimal(long long m, int k) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%llde%d", m, k);
  return std::strtod(buffer, nullptr);
}

bool needsExponent(double maxAbs) { return maxAbs >= 1e5 || (maxAbs > 0 && maxAbs < 1e-3); }

// Labels of linear ticks at multiples of a step m × 10^k.
std::vector<std::string> linearLabels(const std::vector<double>& values, int k) {
  double maxAbs = 0;
  for (double v : values) maxAbs = std::max(maxAbs, std::abs(v));
  std::vector<std::string> labels;
  const int e = maxAbs > 0 ? static_cast<int>(std::floor(std::log10(maxAbs) + 1e-9)) : 0;
  if (needsExponent(maxAbs) && e - k <= 3) {
    for (double v : values) {
      if (v == 0) {
        labels.push_back("0");
      } else {
        labels.push_back(fixedText(v / decimal(1, e), std::max(0, e - k)) + "\u00D710" +
                         superscript(e));
      }
    }
  } else {
    for (double v : values) labels.push_back(fixedText(v, std::max(0, -k)));
  }
  return labels;
}

// Ticks at multiples of 1, 2 or 5 × 10^k between lo and hi, the open ends
// widened to the nearest tick outside.
Ticks linearTicks(double lo, double hi, bool fixLo, bool fixHi, int maxTicks) {
  const int target = std::min(6, maxTicks);
  const int k0 = static_cast<int>(std::floor(std::log10((hi - lo) / 6)));
  struct Choice {
    long long i0 = 0, i1 = -1;
    long long m = 1;
    int k = 0;
    double score = INFINITY;
  } best;
  for (int k = k0 - 1; k <= k0 + 2; ++k) {
    for (long long m : {1, 2, 5}) {
      const double step = decimal(m, k);
      const double a = lo / step, b = hi / step;
      const auto i0 = static_cast<long long>(fixLo ? std::ceil(a - 1e-9) : std::floor(a + 1e-9));
      const auto i1 = static_cast<long long>(fixHi ? std::floor(b + 1e-9) : std::ceil(b - 1e-9));
      const long long count = i1 - i0 + 1;
      // The count nearest the target; between equally near counts, the
      // axis that wastes the least of its length beyond the data (the
      // fraction is below 1), then the larger step.
      const double axisSpan = (fixHi ? hi : decimal(i1 * m, k)) - (fixLo ? lo : decimal(i0 * m, k));
      const double waste = axisSpan > 0 ? std::max(0.0, 1 - (hi - lo) / axisSpan) : 1;
      double score = std::abs(static_cast<double>(count - target)) + waste;
      if (count > maxTicks) score += 100;
      if (count < 2) score += 50;
      if (score <= best.score) best = {i0, i1, m, k, score};
    }
  }
  Ticks ticks;
  for (long long i = best.i0; i <= best.i1; ++i) {
    ticks.values.push_back(decimal(i * best.m, best.k));
  }
  ticks.low = fixLo || ticks.values.empty() ? lo : std::min(lo, ticks.values.front());
  ticks.high = fixHi || ticks.values.empty() ? hi : std::max(hi, ticks.values.back());
  // An open end widened to a tick by more than a tenth of the data's span
  // (noise just below 0 under a tall peak) stays near the data instead, so
  // that the data keep the axis.
  const double span = hi - lo;
  if (!fixLo && ticks.values.size() > 2 && lo - ticks.low > 0.1 * span) {
    ticks.low = lo - 0.02 * span;
    ticks.values.erase(ticks.values.begin());
  }
  if (!fixHi && ticks.values.size() > 2 && ticks.high - hi > 0.1 * span) {
    ticks.high = hi + 0.02 * span;
    ticks.values.pop_back();
  }
  ticks.labels = linearLabels(ticks.values, best.k);
  return ticks;
}

int decadeBelow(double v) { return static_cast<int>(std::floor(std::log10(v) + 1e-9)); }
int decadeAbove(double v) { return static_cast<int>(std::ceil(std::log10(v) - 1e-9)); }

Ticks logTicks(double lo, double hi, bool fixLo, bool fixHi, int maxTicks) {
  int e0 = decadeBelow(lo), e1 = decadeAbove(hi);
  if (!fixLo && !fixHi && e0 == e1) --e0, ++e1;
  if (!fixLo) lo = decimal(1, e0);
  if (!fixHi) hi = decimal(1, e1);
  const auto inside = [&](double v) { return v >= lo * (1 - 1e-9) && v <= hi * (1 + 1e-9); };
  const int first = decadeAbove(lo), last = decadeBelow(hi);
  const int decades = last - first + 1;
  const int every = std::max(1, (decades + maxTicks - 1) / maxTicks);
  struct Tick {
    double value;
    long long m;
    int k;
  };
  std::vector<Tick> labelled;
  for (int k = first; k <= last; ++k)
    if (k % every == 0) labelled.push_back({decimal(1, k), 1, k});
  // Over few decades 2 and 5 are labelled too, within a decade every digit.
  const auto addMultiples = [&](std::initializer_list<long long> multiples) {
    for (int k = decadeBelow(lo); k <= decadeBelow(hi); ++k)
      for (long long m : multiples)
        if (inside(decimal(m, k))) labelled.push_back({decimal(m, k), m, k});
    std::sort(labelled.begin(), labelled.end(),
              [](const Tick& a, const Tick& b) { return a.value < b.value; });
  };
  if (every == 1 && labelled.size() < 3) addMultiples({2, 5});
  if (every == 1 && labelled.size() < 2) addMultiples({3, 4, 6, 7, 8, 9});
  Ticks ticks;
  if (labelled.size() < 2) {
    // A range within one digit of a decade: linear ticks on the log axis.
    ticks = linearTicks(lo, hi, true, true, maxTicks);
    ticks.low = lo;
    ticks.high = hi;
    return ticks;
  }
  ticks.low = lo;
  ticks.high = hi;
  bool exponent = false;
  for (const Tick& t : labelled) exponent |= needsExponent(t.value);
  for (const Tick& t : labelled) {
    ticks.values.push_back(t.value);
    if (!exponent) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%.6g", t.value);
      ticks.labels.push_back(buffer);
    } else if (t.m == 1) {
      ticks.labels.push_back("10" + superscript(t.k));
    } else {
      ticks.labels.push_back(std::to_string(t.m) + "\u00D710" + superscript(t.k));
    }
  }
  if (every == 1 && decades <= 6) {
    for (int k = decadeBelow(lo); k <= decadeBelow(hi); ++k) {
      for (long long m = 2; m <= 9; ++m) {
        const double v = decimal(m, k);
        const bool isLabelled = std::any_of(labelled.begin(), labelled.end(),
                                            [&](const Tick& t) { return t.m == m && t.k == k; });
        if (inside(v) && !isLabelled) ticks.minor.push_back(v);
      }
    }
  }
  return ticks;
}

}  // namespace

std::string_view paletteColour(std::size_t index) { return kPalette[index % kPalette.size()]; }

std::optional<Scale> parseScale(std::string_view name) {
  if (name == "linear") return Scale::Linear;
  if (name == "log") return Scale::Log;
  return std::nullopt;
}

TimeUnit timeUnitFor(double maxHours) { return TimeUnit{std::isfinite(maxHours) && maxHours > 240}; }

Ticks axisTicks(const Axis& axis, double dataMin, double dataMax, int maxTicks) {
  maxTicks = std::clamp(maxTicks, 2, 50);
  const bool log = axis.scale == Scale::Log;
  const auto usable = [&](const std::optional<double>& v) {
    return v && std::isfinite(*v) && std::abs(*v) <= 1e300 && (!log || (*v > 0 && *v >= 1e-300));
  };
  const bool fixLo = usable(axis.min), fixHi = usable(axis.max);
  // Data far beyond what a tick can be written as is held at +-1e300.
  const auto usableData = [&](double v) { return std::isfinite(v) && (!log || v > 0); };
  bool hasData = usableData(dataMin) && usableData(dataMax);
  if (hasData && dataMin > dataMax) std::swap(dataMin, dataMax);
  if (hasData) {
    dataMin = std::clamp(dataMin, log ? 1e-300 : -1e300, 1e300);
    dataMax = std::clamp(dataMax, log ? 1e-300 : -1e300, 1e300);
  }
  double lo = fixLo ? *axis.min : hasData ? dataMin : (log ? 1 : 0);
  double hi = fixHi ? *axis.max : hasData ? dataMax : (log ? 10 : 1);
  if (!hasData && fixLo != fixHi) {
    if (fixLo)
      hi = log ? lo * 10 : lo + 1;
    else
      lo = log ? hi / 10 : hi - 1;
  }
  if (!log && axis.startAtZero) {
    if (!fixLo) lo = std::min(lo, 0.0);
    if (!fixHi) hi = std::max(hi, 0.0);
  }
  if (lo > hi) {
    if (fixLo && fixHi)
      std::swap(lo, hi);
    else if (fixLo)
      hi = lo;  // every value below a fixed lower end
    else
      lo = hi;
  }
  // An empty range (one value, or values equal to 9 digits): widened by a
  // tenth of the value (1 around 0) on its open side(s).
  if (log) {
    if (hi / lo - 1 <= 1e-9) {
      if (!fixLo || fixHi) lo /= 10;
      if (!fixHi || fixLo) hi *= 10;
    }
    return logTicks(lo, hi, fixLo, fixHi, maxTicks);
  }
  const double magnitude = std::max(std::abs(lo), std::abs(hi));
  if (hi - lo <= 1e-9 * magnitude) {
    const double pad = magnitude == 0 ? 1 : magnitude / 10;
    const bool zeroFloor = axis.startAtZero && lo == 0;
    if ((!fixLo || fixHi) && !zeroFloor) lo -= pad;
    if (!fixHi || fixLo) hi += pad;
    if (!(hi > lo)) hi = lo + pad;
  }
  return linearTicks(lo, hi, fixLo, fixHi, maxTicks);
}

}  // namespace kaldero::figure
