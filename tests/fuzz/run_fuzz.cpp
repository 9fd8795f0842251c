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
#include <cstdint>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include "tests/fuzz/whole_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
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
  kaldero::fuzzing::runAndCheck("kaldero-fuzz-run-", inputs);
  return 0;
}
