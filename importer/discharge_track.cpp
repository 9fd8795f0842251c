#include "importer/discharge_track.h"

namespace kaldero::importer {

Status DischargeTrack::open(const TableSource& source, double factor) {
  factor_ = factor;
  prev_.reset();
  next_.reset();
  first_.reset();
  last_.reset();
  ended_ = false;
  missing_ = bridge_ = bridgeFrom_ = bridgeTo_ = 0;
  if (auto e = table_.open(source)) return e;
  auto got = advance();
  if (!got) return got.error();
  if (!*got)
    return dataError(source.path, table_.line(), 1, "the discharge file has no record with a value");
  return std::nullopt;
}

Expected<bool> DischargeTrack::advance() {
  for (;;) {
    switch (table_.next()) {
      case TableReader::Next::Failed: return table_.error();
      case TableReader::Next::End:
        ended_ = true;
        next_.reset();
        return false;
      case TableReader::Next::Row: break;
    }
    if (table_.stampMissing()) {
      ++missing_;
      continue;
    }
    std::optional<double> q;
    if (!table_.value(0, q)) return table_.error();
    if (!q) {
      ++missing_;
      continue;
    }
    // Every record read is checked, those before the first sample too.
    if (*q < 0)
      return table_.errorAt(table_.valueColumn(0),
                            "the discharge " + formatNumber(*q) + " in " +
                                table_.layout().describe(table_.layout().valueIndex[0]) +
                                " is below 0: a discharge cannot be negative");
    next_ = Record{table_.stamp(), *q * factor_, table_.line(), table_.stampColumn()};
    if (!first_) first_ = next_;
    last_ = next_;
    return true;
  }
}

Expected<DischargeTrack::Sample> DischargeTrack::at(const Stamp& t) {
  while (next_ && next_->stamp.micros < t.micros) {
    prev_ = next_;
    auto got = advance();
    if (!got) return got.error();
  }
  if (next_ && next_->stamp.micros == t.micros) return Sample{Where::Inside, next_->q};
  if (!prev_) return Sample{Where::Before, 0};
  if (!next_) return Sample{Where::After, 0};
  const int64_t span = next_->stamp.micros - prev_->stamp.micros;
  if (span > bridge_) {
    bridge_ = span;
    bridgeFrom_ = prev_->line;
    bridgeTo_ = next_->line;
  }
  const double w = static_cast<double>(t.micros - prev_->stamp.micros) / static_cast<double>(span);
  return Sample{Where::Inside, prev_->q + (next_->q - prev_->q) * w};
}

}  // namespace kaldero::importer
