#include "importer/control_file.h"

#include <sys/stat.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

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

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimmed(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (isBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return std::string(s);
}

// The first values of a free-format line (blanks or commas between them).
std::vector<std::string> tokens(const std::string& line) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : line) {
    if (isBlank(c) || c == ',' || c == '\r') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// The program reads these values in single precision: equal when they read
// the same.
bool sameValue(double a, double b) { return static_cast<float>(a) == static_cast<float>(b); }

std::string releaseLine(const Release& r) { return r.pulse ? "2  " + formatNumber(r.hours) : "1  0"; }

}  // namespace

std::optional<Release> parseRelease(std::string_view text, std::string& why) {
  if (text == "instantaneous") return Release{false, 0};
  if (text.starts_with("pulse:")) {
    double h = 0;
    if (parseNumber(text.substr(6), h) && h > 0 && h < 1e30) return Release{true, h};
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
  if (!S_ISREG(st.st_mode)) return dataError(r.path, 0, 0, "not a regular file");
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
  if (lines.size() < 9)
    return dataError(r.path, static_cast<int64_t>(lines.size()) + 1, 1,
                     "a control file has 9 lines before the station file names; this one has " +
                         std::to_string(lines.size()));
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
    const auto m = tokens(lines[1]);
    const auto u = tokens(lines[3]);
    double value = 0, code = 0;
    if (m.empty() || u.empty() || !parseNumber(m[0], value) || !parseNumber(u[0], code))
      return dataError(r.path, 2, 1, "cannot read the injected mass and its unit code (lines 2 and 4)");
    const int fileCode = code >= 1 && code <= 3 ? static_cast<int>(code) : 4;
    if (!sameValue(value, r.mass->value) || fileCode != r.mass->unit.code)
      return mismatch(2, "--mass", "the mass " + m[0] + " with unit code " + u[0]);
  }
  if (r.release) {
    const auto t = tokens(lines[5]);
    double mode = 0, hours = 0;
    if (t.empty() || !parseNumber(t[0], mode))
      return dataError(r.path, 6, 1, "cannot read the release mode");
    if (t.size() > 1) parseNumber(t[1], hours);
    const bool pulse = mode > 1;
    if (pulse != r.release->pulse || (pulse && !sameValue(hours, r.release->hours)))
      return mismatch(6, "--release", "the release \"" + trimmed(lines[5]) + "\"");
  }
  if (r.arrivalHours) {
    const auto t = tokens(lines[7]);
    double hours = 0;
    if (t.empty() || !parseNumber(t[0], hours))
      return dataError(r.path, 8, 1, "cannot read the flow-zone arrival time");
    if (!sameValue(hours, *r.arrivalHours))
      return mismatch(8, "--arrival", "the flow-zone arrival time " + t[0] + " h");
  }
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
