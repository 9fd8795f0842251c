#include "importer/control_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "core/text.h"
#include "importer/numbers.h"
#include "importer/station_header.h"

namespace kaldero::importer {

namespace {

constexpr const char* kMassLabel =
    "MASS UNIT CODE (1 = POUNDS, 2 = KILOGRAMS, 3 = GRAMS, OTHER = MILLIGRAMS)";
constexpr const char* kReleaseLabel =
    "RELEASE MODE (1 = INSTANTANEOUS, 2 = PULSE), RELEASE DURATION IN HOURS";
constexpr const char* kArrivalLabel = "FLOW-ZONE ARRIVAL TIME IN HOURS";
constexpr const char* kStationsLabel = "STATION DATA FILES, ONE NAME A LINE";

// Hours to the seconds the program computes in.
constexpr double kSecondsPerHour = 3600;

std::string trimmed(std::string_view s) {
  while (!s.empty() && text::isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (text::isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

// A value of a free-format line and the column it starts at (1-based). An
// empty text is a null value (a leading comma or two commas in a row),
// which the program does not read as a value.
struct Value {
  std::string text;
  int64_t column = 1;
};

// The values of a line as the program reads them: separated by blanks,
// tabs or commas; a slash ends them.
std::vector<Value> values(std::string_view line) {
  std::vector<Value> out;
  bool afterComma = true;  // a comma here stands for a null value
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (text::isBlank(c) || c == '\r') {
      ++i;
    } else if (c == ',') {
      if (afterComma) out.push_back({"", static_cast<int64_t>(i + 1)});
      afterComma = true;
      ++i;
    } else if (c == '/') {
      break;
    } else {
      const std::size_t start = i;
      while (i < line.size() && !text::isBlank(line[i]) && !std::strchr("\r,/", line[i])) ++i;
      out.push_back({std::string(line.substr(start, i - start)), static_cast<int64_t>(start + 1)});
      afterComma = false;
    }
  }
  return out;
}

// A real as the program reads one: a decimal number, perhaps with an
// exponent after E, D or Q or a signed exponent without a letter ("1.5+3"),
// finite and within single precision.
bool readReal(const std::string& text, double& out) {
  std::string t;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool afterMantissa = i > 0 && (std::isdigit(static_cast<unsigned char>(text[i - 1])) ||
                                         text[i - 1] == '.');
    if (afterMantissa && std::strchr("dDqQ", c)) t += 'e';
    else if (afterMantissa && (c == '+' || c == '-')) t += std::string("e") + c;
    else t += c;
  }
  return parseNumber(t, out) && inSinglePrecision(out);
}

// A whole number as the program reads one (a sign, then digits).
bool readInteger(const std::string& text, int64_t& out) {
  std::size_t i = text.starts_with('+') || text.starts_with('-') ? 1 : 0;
  if (i == text.size() || text.size() - i > 10) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    v = v * 10 + (text[i] - '0');
  }
  out = text.front() == '-' ? -v : v;
  return out >= std::numeric_limits<int32_t>::min() && out <= std::numeric_limits<int32_t>::max();
}

// The values of the leading block, as the program reads them.
struct LeadingBlock {
  double mass = 0;
  int64_t massCode = 0;
  int64_t releaseMode = 0;
  std::optional<double> duration;
  double arrival = 0;
  std::string massText, codeText, arrivalText;  // as written
};

// The leading block of an existing file (title, mass, label, mass unit
// code, label, release mode and duration, label, flow-zone arrival time,
// label) and the station file names after it, read as the program reads
// them: a file that the program would not take for a control file is no
// control file, and is not extended.
Expected<LeadingBlock> readLeadingBlock(const std::string& path, const std::string& text,
                                        const std::vector<std::string>& lines) {
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF"))
    return dataError(path, 1, 1, "UTF-16 text (a byte-order mark): save the file as UTF-8 text");
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) {
    const std::size_t lineStart = text.rfind('\n', zero);
    const int64_t line = std::count(text.begin(), text.begin() + zero, '\n') + 1;
    const int64_t column =
        static_cast<int64_t>(zero - (lineStart == std::string::npos ? 0 : lineStart + 1)) + 1;
    return dataError(path, line, column, "a zero byte: not a text file");
  }
  if (lines.size() < 9)
    return dataError(path, static_cast<int64_t>(lines.size()) + 1, 1,
                     "a control file has 9 lines before the station file names; this one has " +
                         std::to_string(lines.size()));

  auto notControl = [&](int line, int64_t column, const std::string& why) {
    return dataError(path, line, column, "not a control file: " + why);
  };
  // The first value of a line, or why there is none.
  auto firstValue = [&](int line, const char* what,
                        const std::vector<Value>& v) -> std::optional<Error> {
    if (v.empty() || v[0].text.empty())
      return notControl(line, v.empty() ? 1 : v[0].column, std::string("no ") + what);
    return std::nullopt;
  };
  auto notA = [&](int line, const Value& v, const char* what) {
    return notControl(line, v.column, "\"" + v.text + "\" is not " + what);
  };

  LeadingBlock b;
  const auto mass = values(lines[1]);
  if (auto e = firstValue(2, "injected mass (a number)", mass)) return *e;
  if (!readReal(mass[0].text, b.mass)) return notA(2, mass[0], "the injected mass (a number)");
  b.massText = mass[0].text;

  const auto code = values(lines[3]);
  if (auto e = firstValue(4, "mass unit code (a whole number)", code)) return *e;
  if (!readInteger(code[0].text, b.massCode))
    return notA(4, code[0], "the mass unit code (a whole number)");
  b.codeText = code[0].text;

  const auto release = values(lines[5]);
  if (auto e = firstValue(6, "release mode (a whole number)", release)) return *e;
  if (!readInteger(release[0].text, b.releaseMode))
    return notA(6, release[0], "the release mode (a whole number)");
  if (release.size() > 1 && !release[1].text.empty()) {
    double hours = 0;
    if (!readReal(release[1].text, hours))
      return notA(6, release[1], "the release duration (a number)");
    // The program takes a duration of 0 only for an instantaneous release.
    if (b.releaseMode > 1 && !(static_cast<float>(hours) > 0))
      return notControl(6, release[1].column,
                        "release mode " + std::to_string(b.releaseMode) +
                            " needs a duration above 0");
    b.duration = hours;
  }

  const auto arrival = values(lines[7]);
  if (auto e = firstValue(8, "flow-zone arrival time (a number)", arrival)) return *e;
  if (!readReal(arrival[0].text, b.arrival))
    return notA(8, arrival[0], "the flow-zone arrival time (a number)");
  b.arrivalText = arrival[0].text;

  // The program reads a name from the first 50 characters of its line.
  for (std::size_t i = 9; i < lines.size(); ++i) {
    const std::string name = trimmed(lines[i]);
    if (name.size() > kMaxNameLength || hasControlCharacter(name))
      return notControl(static_cast<int>(i + 1),
                        static_cast<int64_t>(lines[i].find_first_not_of(" \t")) + 1,
                        "a station data file name (at most 50 characters) should stand here");
  }
  return b;
}

// The program reads these values in single precision: equal when they read
// the same.
bool sameValue(double a, double b) { return static_cast<float>(a) == static_cast<float>(b); }

std::string releaseLine(const Release& r) { return r.pulse ? "2  " + formatNumber(r.hours) : "1  0"; }

// The values asked for, checked as the program will read them.
Status checkRequest(const ControlRequest& r) {
  if (r.title && hasControlCharacter(*r.title))
    return optionError("--title holds a control character (a line end or a tab): the title is "
                       "one line of the control file");
  if (r.mass) {
    if (!(r.mass->value > 0)) return optionError("--mass must be above 0");
    const std::string why = singlePrecisionProblem(
        r.mass->value, programFactor(Quantity::Mass, r.mass->unit.code), "mg");
    if (!why.empty())
      return optionError("--mass \"" + formatNumber(r.mass->value) + " " +
                         std::string(r.mass->unit.name) + "\" " + why);
  }
  if (r.release && r.release->pulse) {
    const std::string why = singlePrecisionProblem(r.release->hours, kSecondsPerHour, "s");
    if (!(r.release->hours > 0) || !why.empty())
      return optionError("--release: the pulse duration " + formatNumber(r.release->hours) +
                         " h must be above 0" + (why.empty() ? "" : " and " + why));
  }
  if (r.arrivalHours) {
    const std::string why = singlePrecisionProblem(*r.arrivalHours, kSecondsPerHour, "s");
    if (!why.empty()) return optionError("--arrival " + formatNumber(*r.arrivalHours) + " h " + why);
  }
  return std::nullopt;
}

}  // namespace

std::optional<Release> parseRelease(std::string_view text, std::string& why) {
  if (text == "instantaneous") return Release{false, 0};
  if (text.starts_with("pulse:")) {
    double h = 0;
    // Above 0 also as the program reads it, in single precision.
    if (parseNumber(text.substr(6), h) && h > 0 && h < 1e30 && static_cast<float>(h) > 0)
      return Release{true, h};
    why = "the pulse duration in hours must be a number above 0 (pulse:0.1)";
    return std::nullopt;
  }
  why = "\"" + std::string(text) + "\" is neither \"instantaneous\" nor \"pulse:HOURS\"";
  return std::nullopt;
}

Expected<ControlPlan> planControlFile(const ControlRequest& r, const std::string& stationName,
                                      const std::string& defaultTitle) {
  ControlPlan plan;
  if (stationName.size() > kMaxNameLength)
    return optionError("the station file name \"" + stationName + "\" is longer than " +
                       std::to_string(kMaxNameLength) +
                       " characters: the control file cannot name it");
  if (auto e = checkRequest(r)) return *e;
  struct stat st {};
  if (::stat(r.path.c_str(), &st) != 0) {
    if (!r.mass || !r.release)
      return optionError("a new control file " + r.path +
                         " needs --mass \"VALUE UNIT\" and --release instantaneous|pulse:HOURS");
    std::string title = r.title.value_or(defaultTitle);
    plan.text = title + "\n" + formatNumber(r.mass->value) + "\n" + kMassLabel + "\n" +
                std::to_string(r.mass->unit.code) + "\n" + kReleaseLabel + "\n" +
                releaseLine(*r.release) + "\n" + kArrivalLabel + "\n" +
                formatNumber(r.arrivalHours.value_or(0)) + "\n" + kStationsLabel + "\n" +
                stationName + "\n";
    return plan;
  }
  // A device, a pipe or a folder is never replaced.
  if (!S_ISREG(st.st_mode))
    return optionError("--control " + r.path +
                       " is not a regular file (a device, a pipe or a folder): it would be "
                       "replaced");
  if (st.st_size > (16 << 20)) return dataError(r.path, 0, 0, "too large for a control file");
  std::ifstream in(r.path, std::ios::binary);
  std::ostringstream buf;
  buf << in.rdbuf();
  if (!in.good() && !in.eof()) return dataError(r.path, 0, 0, "cannot read");
  const std::string old = buf.str();
  std::vector<std::string> lines;
  {
    std::size_t at = 0;
    while (at < old.size()) {
      std::size_t nl = old.find('\n', at);
      if (nl == std::string::npos) nl = old.size();
      lines.push_back(old.substr(at, nl - at));
      at = nl + 1;
    }
  }
  const Expected<LeadingBlock> block = readLeadingBlock(r.path, old, lines);
  if (!block) return block.error();
  const LeadingBlock& b = *block;
  plan.exists = true;

  auto mismatch = [&](int line, const std::string& option, const std::string& has) {
    return Error{r.path, line, 1,
                 "the control file gives " + has + ", which " + option + " contradicts (leave " +
                     option + " out to add the station)",
                 ErrorKind::Option};
  };
  if (r.title && trimmed(lines[0]) != trimmed(*r.title))
    return mismatch(1, "--title", "the title \"" + trimmed(lines[0]) + "\"");
  if (r.mass) {
    const int fileCode = b.massCode >= 1 && b.massCode <= 3 ? static_cast<int>(b.massCode) : 4;
    if (!sameValue(b.mass, r.mass->value) || fileCode != r.mass->unit.code)
      return mismatch(2, "--mass", "the mass " + b.massText + " with unit code " + b.codeText);
  }
  if (r.release) {
    const bool pulse = b.releaseMode > 1;
    if (pulse != r.release->pulse ||
        (pulse && !sameValue(b.duration.value_or(0), r.release->hours)))
      return mismatch(6, "--release", "the release \"" + trimmed(lines[5]) + "\"");
  }
  if (r.arrivalHours && !sameValue(b.arrival, *r.arrivalHours))
    return mismatch(8, "--arrival", "the flow-zone arrival time " + b.arrivalText + " h");
  for (std::size_t i = 9; i < lines.size(); ++i) {
    if (trimmed(lines[i]) == stationName) {
      plan.alreadyListed = true;
      plan.text = old;
      return plan;
    }
  }
  // Blank lines at the end would stand between the names; the new name
  // follows the last one.
  while (lines.size() > 9 && trimmed(lines.back()).empty()) lines.pop_back();
  for (const std::string& l : lines) plan.text += l + "\n";
  plan.text += stationName + "\n";
  return plan;
}

}  // namespace kaldero::importer
