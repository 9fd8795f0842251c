// The Chatwin table: the listed Chatwin parameters of a station with the
// fitted straight line and the residuals, first for all listed points and
// then for the fit points, on the console in pages of 15 rows and in the
// Chatwin table file (the station data file name up to its first period,
// then "_CHT.OUT").
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "core/checked_file.h"

namespace kaldero {

class Console;

struct ChatwinTable {
  int32_t samples = 0;            // N, samples of the station
  std::span<const float> TK;      // listed points: time in the station's time unit
  std::span<const float> PK;      // Chatwin parameter
  std::span<const float> FK;      // fitted value
  int32_t fitPoints = 0;          // NFIT: the first NFIT listed points are the fit points
  float residual = 0;             // R over all listed points
  bool onScreen = false;          // Chatwin switch 1
  bool toFile = false;            // Chatwin switch 2
  bool plotShowing = false;       // points or curve switch of the phase's plot group
  std::string titleName;          // station data file name, or the interpolated-data file name
  std::string stationName;        // station data file name (names the file)
};

// Writes the table as the switches ask; dismissScreenPlot closes a screen
// plot that may still be showing before the console listing. A table file
// that cannot be written is reported on the console and, when fileOutcome
// is given, noted there. Returns R_fit, the residual over the fit points.
float writeChatwinTable(Console& console, const ChatwinTable& table,
                        const std::function<void()>& dismissScreenPlot,
                        WriteOutcome* fileOutcome = nullptr);

}  // namespace kaldero
