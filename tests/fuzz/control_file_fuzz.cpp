// Fuzz target: the control file's leading block and its station list.
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/console.h"
#include "input/control_file.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  kaldero::fuzzing::MemoryFile file(data, size);
  kaldero::Console console(sink, nullptr, false, false);
  kaldero::ControlFile control;
  kaldero::ControlValues values;
  if (control.readLeadingBlock(console, values, file.path()) != 0) return 0;
  std::string name, next;
  while (control.nextStationName(name)) control.lookAhead(next);
  return 0;
}
