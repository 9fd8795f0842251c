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

OutputRecord curveCsvRecord(const OutputRecord& f) {
  std::string kind = f.kind;
  if (kind.ends_with(" file")) kind.resize(kind.size() - 5);
  return {f.name + ".csv", kind + " CSV file", ""};
}

std::vector<OutputRecord> plannedOutputs(const TestDescription& t,
                                         const std::string& stationName50, bool curvesCsv) {
  std::vector<OutputRecord> out{listingRecord(t)};
  auto add = [&](const std::string& name, const char* kind) {
    out.push_back({text::trimmed(name), kind, ""});
  };
  auto curve = [&](const std::string& name, const char* kind) {
    add(name, kind);
    if (curvesCsv) out.push_back(curveCsvRecord(out.back()));
  };
  if (on(t.knotOption)) add(t.interpolatedName, "interpolated-data file");
  if (on(t.cxtfitOption)) add(t.cxtfitName, "CXTFIT input file");
  if (on(t.normalizedOption)) {
    curve(t.normalizedName, "normalized curve file");
    if (on(t.loadOption)) curve(t.loadName, "load curve file");
    if (on(t.standardizedOption)) curve(t.standardizedName, "standardized curve file");
  }
  if (on(t.chatwinPlot.tableFile)) add(chatwinTableFileName(stationName50), "Chatwin table file");
  return out;
}

}  // namespace kaldero
