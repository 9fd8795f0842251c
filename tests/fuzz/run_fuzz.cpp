// Fuzz target: a whole run on a control file and up to three station data
// files, all from the fuzzer's bytes, so that the station list, output
// names that clash between stations, data reduction and every analysis
// are reached together. The bytes are split at lines "====": the first
// part is the control file KALDERO.D, the next parts the station data files
// A.DAT, B.DAT and C.DAT. The run happens in a scratch directory emptied
// after every input; every "/" of the bytes is made a "|", so that every
// file the run may write stays inside it (the slash that ends a
// free-format read is the readers' own target's to fuzz). After the run the oracle checks
// the inputs and every written file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "core/console.h"
#include "driver/run_driver.h"
#include "tests/fuzz/oracle.h"

namespace {

const std::filesystem::path& scratch() {
  static const std::filesystem::path dir = [] {
    auto d =
        std::filesystem::temp_directory_path() / ("kaldero-fuzz-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::filesystem::current_path(d);
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  const auto& dir = scratch();
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text)
    if (c == '/') c = '|';
  const std::string_view bytes(text);
  static constexpr const char* kNames[] = {"KALDERO.D", "A.DAT", "B.DAT", "C.DAT"};
  std::map<std::string, std::string> inputs;
  std::size_t from = 0;
  for (std::size_t part = 0; part < std::size(kNames) && from <= bytes.size(); ++part) {
    std::size_t end = bytes.find("\n====\n", from);
    if (end == std::string_view::npos || part + 1 == std::size(kNames)) end = bytes.size();
    inputs[kNames[part]] = std::string(bytes.substr(from, end - from + (end < bytes.size())));
    from = end + 6;
  }
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
