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
#include "model/test_description.h"

namespace kaldero {

class Console;
class OutputGate;

struct ChatwinTable {
  int32_t samples = 0;            // N, samples of the station
  const ChatwinResults* fit = nullptr;  // the listed points, the line and the residuals
  bool plotShowing = false;       // points or curve switch of the phase's plot group
  std::string titleName;          // station data file name, or the interpolated-data file name
};

// The table of a station's fitted line for the curve of the processing
// phase: 0 the measured curve (titled with the station data file name; the
// data plot's switches say whether a plot is showing), 1 the knot curve
// (the interpolated-data file name and the interpolated plot's switches).
ChatwinTable chatwinTable(const ChatwinResults& fit, int32_t samples, const TestDescription& test,
                          const std::string& stationName50, int32_t phase);

// The table on the console in pages of 15 rows; dismissScreenPlot closes a
// screen plot that may still be showing before the console listing.
void showChatwinTable(Console& console, const ChatwinTable& table,
                      const std::function<void()>& dismissScreenPlot);

// The lines of the Chatwin table file.
std::vector<std::string> chatwinTableFileLines(const ChatwinTable& table);

// The table as the Chatwin switches of the test ask: on the console (which
// is cleared after it) and in the station's Chatwin table file, written
// through the gate.
void writeChatwinTable(Console& console, OutputGate& gate, const ChatwinTable& table,
                       const TestDescription& test, const std::string& stationName50,
                       const std::function<void()>& dismissScreenPlot);

}  // namespace kaldero
