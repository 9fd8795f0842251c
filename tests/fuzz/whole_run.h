// A whole run of the program for the fuzz targets: the inputs written into a
// scratch folder of the fuzz process, the run on KALDERO.D with the console
// sent nowhere, the oracle's checks, and the folder emptied for the next
// input.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/console.h"
#include "driver/run_driver.h"
#include "tests/fuzz/oracle.h"
#include "tests/support/run_program.h"

namespace kaldero::fuzzing {

// The scratch folder, made once per process and made the current folder
// (the run writes its outputs beside its inputs).
inline const std::filesystem::path& scratchFolder(const std::string& prefix) {
  static const std::filesystem::path dir = [&] {
    auto d = std::filesystem::temp_directory_path() / (prefix + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::filesystem::current_path(d);
    return d;
  }();
  return dir;
}

// inputs: the name and bytes of the control file KALDERO.D and of every
// station file it may name.
inline void runAndCheck(const std::string& prefix,
                        const std::map<std::string, std::string>& inputs) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  const std::filesystem::path& dir = scratchFolder(prefix);
  for (const auto& [name, text] : inputs) std::ofstream(dir / name, std::ios::binary) << text;
  Console console(sink, nullptr, false, false);
  RunOptions options;
  options.controlFiles = {"KALDERO.D"};
  testing::runProgram(console, options);
  checkRun(dir, inputs);
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    std::filesystem::remove_all(entry.path());
}

}  // namespace kaldero::fuzzing
