// The command line: kaldero [OPTIONS] [CONTROLFILE ...]. Without options
// the program runs as it always has (the control file named, or asked for).
#pragma once

#include <optional>
#include <string>

#include "core/error.h"
#include "driver/run_driver.h"

namespace kaldero {

// What the command line asks for, or why it cannot be taken (an Option
// error: status 2, nothing read or written), or the text to show and leave
// with status 0 (--help, --version).
struct CommandLine {
  RunOptions options;
  std::optional<std::string> show;
};

Expected<CommandLine> parseCommandLine(int argc, const char* const* argv);

}  // namespace kaldero
