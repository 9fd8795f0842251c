// Station data files: the 64-line test description, then one sample per
// line (time, concentration and, unless the discharge is constant, the
// discharge).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "input/freeformat.h"
#include "model/curve.h"
#include "model/measured_record.h"
#include "model/setup.h"
#include "model/test_description.h"

namespace kaldero {

class Console;

class StationFile {
 public:
  StationFile() : reader_(file_) {}

  bool open(const std::string& path) { return file_.open(path); }
  void close() { file_.close(); }
  // The data lines the header pass counted.
  int64_t dataLines() const { return dataLines_; }

  // Header pass. Reads and checks the 64 header lines into test (a wrong
  // format or an unreadable value line stops the run), then counts the data
  // lines into dataLines. Returns 1 when an output name repeats the station
  // data file name (the report has been shown), else 0.
  int32_t readHeader(Console& console, TestDescription& test, const std::string& stationName50,
                     int32_t& dataLines);

  // Data pass (input/data_pass.h). Reads the measured record (every data
  // line as read, signed), then makes from it up to `wanted` samples in the
  // data-reduction mode with the reduction factor k; when the tail is to be
  // extrapolated, drops the trailing samples without tracer and counts the
  // samples whose measured discharge equals the next one's; finds the knot
  // spacing. A read the mode reaches that cannot be made, or too few
  // samples, stops the run with the wrong-format report. Closes the file.
  // The record goes to *record when asked for (otherwise its arrays may
  // become the curve's). (The tail extrapolation and the knot count
  // follow, in the conditioning of the curve.)
  MeasuredCurve readData(Console& console, const TestDescription& test,
                         const std::string& stationName50, int32_t wanted, int32_t k,
                         ReductionMode mode, DataPassFacts& facts,
                         MeasuredRecord* record = nullptr);

 private:
  // Every read of the data lines to the end of the file or to the first
  // that cannot be made; closes the file.
  MeasuredRecord readRecord(Console& console, const TestDescription& test,
                            const std::string& stationName50, int64_t dataLines);

  LineFile file_;
  ListReader reader_;
  int64_t dataLines_ = 0;  // as the header pass counted them
};

// The strictly-increasing time test: when some T(i) is not less than
// T(i + 1), the time-order report is shown and the run stops.
void checkTimeOrder(Console& console, std::span<const float> T, int32_t n);

}  // namespace kaldero
