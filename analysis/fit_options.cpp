#include "analysis/flow_path_fit.h"

namespace kaldero {

bool parseFitModel(const std::string& name, FitOptions& o) {
  if (name == "auto") {
    o.paths = kAutomaticPaths;
    o.storage = StorageChoice::Allowed;
    return true;
  }
  const bool paths = !name.empty() && name.size() <= 2 && name[0] >= '1' && name[0] <= '3';
  if (!paths || (name.size() == 2 && name[1] != 's')) return false;
  o.paths = name[0] - '0';
  o.storage = name.size() == 2 ? StorageChoice::Forced : StorageChoice::None;
  return true;
}

std::optional<ErrorModel> parseErrorModel(const std::string& word) {
  if (word == "ar1") return ErrorModel::Ar1;
  if (word == "independent") return ErrorModel::Independent;
  if (word == "ar1-gls") return ErrorModel::Ar1Gls;
  return std::nullopt;
}

std::optional<IntervalMethod> parseIntervalMethod(const std::string& word) {
  if (word == "covariance") return IntervalMethod::Covariance;
  if (word == "bootstrap") return IntervalMethod::Bootstrap;
  return std::nullopt;
}

}  // namespace kaldero
