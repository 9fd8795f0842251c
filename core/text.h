// Fixed-length, blank-padded texts. File names and labels are held as
// std::string of exactly their declared length, as the listings and reports
// print them with their padding.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kaldero::text {

inline constexpr std::size_t kNameLength = 50;

// The first n characters of s, padded with blanks to n.
std::string padded(std::string_view s, std::size_t n = kNameLength);

// Position of the last non-blank character (0 for an all-blank text).
std::size_t trimmedLength(std::string_view s);

// s without its trailing blanks.
std::string trimmed(std::string_view s);

// n blanks.
inline std::string blanks(std::size_t n) { return std::string(n, ' '); }

// s right-aligned in a field of n characters (cut to its first n when longer).
std::string rightAligned(std::string_view s, std::size_t n);

// Whether c is a blank or a tab.
inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

// s without the blanks and tabs at either end.
inline std::string_view strip(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// s repeated until it is n characters long.
inline std::string repeated(char c, std::size_t n) { return std::string(n, c); }

// s broken at blanks into lines of at most width characters (a word longer
// than width on a line of its own).
std::vector<std::string> wrapped(std::string_view s, std::size_t width);

// A number written in decimal as a person types it: an optional sign,
// digits with at most one decimal point, an optional exponent (e or E),
// and nothing else (no blanks, no hexadecimal, no inf or nan). With
// wholeNumber, digits alone.
bool isDecimalNumber(std::string_view s, bool wholeNumber = false);

// A message for the terminal with its control bytes (below 0x20, and 0x7f)
// written as \xNN, so that a bad value read from a file or the command
// line cannot ring, move the cursor or change colours.
std::string terminalSafe(std::string_view s);

}  // namespace kaldero::text
