#include "input/output_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "core/file_reports.h"
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

namespace {

std::string normalizedPath(const std::string& path) {
  std::error_code ec;
  const auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  return ec ? std::filesystem::path(path).lexically_normal().string() : p.string();
}

}  // namespace

void FileSet::add(const std::string& path) {
  if (path.empty()) return;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) ids_.emplace(st.st_dev, st.st_ino);
  paths_.insert(normalizedPath(path));
}

bool FileSet::contains(const std::string& path) const {
  if (path.empty() || paths_.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && ids_.count({st.st_dev, st.st_ino})) return true;
  return paths_.count(normalizedPath(path)) != 0;
}

std::vector<std::string> plannedOutputs(const TestDescription& t,
                                        const std::string& stationName50) {
  std::vector<std::string> out{text::trimmed(t.listingName)};
  if (on(t.knotOption)) out.push_back(text::trimmed(t.interpolatedName));
  if (on(t.cxtfitOption)) out.push_back(text::trimmed(t.cxtfitName));
  if (on(t.normalizedOption)) {
    out.push_back(text::trimmed(t.normalizedName));
    if (on(t.loadOption)) out.push_back(text::trimmed(t.loadName));
    if (on(t.standardizedOption)) out.push_back(text::trimmed(t.standardizedName));
  }
  if (on(t.chatwinPlot.tableFile)) out.push_back(text::trimmed(chatwinTableFileName(stationName50)));
  return out;
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  if (a == b) return true;
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  std::error_code ea, eb;
  const auto pa = std::filesystem::weakly_canonical(a, ea);
  const auto pb = std::filesystem::weakly_canonical(b, eb);
  return !ea && !eb && pa == pb;
}

bool outputNamesAreSound(Console& console, const TestDescription& test,
                         const std::string& stationName50, const FileSet& inputFiles,
                         const FileSet& earlierOutputs) {
  const std::vector<std::string> outputs = plannedOutputs(test, stationName50);
  const std::string station = text::trimmed(stationName50);
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    bool clash = sameFile(outputs[i], station) || inputFiles.contains(outputs[i]) ||
                 earlierOutputs.contains(outputs[i]);
    for (std::size_t j = 0; j < i; ++j) clash = clash || sameFile(outputs[i], outputs[j]);
    if (clash) {
      reportListingNameReused(console, text::padded(outputs[i]));
      return false;
    }
  }
  return true;
}

}  // namespace kaldero
