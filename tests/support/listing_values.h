// Reading numbers back from a results listing.
#pragma once

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero::testing {

inline std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// Whether some line, without its leading blanks, begins with label.
inline bool hasLine(const std::string& listing, std::string_view label) {
  for (const auto& l : splitLines(listing)) {
    const auto i = l.find_first_not_of(' ');
    if (i != std::string::npos && std::string_view(l).substr(i).starts_with(label)) return true;
  }
  return false;
}

// The number field (columns 69 to 78) of the line that begins with label,
// or of the k-th line after it.
inline std::optional<double> listedValue(const std::string& listing, std::string_view label,
                                         int k = 0) {
  const auto ls = splitLines(listing);
  for (std::size_t j = 0; j < ls.size(); ++j) {
    const auto i = ls[j].find_first_not_of(' ');
    if (i == std::string::npos || !std::string_view(ls[j]).substr(i).starts_with(label)) continue;
    const std::string& l = ls[j + static_cast<std::size_t>(k)];
    if (l.size() < 78) return std::nullopt;
    return std::strtod(l.substr(68, 10).c_str(), nullptr);
  }
  return std::nullopt;
}

}  // namespace kaldero::testing
