// The date and time of a run, for its record.
#pragma once

#include <ctime>
#include <string>

namespace kaldero {

// A moment as local date and time, ISO 8601 with the offset from UTC
// ("2024-05-02T09:30:00+0200").
std::string isoLocalTime(std::time_t moment);

// The local date and time now; SOURCE_DATE_EPOCH (in seconds since 1970)
// fixes it, for files that must come out the same byte for byte.
std::string runStartTime();

}  // namespace kaldero
