#include "model/uncertainty.h"

#include <cmath>
#include <cstdlib>

#include "core/text.h"

namespace kaldero {

namespace {

constexpr double kLargestAbsoluteError = 1e6;

// A decimal number of the whole text, finite.
std::optional<double> number(const std::string& text) {
  if (!text::isDecimalNumber(text)) return std::nullopt;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A stated error no one can mean: a relative one above 1000 %, an absolute
// one beyond 1e6 in the station's unit. Why, or nothing.
std::optional<std::string> unmeant(const StatedError& e) {
  if (e.relative && e.value > 10) return "is a relative error above 1000 %, which cannot be meant";
  if (!e.relative && e.value > kLargestAbsoluteError)
    return "is beyond 1e6 in the station's unit, which cannot be meant";
  return std::nullopt;
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

std::optional<std::string> uncertaintyRequestFrom(const UncertaintyOptionTexts& t,
                                               UncertaintyRequest& request) {
  UncertaintyRequest u = request;
  const bool draws = t.draws.has_value();
  if (draws) {
    // The 2.5 and 97.5 % points of fewer than 100 draws would each rest on
    // fewer than three of them.
    if (*t.draws < kMinimumDraws || *t.draws > 1000000)
      return "--uncertainty: the number of draws must be 100 to 1000000 (with fewer, the 2.5 "
             "and 97.5 % points rest on fewer than three draws each)";
    u.draws = *t.draws;
  }
  const std::pair<const char*, std::pair<const std::optional<std::string>*, StatedError*>>
      errors[] = {{"--conc-error", {&t.concentration, &u.concentration}},
                  {"--discharge-error", {&t.discharge, &u.discharge}},
                  {"--discharge-noise", {&t.dischargeNoise, &u.dischargeNoise}},
                  {"--background-error", {&t.background, &u.background}}};
  for (const auto& [name, target] : errors) {
    if (!*target.first) continue;
    if (!draws) return std::string(name) + " needs --uncertainty DRAWS";
    const std::optional<StatedError> e = parseStatedError(**target.first);
    if (!e)
      return std::string(name) + ": \"" + **target.first +
             "\" is not a percentage or a value of 0 or more";
    if (const std::optional<std::string> why = unmeant(*e))
      return std::string(name) + ": \"" + **target.first + "\" " + *why;
    *target.second = *e;
  }
  if (t.timeError) {
    if (!draws) return "--time-error needs --uncertainty DRAWS";
    if (!std::isfinite(*t.timeError) || *t.timeError < 0)
      return "--time-error: the error must be 0 or more";
    if (*t.timeError > kLargestAbsoluteError)
      return "--time-error: an error beyond 1e6 in the station's time unit cannot be meant";
    u.timeError = *t.timeError;
  }
  if (t.correlation) {
    if (!draws) return "--conc-error-correlation needs --uncertainty DRAWS";
    if (u.concentration.none())
      return "--conc-error-correlation needs --conc-error (it correlates those errors)";
    if (!(*t.correlation >= 0 && *t.correlation < 1))
      return "--conc-error-correlation: R must be from 0 to below 1";
    u.concentrationCorrelation = *t.correlation;
  }
  if (t.tailMethods) {
    if (!draws) return "--tail-methods needs --uncertainty DRAWS";
    if (*t.tailMethods != "all" && *t.tailMethods != "own")
      return "--tail-methods: \"" + *t.tailMethods + "\" is not all or own";
    u.allTailMethods = *t.tailMethods == "all";
  }
  if (t.seed) {
    if (!draws) return "--seed needs --uncertainty DRAWS";
    u.seed = *t.seed;
  }
  request = u;
  return std::nullopt;
}

}  // namespace kaldero
