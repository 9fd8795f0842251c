// A second logger file of discharges, aligned onto the concentration time
// stamps by linear interpolation in time. Both files are in time order, so
// one pass over each (a two-pointer merge) does it: only the two discharge
// records around the current stamp are held. Nothing is extrapolated: a
// stamp before the first or after the last record has no discharge.
#pragma once

#include <cstdint>
#include <optional>

#include "importer/table.h"

namespace kaldero::importer {

class DischargeTrack {
 public:
  // source.values holds the one discharge column; factor converts its unit.
  Status open(const TableSource& source, double factor);

  enum class Where { Before, Inside, After };
  struct Sample {
    Where where = Where::Inside;
    double q = 0;
  };
  // The discharge at t; the stamps asked for must increase.
  Expected<Sample> at(const Stamp& t);

  struct Record {
    Stamp stamp;
    double q = 0;
    int64_t line = 0;
    int64_t stampColumn = 1;
  };
  const std::optional<Record>& first() const { return first_; }
  const std::optional<Record>& last() const { return last_; }
  int64_t missingValues() const { return missing_; }
  // The longest interval between two records that a stamp was interpolated
  // in, and the lines of its ends.
  int64_t longestBridge() const { return bridge_; }
  int64_t bridgeFrom() const { return bridgeFrom_; }
  int64_t bridgeTo() const { return bridgeTo_; }
  const TableReader& table() const { return table_; }

 private:
  // The next record with a value into next_; false at the end.
  Expected<bool> advance();

  TableReader table_;
  double factor_ = 1;
  std::optional<Record> prev_, next_, first_, last_;
  bool ended_ = false;
  int64_t missing_ = 0;
  int64_t bridge_ = 0, bridgeFrom_ = 0, bridgeTo_ = 0;
};

}  // namespace kaldero::importer
