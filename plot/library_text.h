// Texts as the graphics library draws them. The library draws ASCII only:
// a byte beyond it (a station name in UTF-8 or in Windows-1252) puts the
// page's text out of action, every later text of the page included. Each
// character beyond ASCII becomes its escape sequence (the micro sign,
// superscripts, the multiplication and minus signs, Greek letters), a
// letter with an accent the letter without it, any other character "?".
#pragma once

#include <string>
#include <string_view>

namespace kaldero::plot {

// A figure's text (UTF-8, or Windows-1252 bytes): converted, and a
// backslash of the text kept as one (the text holds no escape sequence).
std::string libraryText(std::string_view utf8);

// A plot's text that holds the library's escape sequences already (the
// listings' plots): ASCII kept as it is, every other character converted.
std::string libraryCharacters(std::string_view text);

}  // namespace kaldero::plot
