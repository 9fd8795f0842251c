#include "conditioning/extrapolation.h"

#include <algorithm>
#include <cmath>

#include "conditioning/gracon.h"
#include "numeric/pchip.h"

namespace kaldero {

namespace {

// The arrays the methods work in: the curve and its spread with room for
// the new samples, and two scratch arrays.
struct CurveSegments {
  std::span<float> T, C, Q, sT, sC, sQ, scratchA, scratchB;
};

// A measured discharge that is the same at every sample (the equal-neighbour
// count of the data pass equals the sample count) stays so.
bool constantDischarge(int32_t equalCount, int32_t n0) { return equalCount == n0; }

// The interpolation package's failures are reported and the work goes on
// with what the call produced.
void derivativesFailed(Notices& notices, int32_t ierr) {
  notices.push_back({Notice::Kind::InterpolationDerivatives, ierr});
}
void valuesFailed(Notices& notices, int32_t ierr) {
  notices.push_back({Notice::Kind::InterpolationValues, ierr});
}

// Method 1: the fitted exponential at 5 equally spaced new times up to
// where GRACON found it decayed; the discharge goes linearly from the last
// measured one to the mean over the limb.
int32_t exponentialTail(Notices& notices, int32_t equalCount, CurveSegments& cv,
                        int32_t& n, TailFit& tail, std::optional<std::string>& nonFinite) {
  const int32_t n0 = n;
  const GraconResult g =
      GRACON(notices, cv.T, cv.C, n0, ExtrapolationMethod::Exponential, tail);
  nonFinite = g.nonFinite;
  if (g.errorCode > 0) return g.errorCode;
  auto& T = cv.T;
  auto& C = cv.C;
  auto& Q = cv.Q;
  n = n0 + 5;
  const int32_t last = n0 - 1;
  const int32_t end = n - 1;
  T[end] = g.zeroTime;
  C[end] = g.concentration;
  // The constant discharge is set before the samples in between are
  // interpolated, so that they keep it exactly too.
  Q[end] = constantDischarge(equalCount, n0) ? Q[last] : limbMeanDischarge(T, Q, g.limb);
  const float step = (T[end] - T[last]) / 5;
  const float qStep = (Q[end] - Q[last]) / 5;
  for (int32_t j = 4; j >= 1; --j) {
    const int32_t i = n - 1 - j;
    const float k = static_cast<float>(5 - j);
    T[i] = T[last] + k * step;
    C[i] = static_cast<float>(g.fit.A * std::exp(g.fit.b * T[i]));
    Q[i] = Q[last] + k * qStep;
  }
  return 0;
}

// Method 3: one sample of zero concentration at the zero-time estimate.
int32_t zeroTimeTail(Notices& notices, int32_t equalCount, CurveSegments& cv, int32_t& n,
                     TailFit& tail) {
  const int32_t n0 = n;
  const GraconResult g = GRACON(notices, cv.T, cv.C, n0, ExtrapolationMethod::ZeroTime, tail);
  if (g.errorCode > 0) return g.errorCode;
  n = n0 + 1;
  cv.T[n0] = g.zeroTime;
  cv.C[n0] = 0;
  cv.Q[n0] =
      constantDischarge(equalCount, n0) ? cv.Q[n0 - 1] : limbMeanDischarge(cv.T, cv.Q, g.limb);
  return 0;
}

// Method 2: the interpolant of the curve is continued beyond the last
// sample with a step that doubles while the value stays between 0 and the
// last concentration. When it leaves that range, the point evaluated before
// becomes the new last sample (derivative 0) and the continuation goes on
// from there, until that sample has no positive concentration; it is then
// given 0. Work space: the derivatives of the data in sT, the evaluation
// points, values and derivatives in sC, sQ and scratch A, the discharge
// derivatives in scratch B; all are cleared afterwards.
int32_t pchipContinuation(Notices& notices, const TestDescription& t, int32_t equalCount,
                          CurveSegments& cv, int32_t& n) {
  auto& T = cv.T;
  auto& C = cv.C;
  auto& Q = cv.Q;
  std::span<float> D = cv.sT, XE = cv.sC, FE = cv.sQ, DE = cv.scratchA, DQ = cv.scratchB;
  const int32_t n0 = n;
  const int32_t e = n0;       // the new sample
  const int32_t ne = n0 + 1;  // evaluation points: the sample times and the new point

  int32_t ierr = numeric::PCHEZ(n0, T.data(), C.data(), D.data());
  if (ierr < 0) derivativesFailed(notices, ierr);
  std::copy_n(T.begin(), n0, XE.begin());
  XE[e] = 0;
  FE[e] = 0;
  float h = 0.01f * T[n0 - 1];
  int32_t count = n0;            // samples the interpolant goes through
  int32_t countBeforeLast = n0;  // ... before the last new sample was set
  for (int32_t step = 1;; ++step) {
    if (step > kMaxContinuationSteps) return kContinuationFailed;
    const float px = XE[e];
    const float pf = FE[e];
    XE[e] = XE[count - 1] + h;
    if (!std::isfinite(XE[e])) return kContinuationFailed;
    ierr = numeric::PCHEV(count, T.data(), C.data(), D.data(), ne, XE.data(), FE.data(),
                          DE.data());
    if (ierr < 0) {
      // Nothing was evaluated, and nothing would be on the next step.
      valuesFailed(notices, ierr);
      return kContinuationFailed;
    }
    const float v = FE[e];
    const float lastC = C[count - 1];
    if (v > 0 && v < lastC) {
      h = 2 * h;
      continue;
    }
    if (v < 0 || v > lastC) {
      if (step == 1) continue;
      countBeforeLast = count;
      count = ne;
      T[e] = px;
      C[e] = pf;
      D[e] = 0;
    }
    if (C[count - 1] > 0) continue;
    break;
  }
  if (C[e] < 0) C[e] = 0;
  n = count;

  if (t.dischargeMode == DischargeMode::Measured) {
    // The discharge interpolant at the last evaluation point where it is
    // positive, else the mean over the falling limb.
    const int32_t nq = countBeforeLast - 1;
    bool found = false;
    ierr = numeric::PCHEZ(nq, T.data(), Q.data(), DQ.data());
    if (ierr < 0) derivativesFailed(notices, ierr);
    ierr = numeric::PCHEV(nq, T.data(), Q.data(), DQ.data(), ne, XE.data(), FE.data(), DE.data());
    if (ierr < 0) {
      valuesFailed(notices, ierr);
    } else if (FE[e] > 0) {
      Q[e] = FE[e];
      found = true;
    }
    if (!found) {
      const FallingLimb limb = limbSearch(C, n);
      Q[e] = limb.found ? limbMeanDischarge(T, Q, limb) : Q[n0 - 1];
    }
  }
  for (std::span<float> w : {D, XE, FE, DE, DQ}) std::fill_n(w.begin(), n, 0.0f);
  if (constantDischarge(equalCount, n0)) Q[e] = Q[n0 - 1];
  return 0;
}

}  // namespace

Extrapolation extrapolateTail(const TestDescription& t, int32_t equalCount,
                              const MeasuredCurve& measured) {
  Extrapolation out;
  // Room for the 5 samples of method 1 (1 for the others).
  const std::size_t n0 = measured.samples.T.size();
  const std::size_t room = n0 + 5;
  auto extended = [&](const std::vector<float>& v) {
    std::vector<float> w(v.begin(), v.end());
    w.resize(room, 0.0f);
    return w;
  };
  MeasuredCurve& c = out.curve;
  c.samples = Curve{extended(measured.samples.T), extended(measured.samples.C),
                    extended(measured.samples.Q)};
  c.spread = GroupSpread{extended(measured.spread.T), extended(measured.spread.C),
                         extended(measured.spread.Q)};
  std::vector<float> scratchA(room, 0.0f), scratchB(room, 0.0f);
  CurveSegments cv{c.samples.T, c.samples.C, c.samples.Q, c.spread.T,
                   c.spread.C,  c.spread.Q,  scratchA,    scratchB};
  auto n = static_cast<int32_t>(n0);
  switch (t.extrapolationMethod) {
    case ExtrapolationMethod::Exponential:
      out.errorCode = exponentialTail(out.notices, equalCount, cv, n, out.tail, out.nonFinite);
      break;
    case ExtrapolationMethod::Pchip:
      out.errorCode = pchipContinuation(out.notices, t, equalCount, cv, n);
      break;
    case ExtrapolationMethod::ZeroTime:
      out.errorCode = zeroTimeTail(out.notices, equalCount, cv, n, out.tail);
      break;
    default:
      break;  // the header pass accepts no other method
  }
  c.samples.truncate(n);
  for (std::vector<float>* v : {&c.spread.T, &c.spread.C, &c.spread.Q})
    v->resize(static_cast<std::size_t>(n));
  return out;
}

std::optional<double> extrapolatedLoadShare(const Curve& c, double lastSeconds,
                                            bool measuredDischarge) {
  const auto load = [&](int32_t i) {
    return static_cast<double>(c.C[i]) * (measuredDischarge ? c.Q[i] : 1.0f);
  };
  double all = 0, tail = 0;
  for (int32_t i = 0; i + 1 < c.size(); ++i) {
    const double a = load(i), b = load(i + 1);
    const double piece = 0.5 * (a + b) * (static_cast<double>(c.T[i + 1]) - c.T[i]);
    all += piece;
    if (c.T[i] >= lastSeconds) tail += piece;
  }
  if (!(all > 0) || !std::isfinite(all)) return std::nullopt;
  return tail / all;
}

}  // namespace kaldero
