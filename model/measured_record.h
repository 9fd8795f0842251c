// The measured record of a station: every data line as read, in the units
// of the file, before anything is thinned, averaged or clipped. The
// station's curve of the listing (model/curve.h) is derived from it by the
// data-reduction rules (input/data_pass.h); the analyses beyond the
// listing (the flow-path fit, the uncertainty draws, the signed estimates,
// the figures) take the record itself.
//
// A "read" is one free-format read of a sample's values (time,
// concentration and, with a measured discharge, the discharge). It is
// normally one data line; a line with fewer values than the columns goes
// on onto the next line, and blank lines are skipped, exactly as the data
// pass reads. Concentrations are signed, as written. Memory: 8 bytes a read
// (12 with a discharge column).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kaldero {

struct MeasuredRecord {
  std::vector<float> T, C;
  // The discharge column (every discharge mode but the constant one has
  // one); empty without it.
  std::vector<float> Q;
  bool dischargeColumn = false;

  // A read whose values were not all given (a null value ",," or a read
  // ended early by "/"): which of time (bit 0), concentration (bit 1) and
  // discharge (bit 2) it assigned; the record holds 0 for the others. Reads
  // not listed assigned every value.
  struct PartialRead {
    int64_t read = 0;
    uint32_t assigned = 0;
  };
  std::vector<PartialRead> partial;  // by increasing read

  // The read that met the end of the file with some of its values already
  // taken (a last line without its discharge, say): those values, the
  // others 0. It is not a sample of the record.
  struct EndRead {
    uint32_t assigned = 0;
    float t = 0, c = 0, q = 0;
  };
  std::optional<EndRead> endRead;

  // The read that could not be made (a token that is not a number): the
  // record ends before it.
  struct Unreadable {
    int64_t read = 0;
    int64_t line = 0;   // of the file, counted from 1, header included
    std::string token;  // as the report shows it
  };
  std::optional<Unreadable> unreadable;

  // The first read whose line holds values beyond the columns, and the
  // first whose line looks written with decimal commas (read -1: none).
  struct Flag {
    int64_t read = -1;
    int64_t line = 0;
  };
  Flag extraValues, decimalComma;

  int64_t dataLines = 0;  // lines after the header, blank ones too

  int64_t size() const { return static_cast<int64_t>(T.size()); }
};

}  // namespace kaldero
