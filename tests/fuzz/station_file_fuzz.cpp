// Fuzz target: a whole run on one station data file, the fuzzer's bytes,
// named by a fixed control file. The run happens in a scratch directory that
// is emptied after every input; inputs holding a "/" are passed over, so
// that every file the run may write stays inside that directory. After the
// run the oracle checks the inputs and every written file.
#include <cstdint>
#include <cstring>
#include <map>
#include <string>

#include "tests/fuzz/whole_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size > 0 && std::memchr(data, '/', size)) return 0;
  const std::map<std::string, std::string> inputs{
      {"KALDERO.D", "FUZZ\n100\nL\n3\nL\n2 0.5\nL\n0\nL\nST.DAT\n"},
      {"ST.DAT", std::string(reinterpret_cast<const char*>(data), size)}};
  kaldero::fuzzing::runAndCheck("kaldero-fuzz-", inputs);
  return 0;
}
