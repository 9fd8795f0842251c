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

bool isControl(char32_t c) {
  if (c == '\t' || c == '\n' || c == '\f' || c == '\r') return false;
  return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

std::string escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size();) {
    auto [c, length] = decodeUtf8(text, i);
    if (length == 0) {
      c = fromWindows1252(static_cast<unsigned char>(text[i]));
      length = 1;
    }
    i += length;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        appendUtf8(out, isControl(c) ? kReplacement : c);
    }
  }
  return out;
}

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
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
  const std::string_view text(buffer);
  const size_t e = text.find('e');
  if (e == std::string_view::npos) return std::string(text);
  const int exponent = std::atoi(buffer + e + 1);
  std::string out(text.substr(0, e));
  out += " \u00d7 10<sup>";
  if (exponent < 0) out += "\u2212";
  out += std::to_string(std::abs(exponent));
  out += "</sup>";
  return out;
}

}  // namespace kaldero::html
