#include "plot/library_text.h"

#include <algorithm>

#include "core/encoding.h"

namespace kaldero::plot {
namespace {

// Escape sequences of the graphics library for the characters the figures
// write: superscripts are collected into one raised run.
const char* escapeOf(char32_t c) {
  switch (c) {
    case U'\u00b5': return "\\gm";
    case U'\u03b1': return "\\ga";
    case U'\u03b2': return "\\gb";
    case U'\u03bb': return "\\gl";
    case U'\u03c4': return "\\gt";
    case U'\u03c6': return "\\gf";
    case U'\u03c3': return "\\gs";
    case U'\u00d7': return "\\x";
    case U'\u2212': return "-";
    case U'\u2013': return "-";
    case U'\u2014': return "-";
    case U'\u2026': return "...";
    case U'\u00bd': return "\\u1/2\\d";
    case U'\u00b0': return "deg";
    default: return nullptr;
  }
}

// A superscript's own character, or 0.
char superscriptOf(char32_t c) {
  switch (c) {
    case U'\u2070': return '0';
    case U'\u00b9': return '1';
    case U'\u00b2': return '2';
    case U'\u00b3': return '3';
    case U'\u207b': return '-';
    default: return c >= U'\u2074' && c <= U'\u2079' ? static_cast<char>('4' + (c - U'\u2074')) : 0;
  }
}

// A Latin letter with an accent without it (the library draws ASCII only).
char plainLetter(char32_t c) {
  static const std::pair<char32_t, char> kTable[] = {
      {U'\u00c0', 'A'}, {U'\u00c1', 'A'}, {U'\u00c2', 'A'}, {U'\u00c3', 'A'}, {U'\u00c4', 'A'},
      {U'\u00c5', 'A'}, {U'\u00c7', 'C'}, {U'\u00c8', 'E'}, {U'\u00c9', 'E'}, {U'\u00ca', 'E'},
      {U'\u00cb', 'E'}, {U'\u00cc', 'I'}, {U'\u00cd', 'I'}, {U'\u00ce', 'I'}, {U'\u00cf', 'I'},
      {U'\u00d1', 'N'}, {U'\u00d2', 'O'}, {U'\u00d3', 'O'}, {U'\u00d4', 'O'}, {U'\u00d5', 'O'},
      {U'\u00d6', 'O'}, {U'\u00d8', 'O'}, {U'\u00d9', 'U'}, {U'\u00da', 'U'}, {U'\u00db', 'U'},
      {U'\u00dc', 'U'}, {U'\u00dd', 'Y'}, {U'\u00e0', 'a'}, {U'\u00e1', 'a'}, {U'\u00e2', 'a'},
      {U'\u00e3', 'a'}, {U'\u00e4', 'a'}, {U'\u00e5', 'a'}, {U'\u00e7', 'c'}, {U'\u00e8', 'e'},
      {U'\u00e9', 'e'}, {U'\u00ea', 'e'}, {U'\u00eb', 'e'}, {U'\u00ec', 'i'}, {U'\u00ed', 'i'},
      {U'\u00ee', 'i'}, {U'\u00ef', 'i'}, {U'\u00f1', 'n'}, {U'\u00f2', 'o'}, {U'\u00f3', 'o'},
      {U'\u00f4', 'o'}, {U'\u00f5', 'o'}, {U'\u00f6', 'o'}, {U'\u00f8', 'o'}, {U'\u00f9', 'u'},
      {U'\u00fa', 'u'}, {U'\u00fb', 'u'}, {U'\u00fc', 'u'}, {U'\u00fd', 'y'}, {U'\u00ff', 'y'}};
  for (const auto& [from, to] : kTable)
    if (from == c) return to;
  return 0;
}

// The text with its non-ASCII characters as the library draws them; with
// `escapeBackslash` a backslash of the text is one (the text holds no
// escape sequence of its own).
std::string converted(std::string_view bytes, bool escapeBackslash) {
  const std::string text = text::utf8Text(bytes);
  std::string out, raised;
  const auto flush = [&] {
    if (raised.empty()) return;
    out += "\\u" + raised + "\\d";
    raised.clear();
  };
  for (std::size_t i = 0; i < text.size();) {
    auto [c, length] = text::decodeUtf8(text, i);
    if (length == 0) length = 1;
    i += length;
    if (const char s = superscriptOf(c)) {
      raised += s;
      continue;
    }
    flush();
    if (c == '\\' && escapeBackslash) {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else if (const char* e = escapeOf(c)) {
      out += e;
    } else if (const char p = plainLetter(c)) {
      out += p;
    } else {
      out += '?';
    }
  }
  flush();
  return out;
}

}  // namespace

std::string libraryText(std::string_view utf8) { return converted(utf8, true); }

std::string libraryCharacters(std::string_view text) {
  // ASCII, the common case, as it is.
  if (std::all_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7f;
      }))
    return std::string(text);
  return converted(text, false);
}

}  // namespace kaldero::plot
