#include "numeric/grid_convolution.h"

#include <algorithm>
#include <cmath>
#include <unsupported/Eigen/FFT>

namespace kaldero::numeric {

struct GridConvolution::Transform {
  Eigen::FFT<double> fft;
};

namespace {

// The integral of the piecewise linear flux from its first time to each of
// the increasing times edges (0 before the first sample, constant after
// the last).
std::vector<double> cumulativeAt(std::span<const double> t, std::span<const double> f,
                                 const std::vector<double>& edges) {
  std::vector<double> out(edges.size());
  std::size_t j = 0;
  double before = 0;  // the integral up to t[j]
  for (std::size_t e = 0; e < edges.size(); ++e) {
    const double x = edges[e];
    while (j + 1 < t.size() && t[j + 1] <= x) {
      before += 0.5 * (f[j] + f[j + 1]) * (t[j + 1] - t[j]);
      ++j;
    }
    if (x <= t[0]) {
      out[e] = 0;
    } else if (j + 1 >= t.size()) {
      out[e] = before;  // past the last sample
    } else {
      const double dt = t[j + 1] - t[j], u = x - t[j];
      const double slope = dt > 0 ? (f[j + 1] - f[j]) / dt : 0;
      out[e] = before + f[j] * u + 0.5 * slope * u * u;
    }
  }
  return out;
}

}  // namespace

GridConvolution::GridConvolution(std::span<const double> inputTimes,
                                 std::span<const double> inputFlux,
                                 double lastTime, double h)
    : fft_(std::make_unique<Transform>()), h_(h) {
  const double last = std::max(0.0, lastTime);
  cells_ = static_cast<std::size_t>(std::ceil(last / h)) + 1;
  std::vector<double> edges(cells_ + 1);
  for (std::size_t k = 0; k <= cells_; ++k) edges[k] = static_cast<double>(k) * h;
  const std::vector<double> I = cumulativeAt(inputTimes, inputFlux, edges);
  std::vector<double> f(cells_);
  double m0 = 0, m1 = 0, m2 = 0;
  for (std::size_t k = 0; k < cells_; ++k) {
    f[k] = (I[k + 1] - I[k]) / h;
    // A cell's own spread, h^2 / 12, is the convolution's: counted with it.
    const double mid = (static_cast<double>(k) + 0.5) * h, w = f[k] * h;
    m0 += w;
    m1 += w * mid;
    m2 += w * (mid * mid + h * h / 12);
  }
  integral_ = m0;
  if (m0 != 0) {
    mean_ = m1 / m0;
    variance_ = std::max(0.0, m2 / m0 - mean_ * mean_);
  }
  padded_ = 1;
  while (padded_ < 2 * cells_) padded_ *= 2;
  f.resize(padded_, 0.0);
  fft_->fft.fwd(inputSpectrum_, f);
}

GridConvolution::~GridConvolution() = default;
GridConvolution::GridConvolution(GridConvolution&&) noexcept = default;
GridConvolution& GridConvolution::operator=(GridConvolution&&) noexcept = default;

void GridConvolution::apply(std::span<const double> G, std::span<const double> times,
                            std::span<double> out) const {
  apply(G, reading(times), out);
}

GridConvolution::Reading GridConvolution::reading(std::span<const double> times) const {
  Reading r;
  r.at.resize(times.size());
  r.next.resize(times.size());
  for (std::size_t i = 0; i < times.size(); ++i) {
    const double x = std::max(0.0, times[i]) / h_;
    const double m = std::floor(x);
    if (!(m <= static_cast<double>(cells_))) {
      r.at[i] = cells_ + 1;  // past the grid: nothing
      r.next[i] = 0;
      continue;
    }
    r.at[i] = static_cast<std::size_t>(m);
    r.next[i] = x - m;
  }
  return r;
}

void GridConvolution::apply(std::span<const double> G, const Reading& reading,
                            std::span<double> out) const {
  std::vector<std::complex<double>> spectrum = responseSpectrum(G);
  for (std::size_t i = 0; i < padded_; ++i) spectrum[i] *= inputSpectrum_[i];
  read(spectrum, reading, out);
}

void GridConvolution::nodeValues(std::span<const double> G, std::span<double> out) const {
  std::vector<std::complex<double>> spectrum = responseSpectrum(G);
  for (std::size_t i = 0; i < padded_; ++i) spectrum[i] *= inputSpectrum_[i];
  std::vector<double> c;
  fft_->fft.inv(c, spectrum);
  std::copy_n(c.begin(), std::min(cells_, out.size()), out.begin());
}

void GridConvolution::convolve(std::span<const double> cellMeans,
                               std::span<const std::complex<double>> spectrum,
                               const Reading& reading, std::span<double> out) const {
  std::vector<std::complex<double>> product = responseSpectrum(cellMeans);
  for (std::size_t i = 0; i < padded_ && i < spectrum.size(); ++i) product[i] *= spectrum[i];
  read(product, reading, out);
}

void GridConvolution::read(std::vector<std::complex<double>>& product, const Reading& reading,
                           std::span<double> out) const {
  std::vector<double> c;
  fft_->fft.inv(c, product);
  // y(m h) = c[m - 1] for m = 1 to cells; y(0) = 0, and 0 past the grid.
  std::vector<double> y(cells_ + 3, 0.0);
  std::copy_n(c.begin(), cells_, y.begin() + 1);
  const std::size_t n = std::min(reading.at.size(), out.size());
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t m = reading.at[i];
    const double w = reading.next[i];
    out[i] = (1 - w) * y[m] + w * y[m + 1];
  }
}

double GridConvolution::integralOf(std::span<const double> cellMeans) const {
  double sum = 0;
  for (const double f : cellMeans) sum += f;
  return sum * h_;
}

std::vector<double> GridConvolution::cellMeans(std::span<const double> times,
                                               std::span<const double> flux) const {
  std::vector<double> edges(cells_ + 1);
  for (std::size_t k = 0; k <= cells_; ++k) edges[k] = static_cast<double>(k) * h_;
  std::vector<double> f(cells_, 0.0);
  if (times.size() < 2 || flux.size() != times.size()) return f;
  const std::vector<double> I = cumulativeAt(times, flux, edges);
  for (std::size_t k = 0; k < cells_; ++k) f[k] = (I[k + 1] - I[k]) / h_;
  return f;
}

std::vector<std::complex<double>> GridConvolution::responseSpectrum(
    std::span<const double> G) const {
  std::vector<double> g(padded_, 0.0);
  std::copy_n(G.begin(), std::min(G.size(), cells_), g.begin());
  std::vector<std::complex<double>> spectrum;
  fft_->fft.fwd(spectrum, g);
  return spectrum;
}

void GridConvolution::adjoint(std::span<const std::complex<double>> spectrum,
                              const Reading& reading, std::span<const double> ybar,
                              std::span<double> fbar) const {
  // The reads' weights onto the grid times (the transpose of read()), then
  // c_bar[m - 1] = y_bar(m h), correlated with the response: f_bar_k =
  // sum_n c_bar_n g_(n - k), no wrap-around in the padding.
  std::vector<double> y(cells_ + 3, 0.0);
  const std::size_t n = std::min(reading.at.size(), ybar.size());
  for (std::size_t i = 0; i < n; ++i) {
    y[reading.at[i]] += (1 - reading.next[i]) * ybar[i];
    y[reading.at[i] + 1] += reading.next[i] * ybar[i];
  }
  std::vector<double> cbar(padded_, 0.0);
  std::copy_n(y.begin() + 1, cells_, cbar.begin());
  std::vector<std::complex<double>> C;
  fft_->fft.fwd(C, cbar);
  for (std::size_t i = 0; i < padded_; ++i) C[i] *= std::conj(spectrum[i]);
  std::vector<double> out;
  fft_->fft.inv(out, C);
  for (std::size_t k = 0; k < cells_ && k < fbar.size(); ++k) fbar[k] = out[k];
}

}  // namespace kaldero::numeric
