// Texts for the page: escaping with a check of the UTF-8, the
// Windows-1252 listings as UTF-8, file names as URLs and numbers.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "report/html_report.h"

namespace kaldero::html {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code points of the bytes 0x80 to 0x9F in Windows-1252; the unassigned
// ones are the replacement character. 0xA0 to 0xFF are the same as Latin-1.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

char32_t fromWindows1252(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80];
  return byte;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The code point of a well-formed UTF-8 sequence at text[i] and its length;
// length 0 when the bytes there are not one (overlong forms, surrogates and
// values past U+10FFFF included).
std::pair<char32_t, size_t> decodeUtf8(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return {b0, 1};
  size_t length;
  char32_t c;
  char32_t minimum;
  if ((b0 & 0xE0) == 0xC0) {
    length = 2, c = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    length = 3, c = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    length = 4, c = b0 & 0x07, minimum = 0x10000;
  } else {
    return {0, 0};
  }
  if (i + length > text.size()) return {0, 0};
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

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

std::string utf8Text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    auto [c, length] = decodeUtf8(text, i);
    if (length == 0) {
      c = fromWindows1252(static_cast<unsigned char>(text[i]));
      length = 1;
    }
    i += length;
    appendUtf8(out, c);
  }
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
