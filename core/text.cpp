#include "core/text.h"

namespace kaldero::text {

std::string padded(std::string_view s, std::size_t n) {
  std::string out(s.substr(0, n));
  out.resize(n, ' ');
  return out;
}

std::size_t trimmedLength(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return n;
}

std::string trimmed(std::string_view s) { return std::string(s.substr(0, trimmedLength(s))); }

std::string rightAligned(std::string_view s, std::size_t n) {
  if (s.size() >= n) return std::string(s.substr(0, n));
  return std::string(n - s.size(), ' ') + std::string(s);
}

std::vector<std::string> wrapped(std::string_view s, std::size_t width) {
  std::vector<std::string> lines;
  std::string line;
  while (!s.empty()) {
    s = strip(s);
    const std::size_t end = s.find(' ');
    const std::string_view word = s.substr(0, end);
    if (word.empty()) break;
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      lines.push_back(std::move(line));
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
    s = end == std::string_view::npos ? std::string_view() : s.substr(end);
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

}  // namespace kaldero::text
