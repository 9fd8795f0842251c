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

}  // namespace kaldero::text
