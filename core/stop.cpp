#include "core/stop.h"

#include <string>

#include "core/console.h"

namespace kaldero {

void stopRun(Console& console, std::string_view message) {
  if (!message.empty()) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    console.line(message);
  }
  console.flush();
  throw Error{"", 0, 0, std::string(message), ErrorKind::Data};
}

int worseExitStatus(int a, int b) {
  auto rank = [](int x) { return x == kExitNormal ? 0 : x == kExitFilesNotWritten ? 1 : 2; };
  return rank(b) > rank(a) ? b : a;
}

}  // namespace kaldero
