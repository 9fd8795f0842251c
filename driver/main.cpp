#include <cstdio>
#include <new>

#include "core/console.h"
#include "driver/run_driver.h"
#include "core/stop.h"

int main(int argc, char** argv) {
  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
  kaldero::Console console(stdout, stdin);
  kaldero::RunOptions options;
  if (argc > 1) options.controlFile = argv[1];
  try {
    return kaldero::runProgram(console, options);
  } catch (const std::bad_alloc&) {
    console.line(" NOT ENOUGH STORAGE SPACE -- PROGRAM STOPPED");
    console.flush();
    return kaldero::kExitInternal;
  }
}
