// Texts for the page: escaping with a check of the UTF-8, the
// Windows-1252 listings as UTF-8, file names as URLs and numbers.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "core/format.h"
#include "report/html_report.h"

namespace kaldero::html {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A Windows-1252 byte as its code point, the unassigned ones as the
// replacement character.
char32_t fromWindows1252(unsigned char byte) {
  const char32_t c = text::windows1252CodePoint(byte);
  return c == 0 ? kReplacement : c;
}

using text::appendUtf8;
using text::decodeUtf8;

}  // namespace

std::string escape(std::string_view text) { return text::markupText(text); }

std::string windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (const char b : bytes) appendUtf8(out, fromWindows1252(static_cast<unsigned char>(b)));
  return out;
}

std::string fileUrl(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  size_t i = 0;
  if (!name.empty() && name[0] == '/') {
    // "//host/..." would be a link to another machine.
    out += '/';
    while (i < name.size() && name[i] == '/') ++i;
  }
  for (; i < name.size(); ++i) {
    const auto b = static_cast<unsigned char>(name[i]);
    const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                       b == '-' || b == '.' || b == '_' || b == '~' || b == '/';
    if (plain) {
      out += static_cast<char>(b);
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0xF];
    }
  }
  return out;
}

std::string formatNumber(double value, int digits) {
  if (!std::isfinite(value)) return "\u2014";
  if (value == 0) return "0";
  const std::string written = fmt::general(value, digits);
  const std::string_view text(written);
  const size_t e = text.find('e');
  if (e == std::string_view::npos) return written;
  const int exponent = std::atoi(written.c_str() + e + 1);
  std::string out(text.substr(0, e));
  out += " \u00d7 10<sup>";
  if (exponent < 0) out += "\u2212";
  out += std::to_string(std::abs(exponent));
  out += "</sup>";
  return out;
}

}  // namespace kaldero::html
