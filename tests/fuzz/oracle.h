// What every whole run must leave behind, checked after each fuzz input:
// the input files unchanged, and no written file holding a number that is
// not finite (the formatter's "NaN", "Infinity" or "Inf", or a graphics
// file's "nan" or "inf"). A marker that occurs in the inputs themselves may
// be echoed text (a station named "NaN.DAT") and is not looked for. A
// violation aborts, which the fuzzer records as a finding.
#pragma once

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

namespace kaldero::fuzzing {

inline std::string contents(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether marker occurs in s as a whole word (not inside a longer word).
inline bool hasWord(std::string_view s, std::string_view marker) {
  auto letter = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  for (std::size_t at = s.find(marker); at != std::string_view::npos; at = s.find(marker, at + 1)) {
    const bool before = at > 0 && letter(s[at - 1]);
    const bool after = at + marker.size() < s.size() && letter(s[at + marker.size()]);
    if (!before && !after) return true;
  }
  return false;
}

[[noreturn]] inline void violation(const std::string& what, const std::filesystem::path& file) {
  std::fprintf(stderr, "run oracle: %s: %s\n", what.c_str(), file.string().c_str());
  std::abort();
}

// inputs: the name (relative to dir) and the bytes of every input file.
inline void checkRun(const std::filesystem::path& dir,
                     const std::map<std::string, std::string>& inputs) {
  static constexpr std::string_view kMarkers[] = {"NaN", "Infinity", "Inf", "nan", "inf"};
  bool look[std::size(kMarkers)];
  for (std::size_t m = 0; m < std::size(kMarkers); ++m) {
    look[m] = true;
    for (const auto& [name, bytes] : inputs)
      if (bytes.find(kMarkers[m]) != std::string::npos ||
          name.find(kMarkers[m]) != std::string::npos)
        look[m] = false;
  }
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().lexically_relative(dir).string();
    const std::string bytes = contents(entry.path());
    if (auto in = inputs.find(name); in != inputs.end()) {
      if (bytes != in->second) violation("an input file was changed", entry.path());
      continue;
    }
    for (std::size_t m = 0; m < std::size(kMarkers); ++m)
      if (look[m] && hasWord(bytes, kMarkers[m]))
        violation("a written file holds \"" + std::string(kMarkers[m]) + "\"", entry.path());
  }
}

}  // namespace kaldero::fuzzing
