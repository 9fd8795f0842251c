// The control file: the tracer injection shared by every station and the
// list of station data files, one name per line from line 10 on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/text.h"
#include "input/freeformat.h"
#include "model/control.h"

namespace kaldero {

class Console;

class ControlFile {
 public:
  ControlFile() : reader_(file_) {}

  // Obtains the control file (command-line name, or the prompt with its
  // default) and reads its leading block. Returns 0 when the file is open
  // and positioned at its station list, 1 when the run must stop (the
  // report has been shown).
  int32_t readLeadingBlock(Console& console, ControlValues& values,
                           const std::optional<std::string>& argument);

  // The next station data file name (first 50 characters of the line,
  // blank-padded); false at the end of the file.
  bool nextStationName(std::string& name50);
  // Whether another name follows; the file stays where it was.
  bool lookAhead(std::string& name50);
  // Every station data file name still to come (without trailing blanks,
  // blank lines left out); the file stays where it was.
  std::vector<std::string> remainingNames();

  void close() { file_.close(); }

 private:
  int32_t obtain(Console& console, ControlValues& values,
                 const std::optional<std::string>& argument);

  LineFile file_;
  ListReader reader_;
};

}  // namespace kaldero
