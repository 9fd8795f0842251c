#include "input/data_pass.h"

#include <cmath>

namespace kaldero {

namespace {

enum class Read { Ok, End, Error };

// The reads of the record one after the other, each assigning its targets
// as the free-format reader does: the values it took, the others left as
// they were; the read that met the end of the file assigns what it took
// once, later reads at the end nothing.
class RecordReads {
 public:
  explicit RecordReads(const MeasuredRecord& r) : r_(r) {}

  Read read(float& t, float& c, float& q) {
    const int64_t n = r_.size();
    if (next_ >= n) {
      if (r_.unreadable && next_ == r_.unreadable->read) return Read::Error;
      if (!endSeen_ && r_.endRead) assign(r_.endRead->assigned, r_.endRead->t, r_.endRead->c,
                                          r_.endRead->q, t, c, q);
      endSeen_ = true;
      return Read::End;
    }
    uint32_t mask = 7;
    if (partialAt_ < r_.partial.size() && r_.partial[partialAt_].read == next_)
      mask = r_.partial[partialAt_++].assigned;
    const auto i = static_cast<std::size_t>(next_);
    assign(mask, r_.T[i], r_.C[i], r_.dischargeColumn ? r_.Q[i] : 0.0f, t, c, q);
    ++next_;
    return Read::Ok;
  }

  int64_t used() const { return next_; }

 private:
  void assign(uint32_t mask, float tv, float cv, float qv, float& t, float& c, float& q) const {
    if (mask & 1) t = tv;
    if (mask & 2) c = cv;
    if ((mask & 4) && r_.dischargeColumn) q = qv;
  }

  const MeasuredRecord& r_;
  int64_t next_ = 0;
  std::size_t partialAt_ = 0;
  bool endSeen_ = false;
};

void clampNegative(float& v) {
  if (v < 0) v = 0;
}

// The file line of a flagged read when the curve was made from it, else 0.
int64_t lineIfUsed(const MeasuredRecord::Flag& f, int64_t readsUsed) {
  return f.read >= 0 && f.read < readsUsed ? f.line : 0;
}

// The data pass's last steps on the samples made: fewer than two stop it;
// with a tail to extrapolate, the samples at the end without tracer are
// dropped (none with tracer stops it) and the equal neighbouring
// discharges counted; with knots, the knot spacing.
void finishDataPass(const TestDescription& t, int32_t made, DataPassCurve& out) {
  MeasuredCurve& curve = out.curve;
  int32_t n = made;
  if (n < 2) {
    out.stop = DataPassCurve::Stop::FewerThanTwoSamples;
    return;
  }
  const bool extrapolated = on(t.extrapolationOption);
  if (extrapolated) {
    n = withoutTracerlessEnd(curve.samples.C, n);
    if (n == 0) {
      out.stop = DataPassCurve::Stop::NoTracer;
      return;
    }
  }
  if (on(t.knotOption)) out.facts.knotSpacing = knotSpacing(curve.samples.T, n, t.knotIntervals);
  if (t.dischargeMode == DischargeMode::Measured && extrapolated)
    out.facts.equalDischargeCount = equalNeighbourDischarges(curve.samples.Q, n);
  curve.samples.truncate(n);
  for (std::vector<float>* v : {&curve.spread.T, &curve.spread.C, &curve.spread.Q})
    if (!v->empty()) v->resize(static_cast<std::size_t>(n));
}

// Every line, when the record can give up its arrays: its times and
// discharges become the curve's, its concentrations set to 0 where
// negative, the samples the file does not reach 0, the read cut short by
// the end of the file as it left them. The same curve as the reads make
// one by one.
bool everyLineFromRecord(MeasuredRecord& record, const TestDescription& t, int32_t wanted,
                         DataPassCurve& out) {
  const int64_t n = record.size();
  const bool measuredQ = t.dischargeMode != DischargeMode::Constant;
  if (!record.partial.empty() || wanted < n || (record.unreadable && wanted > n) ||
      measuredQ != record.dischargeColumn)
    return false;
  Curve& c = out.curve.samples;
  c.T = std::move(record.T);
  c.C = std::move(record.C);
  c.Q = measuredQ ? std::move(record.Q) : std::vector<float>();
  for (float& v : c.C) clampNegative(v);
  const auto m = static_cast<std::size_t>(wanted);
  c.T.resize(m, 0.0f);
  c.C.resize(m, 0.0f);
  c.Q.resize(m, 0.0f);
  if (wanted > n && record.endRead) {
    const MeasuredRecord::EndRead& e = *record.endRead;
    const auto i = static_cast<std::size_t>(n);
    if (e.assigned & 1) c.T[i] = e.t;
    if (e.assigned & 2) c.C[i] = e.c;
    if ((e.assigned & 4) && measuredQ) c.Q[i] = e.q;
  }
  out.readsUsed = n;
  record = MeasuredRecord{};
  return true;
}

}  // namespace

DataPassCurve curveFromRecord(MeasuredRecord&& record, const TestDescription& t, int32_t wanted,
                              int32_t k, ReductionMode mode) {
  DataPassCurve out;
  if (mode == ReductionMode::EveryLine) {
    const MeasuredRecord::Flag extra = record.extraValues, comma = record.decimalComma;
    if (everyLineFromRecord(record, t, wanted, out)) {
      out.facts.extraValuesLine = lineIfUsed(extra, out.readsUsed);
      out.facts.decimalCommaLine = lineIfUsed(comma, out.readsUsed);
      finishDataPass(t, wanted, out);
      return out;
    }
  }
  return curveFromRecord(static_cast<const MeasuredRecord&>(record), t, wanted, k, mode);
}

DataPassCurve curveFromRecord(const MeasuredRecord& record, const TestDescription& t,
                              int32_t wanted, int32_t k, ReductionMode mode) {
  DataPassCurve out;
  // Zero-filled: a sample the file does not reach keeps time and values 0.
  // The group spread only for group means (zero otherwise: left empty).
  MeasuredCurve& curve = out.curve;
  curve.samples = Curve::zeros(wanted);
  if (mode == ReductionMode::GroupMeans) {
    Curve spread = Curve::zeros(wanted);
    curve.spread = GroupSpread{std::move(spread.T), std::move(spread.C), std::move(spread.Q)};
  }
  std::vector<float>& T = curve.samples.T;
  std::vector<float>& C = curve.samples.C;
  std::vector<float>& Q = curve.samples.Q;
  const bool measuredQ = t.dischargeMode != DischargeMode::Constant;
  RecordReads reads(record);
  bool unreadable = false;
  // One read into t, c, q: false at the end of the records or at the read
  // that cannot be made (which ends the pass).
  auto readLine = [&](float& tv, float& cv, float& qv) {
    if (unreadable) return false;
    float dummy = 0;
    const Read s = reads.read(tv, cv, measuredQ ? qv : dummy);
    if (s == Read::Error) unreadable = true;
    return s == Read::Ok;
  };

  int32_t made = 0;
  if (mode == ReductionMode::EveryLine) {
    // The end of the file leaves the remaining samples as they were (zero).
    for (; made < wanted; ++made) {
      float dummy = 0;
      if (!readLine(T[made], C[made], measuredQ ? Q[made] : dummy)) {
        made = wanted;
        break;
      }
      clampNegative(C[made]);
    }
  } else if (mode == ReductionMode::GroupMeans) {
    // Group means of k reads. At the end of the file a group is completed
    // with the values of its last read; a group that would get no read at
    // all is not made.
    const float m = static_cast<float>(k);
    while (made < wanted && !unreadable) {
      float sum[3] = {0, 0, 0}, sq[3] = {0, 0, 0};
      float tv = 0, cv = 0, qv = 0;
      bool anyRead = false;
      bool ended = false;
      for (int32_t line = 0; line < k; ++line) {
        if (!ended && readLine(tv, cv, qv)) {
          clampNegative(cv);
          if (made == 0 && tv == 0) {
            // A first read at time 0 is sample 1 by itself.
            T[0] = 0;
            C[0] = cv;
            if (t.dischargeMode == DischargeMode::Measured) Q[0] = qv < 0 ? 0 : qv;
            made = 1;
            sum[0] = sum[1] = sum[2] = sq[0] = sq[1] = sq[2] = 0;
            anyRead = false;
            line = -1;
            continue;
          }
          anyRead = true;
        } else {
          if (unreadable) break;
          ended = true;
          if (!anyRead) break;
        }
        const float v[3] = {tv, cv, qv};
        for (int j = 0; j < 3; ++j) {
          sum[j] += v[j];
          sq[j] += v[j] * v[j];
        }
      }
      if (unreadable || !anyRead || made >= wanted) break;
      auto deviation = [&](int j) {
        const float var = (sq[j] - sum[j] * sum[j] / m) / (m - 1);
        return var < 0 || !(m > 1) ? 0.0f : std::sqrt(var);
      };
      T[made] = sum[0] / m;
      C[made] = sum[1] / m;
      curve.spread.T[made] = deviation(0);
      curve.spread.C[made] = deviation(1);
      if (t.dischargeMode == DischargeMode::Measured) {
        Q[made] = sum[2] / m;
        curve.spread.Q[made] = deviation(2);
      }
      ++made;
      if (ended) break;
    }
  } else if (mode == ReductionMode::EveryKth) {
    // Sub-sampling: read 0, read k, then every (k+1)-th read; the last
    // sample takes the last read of the file.
    int64_t lineIndex = 0;
    int64_t chosen = 0;
    float tv = 0, cv = 0, qv = 0;
    while (made < wanted - 1 && readLine(tv, cv, qv)) {
      if (lineIndex == chosen) {
        T[made] = tv;
        C[made] = cv < 0 ? 0 : cv;
        if (measuredQ) Q[made] = qv < 0 ? 0 : qv;
        ++made;
        chosen = made == 1 ? k : chosen + k + 1;
      }
      ++lineIndex;
    }
    if (!unreadable && made >= wanted - 1 && wanted >= 1) {
      const int32_t last = wanted - 1;
      float dummy = 0;
      for (int64_t i = 0; i < 1000LL * wanted; ++i)
        if (!readLine(T[last], C[last], measuredQ ? Q[last] : dummy)) break;
      clampNegative(C[last]);
      made = wanted;
    }
  }
  out.readsUsed = reads.used();
  out.facts.extraValuesLine = lineIfUsed(record.extraValues, out.readsUsed);
  out.facts.decimalCommaLine = lineIfUsed(record.decimalComma, out.readsUsed);
  if (unreadable) {
    out.stop = DataPassCurve::Stop::Unreadable;
    return out;
  }
  finishDataPass(t, made, out);
  return out;
}

}  // namespace kaldero
