#include "core/encoding.h"

namespace kaldero::text {

namespace {

// The code points of the bytes 0x80 to 0x9F; 0xA0 to 0xFF are those of
// Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

char32_t windows1252CodePoint(unsigned char byte) {
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

std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char b0 = byte(i);
  if (b0 < 0x80) return {b0, 1};
  std::size_t length;
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
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return {0, 0};
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
  return {c, length};
}

namespace {

// The code point at text[i], UTF-8 or else a Windows-1252 byte (U+FFFD for
// an unassigned one); i moves past it.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
  auto [c, length] = decodeUtf8(text, i);
  if (length == 0) {
    c = windows1252CodePoint(static_cast<unsigned char>(text[i]));
    if (c == 0) c = 0xFFFD;
    length = 1;
  }
  i += length;
  return c;
}

}  // namespace

std::string markupText(std::string_view text, bool oneLine) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = nextCodePoint(text, i);
    switch (c) {
      case '&': out += "&amp;"; continue;
      case '<': out += "&lt;"; continue;
      case '>': out += "&gt;"; continue;
      case '"': out += "&quot;"; continue;
      case '\'': out += "&#39;"; continue;
      case '\t':
      case '\n':
      case '\r':
      case '\f':
        if (oneLine) c = ' ';
        break;
      default:
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;
    }
    appendUtf8(out, c);
  }
  return out;
}

std::string utf8Text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = nextCodePoint(text, i);
    appendUtf8(out, c);
  }
  return out;
}

}  // namespace kaldero::text
