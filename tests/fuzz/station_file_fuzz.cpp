// Fuzz target: a whole run on one station data file, the fuzzer's bytes,
// named by a fixed control file. The run happens in a scratch directory that
// is emptied after every input; inputs holding a "/" are passed over, so
// that every file the run may write stays inside that directory. After the
// run the oracle checks the inputs and every written file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/console.h"
#include "driver/run_driver.h"
#include "tests/fuzz/oracle.h"

namespace {

const std::filesystem::path& scratch() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() /
             ("kaldero-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::filesystem::current_path(d);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > 0 && std::memchr(data, '/', size)) return 0;
  static std::FILE* sink = std::fopen("/dev/null", "w");
  const auto& dir = scratch();
  const std::map<std::string, std::string> inputs{
      {"KALDERO.D", "FUZZ\n100\nL\n3\nL\n2 0.5\nL\n0\nL\nST.DAT\n"},
      {"ST.DAT", std::string(reinterpret_cast<const char*>(data), size)}};
  for (const auto& [name, text] : inputs) std::ofstream(dir / name, std::ios::binary) << text;
  kaldero::Console console(sink, nullptr, false, false);
  kaldero::RunOptions options;
  options.controlFile = "KALDERO.D";
  kaldero::runProgram(console, options);
  kaldero::fuzzing::checkRun(dir, inputs);
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    std::filesystem::remove_all(entry.path());
  return 0;
}
