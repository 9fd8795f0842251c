// Helpers of the kaldero-import tests: the samples of the hand-written
// station files, logger exports rendered from them, and running the two
// executables.
#pragma once

#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_file.h"

namespace kaldero::importer::testing {

using kaldero::testing::ScratchDir;

inline std::string dataPath(const std::string& name) {
  return std::string(KALDERO_SOURCE_DIR) + "/tests/importer/data/" + name;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// A sample of the hand-written files: minutes after the release and the
// texts of its values as written there.
struct Sample {
  int minutes = 0;
  std::string concentration, discharge;  // discharge in m3/s, HANDQ.DAT only
};

inline std::vector<Sample> handSamples(const std::string& file = "HANDQ.DAT") {
  std::vector<Sample> out;
  const auto all = lines(readFile(dataPath(file)));
  for (std::size_t i = 64; i < all.size(); ++i) {
    std::istringstream in(all[i]);
    double hours = 0;
    Sample s;
    in >> hours >> s.concentration >> s.discharge;
    s.minutes = static_cast<int>(hours * 60 + 0.5);
    out.push_back(s);
  }
  return out;
}

// A clock reading some minutes after a start, in the fields a layout
// needs.
struct Clock {
  int year, month, day, hour, minute, second;
};

inline Clock clockAt(int year, int month, int day, int hour, int minute, long long plusSeconds) {
  using namespace std::chrono;
  const sys_seconds start = sys_days{std::chrono::year{year} / month / day} + hours{hour} +
                            minutes{minute};
  const sys_seconds t = start + seconds{plusSeconds};
  const auto dp = floor<days>(t);
  const year_month_day ymd{dp};
  const hh_mm_ss<seconds> hms{t - dp};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(hms.hours().count()),
          static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count())};
}

inline std::string format(const char* f, const Clock& c) {
  // Fields in the order year, month, day, hour, minute, second; a format
  // picks them with %1$ ... %6$.
  char buf[96];
  std::snprintf(buf, sizeof buf, f, c.year, c.month, c.day, c.hour, c.minute, c.second);
  return buf;
}

inline std::string withComma(std::string s) {
  for (char& c : s)
    if (c == '.') c = ',';
  return s;
}

// Exit status and output of a command line.
struct CommandRun {
  int status = -1;
  std::string out, err;
};

inline std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a command in a folder, with no standard input and no display.
inline CommandRun runIn(const std::filesystem::path& dir, const std::string& command) {
  const std::string out = (dir / ".run.out").string(), err = (dir / ".run.err").string();
  const std::string line = "cd " + quoted(dir.string()) + " && env -u DISPLAY " + command +
                           " </dev/null >" + quoted(out) + " 2>" + quoted(err);
  CommandRun r;
  const int s = std::system(line.c_str());
  r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  r.out = readFile(out);
  r.err = readFile(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

inline std::string importCommand() { return quoted(KALDERO_IMPORT_EXE); }

}  // namespace kaldero::importer::testing
