// Fuzz target: a whole run on one station data file, the fuzzer's bytes,
// named by a fixed control file. The run happens in a scratch directory that
// is emptied after every input; inputs holding a "/" are passed over, so
// that every file the run may write stays inside that directory.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/console.h"
#include "app/run_driver.h"

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
  std::ofstream(dir / "KALDERO.D") << "FUZZ\n100\nL\n3\nL\n2 0.5\nL\n0\nL\nST.DAT\n";
  std::ofstream station(dir / "ST.DAT", std::ios::binary);
  if (size > 0)
    station.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  station.close();
  kaldero::Console console(sink, nullptr, false, false);
  kaldero::RunOptions options;
  options.controlFile = "KALDERO.D";
  kaldero::runProgram(console, options);
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    std::filesystem::remove_all(entry.path());
  return 0;
}
