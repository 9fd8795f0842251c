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

bool isDecimalNumber(std::string_view s, bool wholeNumber) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  std::size_t i = 0, digits = 0;
  if (!wholeNumber && i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  for (; i < s.size() && digit(s[i]); ++i) ++digits;
  if (wholeNumber) return digits > 0 && i == s.size();
  if (i < s.size() && s[i] == '.')
    for (++i; i < s.size() && digit(s[i]); ++i) ++digits;
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponent = 0;
    for (; i < s.size() && digit(s[i]); ++i) ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

std::string terminalSafe(std::string_view s) {
  static const char* const kHex = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c != 0x7f) {
      out += ch;
      continue;
    }
    out += "\\x";
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

}  // namespace kaldero::text
