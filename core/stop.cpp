#include "core/stop.h"

#include "core/console.h"

namespace kaldero {

void stopRun(Console& console, std::string_view message, int status) {
  if (!message.empty()) {
    Console::ReportScope report(console, ShownReport::Kind::Error);
    console.line(message);
  }
  console.flush();
  throw RunStopped{status};
}

}  // namespace kaldero
