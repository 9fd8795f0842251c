#include "numeric/line_fit.h"

#include <Eigen/SVD>
#include <algorithm>
#include <cmath>
#include <new>


namespace kaldero {

bool LineFit(std::span<const float> x, std::span<const float> y, LineCoefficients& out) {
  const Eigen::Index n = static_cast<Eigen::Index>(x.size());
  try {
    Eigen::MatrixXf A(n, 2);
    Eigen::VectorXf Y(n);
    float s = 0;
    for (Eigen::Index i = 0; i < n; ++i) {
      A(i, 0) = 1;
      A(i, 1) = x[static_cast<std::size_t>(i)];
      Y(i) = y[static_cast<std::size_t>(i)];
      s = std::max({s, 1.0f, std::fabs(A(i, 1))});
    }
    for (Eigen::Index i = 0; i < n; ++i) {
      A(i, 1) /= s;
      Y(i) /= s;
    }
    Eigen::JacobiSVD<Eigen::MatrixXf> svd(A, Eigen::ComputeThinU | Eigen::ComputeThinV);
    const Eigen::VectorXf& w = svd.singularValues();
    const Eigen::MatrixXf& U = svd.matrixU();
    const Eigen::MatrixXf& V = svd.matrixV();
    float c[2] = {0, 0};
    for (Eigen::Index j = 0; j < w.size(); ++j) {
      if (!(w(j) > 1e-6f * w(0))) continue;
      float t = 0;
      for (Eigen::Index i = 0; i < n; ++i) t += U(i, j) * Y(i);
      c[0] += (t / w(j)) * V(0, j);
      c[1] += (t / w(j)) * V(1, j);
    }
    out.a = s * c[0];
    out.b = c[1];
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

float GAMMLN(float x) {
  static const double cof[6] = {76.18009172947146,     -86.50532032941677,
                                24.01409824083091,     -1.231739572450155,
                                0.1208650973866179e-2, -0.5395239384953e-5};
  const float tmp = (x + 0.5f) * std::log(x + 5.5f) - (x + 5.5f);
  float ser = 1.000000000190015f;
  for (int j = 0; j < 6; ++j) ser += static_cast<float>(cof[j]) / (x + static_cast<float>(j + 1));
  return tmp + std::log(2.5066282746310005f * ser / x);
}

namespace {

constexpr int kMaxIt = 100;
constexpr float kEps = 3.0e-7f;
constexpr float kFpMin = 1.0e-30f;

float guard(float v) { return std::fabs(v) < kFpMin ? kFpMin : v; }

float BETACF(float a, float b, float x, BetaWarnings& warnings) {
  const float qab = a + b;
  const float qap = a + 1;
  const float qam = a - 1;
  float c = 1;
  float d = 1 / guard(1 - qab * x / qap);
  float h = d;
  for (int m = 1; m <= kMaxIt; ++m) {
    const float fm = static_cast<float>(m);
    const float m2 = 2 * fm;
    float aa = fm * (b - fm) * x / ((qam + m2) * (a + m2));
    d = 1 / guard(1 + aa * d);
    c = guard(1 + aa / c);
    h *= d * c;
    aa = -(a + fm) * (qab + fm) * x / ((a + m2) * (qap + m2));
    d = 1 / guard(1 + aa * d);
    c = guard(1 + aa / c);
    const float del = d * c;
    h *= del;
    if (std::fabs(del - 1) < kEps) return h;
  }
  warnings.noConvergence = true;
  return h;
}

}  // namespace

float BETAI(float a, float b, float x, BetaWarnings& warnings) {
  if (x < 0 || x > 1) warnings.badArgument = true;
  float bt = 0;
  if (x != 0 && x != 1)
    bt = std::exp(GAMMLN(a + b) - GAMMLN(a) - GAMMLN(b) + a * std::log(x) + b * std::log(1 - x));
  if (x < (a + 1) / (a + b + 2)) return bt * BETACF(a, b, x, warnings) / a;
  return 1 - bt * BETACF(b, a, 1 - x, warnings) / b;
}

Correlation PearsonStatistics(std::span<const float> x, std::span<const float> y) {
  constexpr float kTiny = 1.0e-20f;
  const std::size_t n = x.size();
  float ax = 0, ay = 0;
  for (std::size_t i = 0; i < n; ++i) {
    ax += x[i];
    ay += y[i];
  }
  ax /= static_cast<float>(n);
  ay /= static_cast<float>(n);
  float sxx = 0, syy = 0, sxy = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const float xt = x[i] - ax;
    const float yt = y[i] - ay;
    sxx += xt * xt;
    syy += yt * yt;
    sxy += xt * yt;
  }
  Correlation out;
  // Without spread in x or y there is no correlation to measure: r = 0
  // (probability 1) rather than the quotient 0 / 0.
  const float denominator = std::sqrt(sxx * syy);
  out.r = denominator > 0 ? sxy / denominator : 0.0f;
  out.r = std::clamp(out.r, -1.0f, 1.0f);
  out.r2 = out.r * out.r;
  out.z = 0.5f * std::log(((1 + out.r) + kTiny) / ((1 - out.r) + kTiny));
  const float df = static_cast<float>(n) - 2;
  const float t = out.r * std::sqrt(df / (((1 - out.r) + kTiny) * ((1 + out.r) + kTiny)));
  out.prob = BETAI(0.5f * df, 0.5f, df / (df + t * t), out.warnings);
  return out;
}

}  // namespace kaldero
