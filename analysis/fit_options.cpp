#include "analysis/flow_path_fit.h"

namespace kaldero {

bool parseFitModel(const std::string& name, FitOptions& o) {
  if (name == "auto") {
    o.paths = kAutomaticPaths;
    o.storage = StorageChoice::Allowed;
    return true;
  }
  const bool paths = !name.empty() && name.size() <= 2 && name[0] >= '1' && name[0] <= '3';
  if (!paths || (name.size() == 2 && name[1] != 's' && name[1] != 'p')) return false;
  o.paths = name[0] - '0';
  // One path with a zone of its own is the one path sharing it: "1p" is
  // "1s".
  o.storage = name.size() == 1                   ? StorageChoice::None
              : name[1] == 's' || o.paths == 1 ? StorageChoice::Forced
                                                 : StorageChoice::PerPath;
  return true;
}

std::optional<ErrorModel> parseErrorModel(const std::string& word) {
  if (word == "ar1") return ErrorModel::Ar1;
  if (word == "independent") return ErrorModel::Independent;
  if (word == "ar1-gls") return ErrorModel::Ar1Gls;
  if (word == "ar1-relative") return ErrorModel::Ar1Relative;
  return std::nullopt;
}

std::optional<IntervalMethod> parseIntervalMethod(const std::string& word) {
  if (word == "covariance") return IntervalMethod::Covariance;
  if (word == "bootstrap") return IntervalMethod::Bootstrap;
  return std::nullopt;
}

std::optional<std::string> fitOptionsFrom(const FitOptionTexts& t, std::optional<FitOptions>& out) {
  if (t.model.empty()) {
    if (!t.errors.empty()) return "--fit-errors needs --fit";
    if (!t.intervals.empty()) return "--fit-intervals needs --fit";
    if (t.seed) return "--fit-seed needs --fit";
    if (t.baseline) return "--fit-baseline needs --fit";
    if (t.decay) return "--fit-decay needs --fit";
    return std::nullopt;
  }
  FitOptions o;
  if (!parseFitModel(t.model, o))
    return "--fit: \"" + t.model + "\" is not 1, 2, 3, 1s, 2s, 3s, 1p, 2p, 3p or auto";
  if (!t.errors.empty()) {
    const std::optional<ErrorModel> e = parseErrorModel(t.errors);
    if (!e)
      return "--fit-errors: \"" + t.errors + "\" is not ar1, independent, ar1-gls or ar1-relative";
    o.errors = *e;
  }
  if (!t.intervals.empty()) {
    const std::optional<IntervalMethod> i = parseIntervalMethod(t.intervals);
    if (!i) return "--fit-intervals: \"" + t.intervals + "\" is not covariance or bootstrap";
    o.intervals = *i;
  }
  if (t.seed) {
    if (o.intervals != IntervalMethod::Bootstrap) return "--fit-seed needs --fit-intervals bootstrap";
    o.bootstrapSeed = *t.seed;
  }
  o.baseline = t.baseline;
  o.decay = t.decay;
  o.reachBypass = t.reachBypass;
  o.samples = SampleSource::Measured;
  out = o;
  return std::nullopt;
}

}  // namespace kaldero
