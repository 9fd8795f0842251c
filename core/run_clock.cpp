#include "core/run_clock.h"

#include <cstdlib>

namespace kaldero {

std::string isoLocalTime(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  return text;
}

std::string runStartTime() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) now = std::strtoll(epoch, nullptr, 10);
  return isoLocalTime(now);
}

}  // namespace kaldero
