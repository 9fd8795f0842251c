#include "input/control_file.h"

#include <cmath>

#include "core/console.h"
#include "core/file_reports.h"
#include "core/format.h"
#include "core/text.h"
#include "input/code_target.h"
#include "core/units.h"

namespace kaldero {

namespace {

const std::string kDefaultName = text::padded("KALDERO.D");
// As much of the title line as the results files keep.
constexpr std::size_t kTitleWidth = 200;

}  // namespace

int32_t ControlFile::obtain(Console& console, ControlValues& values,
                            const std::optional<std::string>& argument) {
  if (argument) {
    values.controlFileName = text::padded(*argument);
    if (!file_.open(text::trimmed(values.controlFileName))) {
      reportControlFileNotFound(console, values.controlFileName);
      return 1;
    }
    return 0;
  }
  for (int attempt = 1;; ++attempt) {
    if (attempt > 1) {
      console.focus();
      console.empty(2);
      console.line(std::string(50, ' ') + "*** INPUT FILE NAME NOT FOUND ***");
      console.empty(2);
      console.line(std::string(15, ' ') + "RECHECK INPUT FILE NAME: " + values.controlFileName);
      console.empty(2);
    }
    console.empty();
    console.write(std::string(15, ' ') + "ENTER INPUT FILE NAME DEFAULT = KALDERO.D):   ");
    std::optional<std::string> typed = console.readLine();
    // The end of input counts as Enter; as nobody is left to type another
    // name, a name that does not open then ends the run instead of asking
    // again.
    values.controlFileName = text::padded(typed ? *typed : "");
    if (text::trimmedLength(values.controlFileName) == 0) values.controlFileName = kDefaultName;
    if (file_.open(text::trimmed(values.controlFileName))) return 0;
    if (!typed) {
      console.line();
      reportControlFileNotFound(console, values.controlFileName);
      return 1;
    }
  }
}

int32_t ControlFile::readLeadingBlock(Console& console, ControlValues& v,
                                      const std::optional<std::string>& argument) {
  if (obtain(console, v, argument) != 0) return 1;

  auto wrongFormat = [&] {
    reportWrongFormat(console, FormatSelector::ControlFile, v.controlFileName, "");
    return 1;
  };
  // The end of the file inside the leading block is not an error: the
  // values not reached keep their contents and the station list is empty.
  ListReader& r = reader_;
  ReadStatus s;
  // Line 1 is the title: only kept for the results files, never checked.
  if ((s = r.readText(v.title, kTitleWidth)) == ReadStatus::End) return 0;
  v.title = text::trimmed(v.title);
  if ((s = r.read(v.injectedMass)) == ReadStatus::End) return 0;
  if (s == ReadStatus::Error) return wrongFormat();
  if ((s = r.skipLine()) == ReadStatus::End) return 0;
  if ((s = r.read(CodeTarget(v.massUnit).raw())) == ReadStatus::End) return 0;
  if (s == ReadStatus::Error) return wrongFormat();
  // The injected mass in milligrams must be a number of the program: every
  // percent recovery is made from it.
  if (!std::isfinite(v.injectedMass * units::massFactor(v.massUnit))) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    console.empty();
    console.free(fmt::FreeLine("READ ERROR IN FILE ")
                     .text(text::trimmed(v.controlFileName))
                     .text(", LINE 2: THE INJECTED MASS IS BEYOND THE RANGE OF THE PROGRAM'S "
                           "NUMBERS IN MILLIGRAMS"));
    return wrongFormat();
  }
  if ((s = r.skipLine()) == ReadStatus::End) return 0;

  // Line 6: release mode and, only when the mode was read, its duration.
  s = r.read(CodeTarget(v.releaseMode).raw(), v.releaseDuration);
  if (s == ReadStatus::End) return 0;
  const bool failed = s == ReadStatus::Error;
  if (failed && r.lastLine() == r.firstLine()) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    // Text on the line itself that is not its values; a read that ran into
    // the label line that follows is an absent duration, below.
    console.empty();
    console.free(fmt::FreeLine("READ ERROR IN FILE ")
                     .text(text::trimmed(v.controlFileName))
                     .text(", LINE ")
                     .text(std::to_string(r.lastLine()))
                     .text(": \"")
                     .text(r.error())
                     .text("\" IS NOT A VALUE OF THE KIND WANTED"));
    return wrongFormat();
  }
  const bool instantaneous = v.releaseMode == ReleaseMode::Instantaneous;
  if (failed) {
    if (instantaneous) v.releaseDuration = 0;
    r.stepBack();
  } else if (instantaneous && v.releaseDuration == 0) {
    // accepted
  } else if (code(v.releaseMode) > 1 && !(v.releaseDuration > 0)) {
    return wrongFormat();
  } else if (v.releaseDuration > 0) {
    // accepted
  } else {
    if (instantaneous) v.releaseDuration = 0;
    r.stepBack();
  }

  for (int line = 7; line <= 9; ++line) {
    s = line == 8 ? r.read(v.flowZoneArrival) : r.skipLine();
    if (s == ReadStatus::End) return 0;
    if (s == ReadStatus::Error) return wrongFormat();
  }
  return 0;
}

bool ControlFile::nextStationName(std::string& name50) {
  return reader_.readText(name50) == ReadStatus::Ok;
}

bool ControlFile::lookAhead(std::string& name50) {
  const int64_t line = file_.lineNumber();
  std::optional<std::string_view> l = file_.next();
  if (!l) return false;  // at the end the file stays at its end
  name50 = text::padded(*l);
  file_.seekLine(file_.lineStart(), line);
  return true;
}

}  // namespace kaldero

namespace kaldero {

std::vector<std::string> ControlFile::remainingNames() {
  const int64_t line = file_.lineNumber();
  std::vector<std::string> names;
  std::optional<uint64_t> resumeAt;  // start of the next line to read
  while (auto l = file_.next()) {
    if (!resumeAt) resumeAt = file_.lineStart();
    const std::string name = text::trimmed(text::padded(*l));
    if (!name.empty()) names.push_back(name);
  }
  if (resumeAt) file_.seekLine(*resumeAt, line);
  return names;
}

}  // namespace kaldero
