#include "input/output_names.h"

#include <algorithm>

#include "core/text.h"

namespace kaldero {

std::string chatwinTableFileName(const std::string& stationName50) {
  const std::string name = text::trimmed(stationName50);
  const std::size_t slash = name.rfind('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t period = name.find('.', start);
  const std::string stem = period == std::string::npos ? name : name.substr(0, period);
  return text::padded(stem + "_CHT.OUT", std::max(text::kNameLength, stem.size() + 8));
}

OutputRecord listingRecord(const TestDescription& t) {
  return {text::trimmed(t.listingName), "results listing", ""};
}

std::vector<OutputRecord> plannedOutputs(const TestDescription& t,
                                         const std::string& stationName50) {
  std::vector<OutputRecord> out{listingRecord(t)};
  auto add = [&](const std::string& name, const char* kind) {
    out.push_back({text::trimmed(name), kind, ""});
  };
  if (on(t.knotOption)) add(t.interpolatedName, "interpolated-data file");
  if (on(t.cxtfitOption)) add(t.cxtfitName, "CXTFIT input file");
  if (on(t.normalizedOption)) {
    add(t.normalizedName, "normalized curve file");
    if (on(t.loadOption)) add(t.loadName, "load curve file");
    if (on(t.standardizedOption)) add(t.standardizedName, "standardized curve file");
  }
  if (on(t.chatwinPlot.tableFile)) add(chatwinTableFileName(stationName50), "Chatwin table file");
  return out;
}

}  // namespace kaldero
