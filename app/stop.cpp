#include "app/stop.h"

#include "app/console.h"

namespace kaldero {

void stopRun(Console& console, std::string_view message, int status) {
  if (!message.empty()) console.line(message);
  console.flush();
  throw RunStopped{status};
}

}  // namespace kaldero
