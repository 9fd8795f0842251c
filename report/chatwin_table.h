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
#include <vector>

#include "model/results.h"

namespace kaldero {

class Console;

struct ChatwinTable {
  int32_t samples = 0;            // N, samples of the station
  const ChatwinResults* fit = nullptr;  // the listed points, the line and the residuals
  bool plotShowing = false;       // points or curve switch of the phase's plot group
  std::string titleName;          // station data file name, or the interpolated-data file name
};

// The table on the console in pages of 15 rows; dismissScreenPlot closes a
// screen plot that may still be showing before the console listing.
void showChatwinTable(Console& console, const ChatwinTable& table,
                      const std::function<void()>& dismissScreenPlot);

// The lines of the Chatwin table file.
std::vector<std::string> chatwinTableFileLines(const ChatwinTable& table);

}  // namespace kaldero
