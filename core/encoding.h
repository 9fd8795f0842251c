// Character encodings of the texts the program handles: its files and names
// are bytes, Windows-1252 where they are not ASCII (the listings print the
// micro sign as 0xB5), while JSON, HTML and PDF metadata want UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace kaldero::text {

// The code point of a Windows-1252 byte; 0 for the five bytes the code page
// leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char32_t windows1252CodePoint(unsigned char byte);

// Appends the UTF-8 form of a code point.
void appendUtf8(std::string& out, char32_t c);

// The code point of a well-formed UTF-8 sequence at text[i] and its length;
// length 0 when the bytes there are not one (overlong forms, surrogates and
// values past U+10FFFF included).
std::pair<char32_t, std::size_t> decodeUtf8(std::string_view text, std::size_t i);

// A text as valid UTF-8: well-formed UTF-8 sequences kept, every other byte
// read as Windows-1252 (unassigned bytes as U+FFFD).
std::string utf8Text(std::string_view text);

// The same escaped for XML and HTML content and attribute values (& < > "
// and ' as references), the control characters other than tab, line feed,
// form feed and carriage return (C0 and C1) and the non-characters U+FFFE
// and U+FFFF as U+FFFD; with `oneLine` those four white-space characters
// as blanks (an SVG text, a title).
std::string markupText(std::string_view text, bool oneLine = false);

}  // namespace kaldero::text
