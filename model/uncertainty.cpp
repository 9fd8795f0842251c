#include "model/uncertainty.h"

#include <cmath>
#include <cstdlib>

namespace kaldero {

namespace {

// A number of the whole text, finite.
std::optional<double> number(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<StatedError> parseStatedError(const std::string& text) {
  StatedError e;
  e.text = text;
  std::string digits = text;
  if (!digits.empty() && digits.back() == '%') {
    e.relative = true;
    digits.pop_back();
  }
  const std::optional<double> v = number(digits);
  if (!v || *v < 0) return std::nullopt;
  e.value = e.relative ? *v / 100.0 : *v;
  return e;
}

}  // namespace kaldero
